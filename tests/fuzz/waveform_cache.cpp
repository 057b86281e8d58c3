// The waveform cache's reader on a file whose checksum is right, so the
// input reaches the parse of the header and the table.

#include <QCryptographicHash>

#include "WaveformCache.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray file(reinterpret_cast<const char*>(data), qsizetype(size));
    file += QCryptographicHash::hash(file, QCryptographicHash::Sha1);
    const auto analysis = lumidex::waveform::WaveformCache::parse(file, QByteArrayLiteral("k"));
    if (analysis.table) analysis.table->span(0, double(analysis.table->frames()));
    return 0;
}
