// PAK reading over an arbitrary archive: every entry the archive's directory
// lists (its name taken both as UTF-8 and as GB18030) and one it does not,
// through the size query, the whole-entry read and a short read.

#include <zip.h>

#include <QStringList>

#include <algorithm>
#include <cstring>
#include <vector>

#include "FuzzSupport.h"
#include "Vornix.h"

using namespace lumidex;

namespace {

QString decoded(const char* code, const char* raw) {
    const int32_t n = int32_t(std::strlen(raw));
    const int32_t units = vornix::convertToUTF16(code, raw, n, nullptr, 0);
    QString name(units, Qt::Uninitialized);
    vornix::convertToUTF16(code, raw, n, reinterpret_cast<char16_t*>(name.data()), units);
    return name;
}

// The names to ask for: the directory's (read here with libzip, apart from
// the code under test), at most a few dozen of them.
QStringList entryNames(const QString& archive) {
    QStringList names{QStringLiteral("demo/demo.xml")};
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY, &error);
    if (!z) return names;
    const zip_int64_t count = std::min<zip_int64_t>(zip_get_num_entries(z, 0), 32);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* raw = zip_get_name(z, zip_uint64_t(i), ZIP_FL_ENC_RAW);
        if (!raw) continue;
        names << decoded("UTF-8", raw) << decoded("GB18030", raw);
    }
    zip_discard(z);
    names.removeDuplicates();
    return names;
}

void readEntry(const QString& archive, const QString& entry) {
    int16_t none = 0;
    const int32_t size = vornix::GetFileFromPakW(&none, 0, archive, entry);
    fuzz::check(size >= 0 && none == 0, "the size query wrote into the buffer");
    const QByteArray whole = readPakEntry(archive, entry);
    fuzz::check(whole.isEmpty() || whole.size() == size, "entry read with another size");
    if (size <= 1) return;
    // A buffer shorter than the entry gets its first bytes, never more.
    std::vector<char> head(size_t(std::min(size - 1, 4096)));
    const int32_t got = vornix::GetFileFromPakW(head.data(), int32_t(head.size()), archive, entry);
    fuzz::check(got >= 0 && got <= int32_t(head.size()), "short read overfilled");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzz::ScratchFile archive("pak");
    archive.write(data, size);
    // Every input is a new archive, even when it has the old one's size and time.
    vornix::closePakCache();
    for (const QString& entry : entryNames(archive.path())) readEntry(archive.path(), entry);
    return 0;
}
