// PAK archives (ZIP archives read with libzip): entries by name, UTF-8 and
// GB18030 names, damaged entries, the size query and the fill.

#include "FileText.h"
#include "Vornix.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <zip.h>
#include <atomic>
#include <list>
#include <random>
#include <thread>
#include <vector>

using lumidex::readPakEntry;
using vornix::GetFileFromPakW;

namespace {

struct Entry {
    QByteArray rawName;  // the name's bytes as stored
    QByteArray data;
    bool utf8Flag = true;
    bool store = false;  // no compression
};

// Writes a ZIP archive with libzip.
void writeZip(const QString& path, const std::vector<Entry>& entries) {
    int error = 0;
    zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(za, nullptr) << error;
    for (const Entry& e : entries) {
        zip_source_t* src =
            zip_source_buffer(za, e.data.constData(), zip_uint64_t(e.data.size()), 0);
        ASSERT_NE(src, nullptr);
        // Without ZIP_FL_ENC_UTF_8 libzip stores the bytes as they are; it
        // sets the UTF-8 flag only when they are valid UTF-8.
        const zip_int64_t idx = zip_file_add(za, e.rawName.constData(), src,
                                             e.utf8Flag ? ZIP_FL_ENC_UTF_8 : ZIP_FL_ENC_GUESS);
        ASSERT_GE(idx, 0) << zip_strerror(za) << " " << e.rawName.toHex().toStdString();
        ASSERT_EQ(zip_set_file_compression(za, zip_uint64_t(idx),
                                           e.store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0),
                  0);
    }
    ASSERT_EQ(zip_close(za), 0);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

quint32 le(const QByteArray& b, qsizetype at, int width) {
    quint32 v = 0;
    for (int i = width - 1; i >= 0; --i) v = (v << 8) | quint8(b[at + i]);
    return v;
}

// Clears the UTF-8 flag (bit 11) of an entry in its local header and in the
// central directory: libzip sets it for every name that is valid UTF-8.
void clearUtf8Flag(const QString& path, const QByteArray& rawName);

// Finds an entry in the central directory: its flags and where its data
// starts and how long it is.
struct Located {
    quint32 flags = 0, dataOffset = 0, compressedSize = 0;
    bool found = false;
};
Located locate(const QByteArray& zip, const QByteArray& rawName) {
    Located r;
    for (qsizetype at = zip.indexOf("PK\x01\x02"); at >= 0;
         at = zip.indexOf("PK\x01\x02", at + 4)) {
        const quint32 nameLen = le(zip, at + 28, 2);
        if (zip.mid(at + 46, nameLen) != rawName) continue;
        r.flags = le(zip, at + 8, 2);
        r.compressedSize = le(zip, at + 20, 4);
        const quint32 local = le(zip, at + 42, 4);
        r.dataOffset = local + 30 + le(zip, local + 26, 2) + le(zip, local + 28, 2);
        r.found = true;
        return r;
    }
    return r;
}

void clearUtf8Flag(const QString& path, const QByteArray& rawName) {
    QByteArray zip = readAll(path);
    for (qsizetype at = zip.indexOf("PK\x01\x02"); at >= 0;
         at = zip.indexOf("PK\x01\x02", at + 4)) {
        if (zip.mid(at + 46, le(zip, at + 28, 2)) != rawName) continue;
        const quint32 local = le(zip, at + 42, 4);
        zip[at + 9] = char(zip[at + 9] & ~0x08);
        zip[local + 7] = char(zip[local + 7] & ~0x08);
    }
    writeAll(path, zip);
}

QByteArray pattern(int size, int seed) {
    QByteArray b(size, Qt::Uninitialized);
    std::mt19937 rng{unsigned(seed)};
    // Mostly random (deflate is quick on it), some text so it does compress.
    for (qsizetype i = 0; i < b.size(); ++i) b[i] = char(i % 4 == 0 ? 'a' + i % 3 : int(rng()));
    return b;
}

// Both GetFileFromPakW calls, as the loader makes them.
QByteArray viaTwoCalls(const QString& archive, const QString& entry) {
    quint16 zero = 0;
    const int32_t size = GetFileFromPakW(&zero, 0, archive, entry);
    EXPECT_EQ(zero, 0);  // the size query never writes
    if (size <= 0) return {};
    QByteArray bytes(size + 16, '\x5A');
    EXPECT_EQ(GetFileFromPakW(bytes.data(), size, archive, entry), size);
    EXPECT_EQ(bytes.mid(size), QByteArray(16, '\x5A'));  // nothing past the entry
    bytes.truncate(size);
    return bytes;
}

class PakTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        archive_ = dir_.filePath(QStringLiteral("音乐 song.pak"));
        gbName_ = lumidex::encodeGB18030(QStringLiteral("歌曲/钢琴.ogg"));
        entries_ = {
            {QStringLiteral("sound/鼓.wav").toUtf8(), pattern(5000, 1), true, false},
            {gbName_, pattern(7000, 2), false, false},
            {QByteArray("plain.txt"), QByteArray("ascii content"), false, true},
            // Valid UTF-8 bytes, but not flagged: read as GB18030.
            {QByteArray("\xC3\xA9.wav"), QByteArray("unflagged"), false, true},
            {QByteArray("a/b/c/deep.txt"), QByteArray("deep"), true, false},
            {QByteArray("a/b/"), QByteArray(), true, true},
            {QByteArray("empty.txt"), QByteArray(), true, false},
            {QByteArray("bad-stored.bin"), QByteArray(4000, 'S'), true, true},
            {QByteArray("bad-deflated.txt"), pattern(60000, 3), true, false},
            {QByteArray("big.bin"), pattern(1 << 20, 4), true, false},
        };
        writeZip(archive_, entries_);
        clearUtf8Flag(archive_, QByteArray("\xC3\xA9.wav"));
        vornix::closePakCache();
    }
    void TearDown() override { vornix::closePakCache(); }

