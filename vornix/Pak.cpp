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
// opens and indexes it once. The entry read by a size query is kept until the
// fill that follows it, so the pair reads (and checks) the entry only once.
// A mutex guards all of it.

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
        dropPending();
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

    // The entry's bytes; false when it is missing or damaged.
    bool read(const QString& entry, QByteArray& out) {
        const auto it = index_.constFind(entry);
        if (it == index_.constEnd()) return false;
        return readIndex(it.value(), out);
    }

    // The entry a size query read, kept for the fill that follows it.
    bool pendingFor(const QString& entry) const { return hasPending_ && pendingName_ == entry; }
    const QByteArray& pending() const { return pending_; }
    void setPending(const QString& entry, QByteArray bytes) {
        pendingName_ = entry;
        pending_ = std::move(bytes);
        hasPending_ = true;
    }
    void dropPending() {
        hasPending_ = false;
        pendingName_.clear();
        pending_ = QByteArray();
    }

  private:
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

    // Reads the whole entry and checks it: a CRC mismatch, an inflate error
    // or a length other than the directory's makes it unreadable.
    bool readIndex(zip_uint64_t index, QByteArray& out) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip_, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) ||
            st.size > zip_uint64_t(INT32_MAX))
            return false;
        zip_file_t* f = zip_fopen_index(zip_, index, 0);
        if (!f) return false;
        bool ok = true;
        try {
            out = QByteArray(qsizetype(st.size), Qt::Uninitialized);
        } catch (const std::bad_alloc&) {
            ok = false;
        }
        zip_uint64_t got = 0;
        while (ok && got < st.size) {
            const zip_int64_t r = zip_fread(f, out.data() + got, st.size - got);
            if (r <= 0)
                ok = false;
            else
                got += zip_uint64_t(r);
        }
        // One more read must report the end: libzip checks the CRC only then.
        char extra;
        if (ok && zip_fread(f, &extra, 1) != 0) ok = false;
        if (zip_fclose(f) != 0) ok = false;
        if (!ok) out = QByteArray();
        return ok;
    }

    zip_t* zip_ = nullptr;
    FileKey key_;
    QHash<QString, zip_uint64_t> index_;
    bool hasPending_ = false;
    QString pendingName_;
    QByteArray pending_;
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
    if (!c.open(archive)) return 0;  // a different archive also drops the kept entry

    if (!c.pendingFor(entry)) {
        QByteArray bytes;
        if (!c.read(entry, bytes)) {
            c.dropPending();
            return 0;
        }
        c.setPending(entry, std::move(bytes));
    }
    const QByteArray& bytes = c.pending();
    if (size == 0) {
        const int32_t n = int32_t(bytes.size());
        if (n == 0) c.dropPending();
        return n;
    }
    // A smaller buffer gets the entry's first bytes, never more.
    const int32_t n = std::min<int32_t>(size, int32_t(bytes.size()));
    std::memcpy(buffer, bytes.constData(), size_t(n));
    c.dropPending();
    return n;
}

void closePakCache() {
    std::lock_guard<std::mutex> lock(cacheMutex());
    cache().close();
}

}  // namespace vornix

namespace lumidex {

QByteArray readPakEntry(const QString& archive, const QString& entry) {
    std::lock_guard<std::mutex> lock(vornix::cacheMutex());
    vornix::PakCache& c = vornix::cache();
    QByteArray bytes;
    if (!c.open(archive)) return bytes;
    if (c.pendingFor(entry)) {
        bytes = c.pending();
        c.dropPending();
        return bytes;
    }
    if (!c.read(entry, bytes)) bytes = QByteArray();
    return bytes;
}

}  // namespace lumidex
