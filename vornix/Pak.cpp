// PAK archives: a PAK is a ZIP archive, read with libzip.
//
// Entry names: a name whose general-purpose flag bit 11 is set (or that comes
// from an Info-ZIP Unicode path field) is UTF-8; any other name is GB18030.
// libzip 1.7 has no call that answers the flag directly, so the name is asked
// for twice: with ZIP_FL_ENC_STRICT libzip hands back the raw bytes only for
// names that are flagged UTF-8 or plain ASCII (others come back converted
// from CP437), so equal answers mean "UTF-8 (or ASCII)" and different ones
// "not flagged". "/" separates folders; names are compared exactly as text.
//
// The archive last asked for stays open, with a map from decoded names to
// entry indices, as long as the same file (same path, modification time, size
// and inode) is asked for again: loading 2000 key sounds from one archive
// opens and indexes it once. A size query answers the size the archive's
// directory gives without reading the entry; a read inflates the entry
// straight into the caller's buffer, and a whole-entry read grows its buffer
// only as the data arrives, so an entry costs its own size in memory once,
// however large it claims to be. A mutex guards all of it.

#include "Vornix.h"

#include <QFile>
#include <QHash>

#include <sys/stat.h>
#include <zip.h>
#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

namespace vornix {

namespace {

QString decodeName(const char* bytes, bool utf8) {
    const int32_t n = int32_t(std::strlen(bytes));
    const char* code = utf8 ? "UTF-8" : "GB18030";
    const int32_t units = convertToUTF16(code, bytes, n, nullptr, 0);
    QString name(units, Qt::Uninitialized);
    convertToUTF16(code, bytes, n, reinterpret_cast<char16_t*>(name.data()), units);
    return name;
}

struct FileKey {
    QByteArray path;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};