    // Flips bytes in the middle of an entry's stored data.
    void damage(const QByteArray& rawName) {
        QByteArray zip = readAll(archive_);
        const Located at = locate(zip, rawName);
        ASSERT_TRUE(at.found);
        ASSERT_GT(at.compressedSize, 8u);
        const quint32 mid = at.dataOffset + at.compressedSize / 2;
        for (quint32 i = 0; i < 4; ++i) zip[mid + i] = char(zip[mid + i] ^ 0x55);
        writeAll(archive_, zip);
    }

    QTemporaryDir dir_;
    QString archive_;
    QByteArray gbName_;
    std::vector<Entry> entries_;
};

}  // namespace

TEST_F(PakTest, TheTestArchiveHasTheFlagsItClaims) {
    const QByteArray zip = readAll(archive_);
    EXPECT_TRUE(locate(zip, QStringLiteral("sound/鼓.wav").toUtf8()).flags & 0x800);
    EXPECT_FALSE(locate(zip, gbName_).flags & 0x800);
    EXPECT_FALSE(locate(zip, QByteArray("\xC3\xA9.wav")).flags & 0x800);
}

TEST_F(PakTest, EntriesByName) {
    EXPECT_EQ(viaTwoCalls(archive_, QStringLiteral("sound/鼓.wav")), entries_[0].data);
    EXPECT_EQ(viaTwoCalls(archive_, QStringLiteral("歌曲/钢琴.ogg")), entries_[1].data);
    EXPECT_EQ(viaTwoCalls(archive_, QStringLiteral("plain.txt")), QByteArray("ascii content"));
    EXPECT_EQ(viaTwoCalls(archive_, QStringLiteral("a/b/c/deep.txt")), QByteArray("deep"));
    EXPECT_EQ(viaTwoCalls(archive_, QStringLiteral("big.bin")), entries_[9].data);
    EXPECT_EQ(readPakEntry(archive_, QStringLiteral("歌曲/钢琴.ogg")), entries_[1].data);
    EXPECT_EQ(readPakEntry(archive_, QStringLiteral("sound/鼓.wav")), entries_[0].data);

    // An unflagged name is GB18030 even when its bytes would be UTF-8.
    EXPECT_EQ(viaTwoCalls(archive_, QStringLiteral("é.wav")), QByteArray());
    const QString asGb = lumidex::BytesToText(QByteArray("\xC3\xA9"), 0) + ".wav";
    EXPECT_EQ(viaTwoCalls(archive_, asGb), QByteArray("unflagged"));
}

