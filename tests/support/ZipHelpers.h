#pragma once
// PAK archives (ZIP files) written with libzip, for tests that read charts or
// key sounds from an archive.

#include <zip.h>

#include <QByteArray>
#include <QFile>
#include <QString>

#include <vector>

namespace lumidex::test {

struct ZipEntry {
    QByteArray rawName;  // the name's bytes as stored
    QByteArray data;
    bool store = false;  // no compression
};

// Replaces the archive with the entries; libzip flags a name as UTF-8 when its
// bytes are valid UTF-8. False when that failed.
inline bool writeZip(const QString& path, const std::vector<ZipEntry>& entries) {
    zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
    if (!za) return false;
    for (const ZipEntry& e : entries) {
        zip_source_t* src =
            zip_source_buffer(za, e.data.constData(), zip_uint64_t(e.data.size()), 0);
        const zip_int64_t idx = zip_file_add(za, e.rawName.constData(), src, ZIP_FL_ENC_GUESS);
        if (idx < 0) {
            zip_source_free(src);
            zip_discard(za);
            return false;
        }
        zip_set_file_compression(za, zip_uint64_t(idx), e.store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
    }
    return zip_close(za) == 0;
}

}  // namespace lumidex::test