    bool operator==(const FileKey& o) const {
        return path == o.path && dev == o.dev && ino == o.ino && size == o.size &&
               mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec;
    }
};

bool keyOf(const QString& archive, FileKey& key) {
    key.path = QFile::encodeName(archive);
    struct stat st {};
    if (key.path.isEmpty() || ::stat(key.path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    key.dev = st.st_dev;
    key.ino = st.st_ino;
    key.size = st.st_size;
    key.mtime = st.st_mtim;
    return true;
}

class PakCache {
  public:
    ~PakCache() { close(); }

    void close() {
        if (zip_) zip_discard(zip_);
        zip_ = nullptr;
        index_.clear();
        key_ = FileKey{};
    }

    // Makes the archive the open one; false when it cannot be opened.
    bool open(const QString& archive) {
        FileKey key;
        if (!keyOf(archive, key)) return false;
        if (zip_ && key == key_) return true;
        close();
        int error = 0;
        zip_t* z = zip_open(key.path.constData(), ZIP_RDONLY, &error);
        if (!z) return false;
        zip_ = z;
        key_ = key;
        buildIndex();
        return true;
    }

    // The size the directory gives for the entry; 0 when it is missing, empty
    // or 2 GiB and larger.
    int32_t size(const QString& entry) {
        zip_uint64_t index = 0;
        const zip_uint64_t n = find(entry, &index) ? entrySize(index) : 0;
        return n > zip_uint64_t(INT32_MAX) ? 0 : int32_t(n);
    }

    // Reads up to cap bytes of the entry into buffer and answers how many; 0
    // when it is missing or damaged. A buffer that holds the whole entry is
    // checked to the end: a CRC mismatch, an inflate error or a length other
    // than the directory's makes the entry unreadable.
    int32_t read(const QString& entry, char* buffer, int32_t cap) {
        zip_uint64_t index = 0;
        if (!find(entry, &index)) return 0;
        const zip_uint64_t n = entrySize(index);
        if (n == 0 || n > zip_uint64_t(INT32_MAX)) return 0;
        const zip_uint64_t want = std::min<zip_uint64_t>(n, zip_uint64_t(cap));
        const bool ok =
            inflate(index, n, want, [&](zip_uint64_t at, zip_uint64_t) { return buffer + at; });
        return ok ? int32_t(want) : 0;
    }

    // The whole entry, or empty when it is missing, damaged or larger than
    // maxBytes. The buffer grows as the data actually arrives, so a directory
    // that claims far more than the entry inflates to costs nothing.
    QByteArray readAll(const QString& entry, qint64 maxBytes) {
        zip_uint64_t index = 0;
        if (!find(entry, &index)) return QByteArray();
        const zip_uint64_t n = entrySize(index);
        if (n == 0 || n > zip_uint64_t(INT32_MAX) || qint64(n) > maxBytes) return QByteArray();
        QByteArray bytes;
        const bool ok = inflate(index, n, n, [&](zip_uint64_t at, zip_uint64_t need) -> char* {
            if (zip_uint64_t(bytes.size()) < at + need) {
                const zip_uint64_t grown =
                    std::max<zip_uint64_t>(at + need, zip_uint64_t(bytes.size()) * 2);
                bytes.resize(qsizetype(std::min(n, std::max<zip_uint64_t>(grown, kFirstChunk))));
            }
            return bytes.data() + at;
        });
        return ok ? bytes : QByteArray();
    }

  private:
    static constexpr zip_uint64_t kFirstChunk = zip_uint64_t(1) << 20;

    // Inflates the first `want` bytes of an entry the directory gives n bytes,
    // asking room(at, need) for where the next `need` bytes go. When want is
    // n the entry is read to its end, so libzip checks its CRC and length.
    template <typename Room>
    bool inflate(zip_uint64_t index, zip_uint64_t n, zip_uint64_t want, Room room) {
        zip_file_t* f = zip_fopen_index(zip_, index, 0);
        if (!f) return false;
        zip_uint64_t got = 0;
        bool ok = true;
        try {
            while (ok && got < want) {
                const zip_uint64_t need = std::min(want - got, kFirstChunk);
                const zip_int64_t r = zip_fread(f, room(got, need), need);
                if (r <= 0)
                    ok = false;
                else
                    got += zip_uint64_t(r);
            }
        } catch (const std::bad_alloc&) {
            ok = false;
        }
        // One more read must report the end: libzip checks the CRC only then.
        char extra;
        if (ok && want == n && zip_fread(f, &extra, 1) != 0) ok = false;
        if (zip_fclose(f) != 0 && want == n) ok = false;
        return ok;
    }

    void buildIndex() {
        const zip_int64_t count = zip_get_num_entries(zip_, 0);
        index_.reserve(qsizetype(std::max<zip_int64_t>(count, 0)));
        for (zip_int64_t i = 0; i < count; ++i) {
            const char* raw = zip_get_name(zip_, zip_uint64_t(i), ZIP_FL_ENC_RAW);
            if (!raw) continue;
            const char* strict = zip_get_name(zip_, zip_uint64_t(i), ZIP_FL_ENC_STRICT);
            const bool utf8 = strict && std::strcmp(raw, strict) == 0;
            const QString name = decodeName(raw, utf8);
            if (!index_.contains(name)) index_.insert(name, zip_uint64_t(i));  // first wins
        }
    }

    bool find(const QString& entry, zip_uint64_t* index) const {
        const auto it = index_.constFind(entry);
        if (it == index_.constEnd()) return false;
        *index = it.value();
        return true;
    }

    // The entry's size as the directory gives it; 0 when it is missing, or
    // when it is more than the stored data could ever inflate to (deflate
    // packs at most about 1032 bytes into one), so a directory that lies is
    // not believed enough to set aside memory for it.
    zip_uint64_t entrySize(zip_uint64_t index) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip_, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) return 0;
        if ((st.valid & ZIP_STAT_COMP_SIZE) && (st.valid & ZIP_STAT_COMP_METHOD)) {
            if (st.comp_method == ZIP_CM_STORE && st.size != st.comp_size) return 0;
            if (st.comp_method == ZIP_CM_DEFLATE && st.size / 1032 > st.comp_size + 64) return 0;
        }
        return st.size;
    }

    zip_t* zip_ = nullptr;
    FileKey key_;
    QHash<QString, zip_uint64_t> index_;
};

std::mutex& cacheMutex() {
    static std::mutex m;
    return m;
}

PakCache& cache() {
    static PakCache c;
    return c;
}

}  // namespace

int32_t GetFileFromPakW(void* buffer, int32_t size, const QString& archive, const QString& entry) {
    if (size < 0 || (size > 0 && !buffer)) return 0;
    std::lock_guard<std::mutex> lock(cacheMutex());
    PakCache& c = cache();
    if (!c.open(archive)) return 0;
    if (size == 0) return c.size(entry);
    // A smaller buffer gets the entry's first bytes, never more.
    return c.read(entry, static_cast<char*>(buffer), size);
}

void closePakCache() {
    std::lock_guard<std::mutex> lock(cacheMutex());
    cache().close();
}

}  // namespace vornix

namespace lumidex {

QByteArray readPakEntry(const QString& archive, const QString& entry, qint64 maxBytes) {
    std::lock_guard<std::mutex> lock(vornix::cacheMutex());
    vornix::PakCache& c = vornix::cache();
    if (!c.open(archive)) return QByteArray();
    return c.readAll(entry, maxBytes);
}

}  // namespace lumidex