TEST_F(PakTest, NamesCompareExactly) {
    for (const QString& name :
         {QStringLiteral("Sound/鼓.wav"), QStringLiteral("sound\\鼓.wav"),
          QStringLiteral("/sound/鼓.wav"), QStringLiteral("sound/鼓.wav "), QStringLiteral("a/b/c"),
          QStringLiteral("deep.txt"), QStringLiteral("missing.ogg"), QString()}) {
        quint16 zero = 0;
        EXPECT_EQ(GetFileFromPakW(&zero, 0, archive_, name), 0) << name.toStdString();
        EXPECT_TRUE(readPakEntry(archive_, name).isEmpty());
    }
}

TEST_F(PakTest, EmptyEntriesAndFolders) {
    quint16 zero = 0;
    EXPECT_EQ(GetFileFromPakW(&zero, 0, archive_, QStringLiteral("empty.txt")), 0);
    EXPECT_EQ(GetFileFromPakW(&zero, 0, archive_, QStringLiteral("a/b/")), 0);
    EXPECT_EQ(zero, 0);
    EXPECT_TRUE(readPakEntry(archive_, QStringLiteral("empty.txt")).isEmpty());
}

TEST_F(PakTest, DamagedStoredEntryReadsAsNotFound) {
    damage("bad-stored.bin");
    quint16 zero = 0;
    EXPECT_EQ(GetFileFromPakW(&zero, 0, archive_, QStringLiteral("bad-stored.bin")), 0);
    QByteArray buffer(4000, '\0');
    EXPECT_EQ(GetFileFromPakW(buffer.data(), 4000, archive_, QStringLiteral("bad-stored.bin")), 0);
    EXPECT_TRUE(readPakEntry(archive_, QStringLiteral("bad-stored.bin")).isEmpty());
    // The rest of the archive is fine.
    EXPECT_EQ(viaTwoCalls(archive_, QStringLiteral("big.bin")), entries_[9].data);
}

TEST_F(PakTest, DamagedDeflatedEntryReadsAsNotFound) {
    damage("bad-deflated.txt");
    quint16 zero = 0;
    EXPECT_EQ(GetFileFromPakW(&zero, 0, archive_, QStringLiteral("bad-deflated.txt")), 0);
    EXPECT_TRUE(readPakEntry(archive_, QStringLiteral("bad-deflated.txt")).isEmpty());
    EXPECT_EQ(viaTwoCalls(archive_, QStringLiteral("sound/鼓.wav")), entries_[0].data);
}

TEST_F(PakTest, MissingOrUnreadableArchives) {
    quint16 zero = 0;
    const QString entry = QStringLiteral("plain.txt");
    EXPECT_EQ(GetFileFromPakW(&zero, 0, dir_.filePath("missing.pak"), entry), 0);
    EXPECT_EQ(GetFileFromPakW(&zero, 0, dir_.path(), entry), 0);
    EXPECT_EQ(GetFileFromPakW(&zero, 0, QString(), entry), 0);
    const QString notZip = dir_.filePath("not-a-zip.pak");
    writeAll(notZip, QByteArray("this is no archive at all"));
    EXPECT_EQ(GetFileFromPakW(&zero, 0, notZip, entry), 0);
    // A truncated archive (its central directory cut off).
    const QString cut = dir_.filePath("cut.pak");
    writeAll(cut, readAll(archive_).left(3000));
    EXPECT_EQ(GetFileFromPakW(&zero, 0, cut, entry), 0);
    EXPECT_EQ(zero, 0);
    EXPECT_TRUE(readPakEntry(dir_.filePath("missing.pak"), entry).isEmpty());
}

TEST_F(PakTest, BuffersAreNeverOverrun) {
    const QString entry = QStringLiteral("plain.txt");  // 13 bytes
    quint16 zero = 0;
    EXPECT_EQ(GetFileFromPakW(&zero, 0, archive_, entry), 13);
    // A smaller buffer gets the first bytes only.
    QByteArray small(4 + 8, '#');
    EXPECT_EQ(GetFileFromPakW(small.data(), 4, archive_, entry), 4);
    EXPECT_EQ(small, QByteArray("asci########"));
    // A larger one gets the entry.
    QByteArray large(20, '#');
    EXPECT_EQ(GetFileFromPakW(large.data(), 20, archive_, entry), 13);
    EXPECT_EQ(large, QByteArray("ascii content#######"));
    // Nonsense sizes.
    EXPECT_EQ(GetFileFromPakW(large.data(), -1, archive_, entry), 0);
    EXPECT_EQ(GetFileFromPakW(nullptr, 5, archive_, entry), 0);
    // A fill without a size query before it works too.
    QByteArray exact(13, '#');
    EXPECT_EQ(GetFileFromPakW(exact.data(), 13, archive_, entry), 13);
    EXPECT_EQ(exact, QByteArray("ascii content"));
}

TEST_F(PakTest, ArchiveChangedOnDiskIsReopened) {
    EXPECT_EQ(viaTwoCalls(archive_, QStringLiteral("plain.txt")), QByteArray("ascii content"));
    writeZip(archive_, {{QByteArray("plain.txt"), QByteArray("new content!"), false, true},
                        {QByteArray("added.txt"), QByteArray("added"), true, false}});
    EXPECT_EQ(viaTwoCalls(archive_, QStringLiteral("plain.txt")), QByteArray("new content!"));
    EXPECT_EQ(viaTwoCalls(archive_, QStringLiteral("added.txt")), QByteArray("added"));
    EXPECT_EQ(viaTwoCalls(archive_, QStringLiteral("big.bin")), QByteArray());
}

TEST_F(PakTest, AlternatingArchivesAndInterleavedQueries) {
    const QString other = dir_.filePath("other.pak");
    writeZip(other, {{QByteArray("plain.txt"), QByteArray("other"), true, true}});
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(viaTwoCalls(archive_, QStringLiteral("plain.txt")), QByteArray("ascii content"));
        EXPECT_EQ(viaTwoCalls(other, QStringLiteral("plain.txt")), QByteArray("other"));
    }
    // A size query for one entry, then a fill for another: the fill gets the
    // entry it names.
    quint16 zero = 0;
    EXPECT_EQ(GetFileFromPakW(&zero, 0, archive_, QStringLiteral("a/b/c/deep.txt")), 4);
    QByteArray buffer(13, '#');
    EXPECT_EQ(GetFileFromPakW(buffer.data(), 13, archive_, QStringLiteral("plain.txt")), 13);
    EXPECT_EQ(buffer, QByteArray("ascii content"));
    // A size query on one archive, the fill on another with the same entry name.
    EXPECT_EQ(GetFileFromPakW(&zero, 0, archive_, QStringLiteral("plain.txt")), 13);
    QByteArray five(5, '#');
    EXPECT_EQ(GetFileFromPakW(five.data(), 5, other, QStringLiteral("plain.txt")), 5);
    EXPECT_EQ(five, QByteArray("other"));
}

TEST(PakMany, TwoThousandEntriesFromOneArchive) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString archive = dir.filePath("keys.pak");
    std::vector<Entry> entries;
    for (int i = 0; i < 2000; ++i)
        entries.push_back({QStringLiteral("keys/键%1.wav").arg(i).toUtf8(),
                           pattern(200 + i % 50, i), true, i % 2 == 0});
    writeZip(archive, entries);
    vornix::closePakCache();

    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 2000; ++i)
        ASSERT_EQ(viaTwoCalls(archive, QStringLiteral("keys/键%1.wav").arg(i)),
                  entries[size_t(i)].data);
    // Opening and indexing the archive once keeps this well under a second
    // (reopening it for every call would scan 2000 names 4000 times).
    EXPECT_LT(timer.elapsed(), 10000);

    // Several threads at once.
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = t; i < 2000; i += 7)
                if (readPakEntry(archive, QStringLiteral("keys/键%1.wav").arg(i)) !=
                    entries[size_t(i)].data)
                    ++wrong;
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(wrong.load(), 0);
    vornix::closePakCache();
}
