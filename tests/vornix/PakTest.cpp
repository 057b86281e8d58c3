// PAK archives (ZIP archives read with libzip): entries by name, UTF-8 and
// GB18030 names, damaged entries, the size query and the fill.

#include <gtest/gtest.h>

#include "FileText.h"
#include "Vornix.h"
#include "support/FileHelpers.h"
#include "support/ZipHelpers.h"

#include <QTemporaryDir>

#include <atomic>
#include <random>
#include <thread>
#include <vector>

using lumidex::readPakEntry;
using lumidex::test::readAll;
using lumidex::test::writeAll;
using vornix::GetFileFromPakW;

namespace {

using Entry = lumidex::test::ZipEntry;
using lumidex::test::writeZip;

quint32 le(const QByteArray& b, qsizetype at, int width) {
    quint32 v = 0;
    for (int i = width - 1; i >= 0; --i) v = (v << 8) | quint8(b[at + i]);
    return v;
}

// Rewrites the archive after patch(zip, local, central) has changed the
// bytes of an entry, given where its local header and its central directory
// record start (its name follows them at 30 and at 46).
template <class Patch>
void patchEntry(const QString& path, const QByteArray& rawName, Patch patch) {
    QByteArray zip = readAll(path);
    const qsizetype local = zip.indexOf(rawName) - 30, central = zip.lastIndexOf(rawName) - 46;
    ASSERT_TRUE(local >= 0 && central > local);
    patch(zip, quint32(local), quint32(central));
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
        entries_ = {
            {QStringLiteral("sound/鼓.wav").toUtf8(), pattern(5000, 1)},
            {lumidex::encodeGB18030(QStringLiteral("歌曲/钢琴.ogg")), pattern(7000, 2)},
            {QByteArray("plain.txt"), QByteArray("ascii content"), true},
            // Valid UTF-8 bytes, but not flagged: read as GB18030.
            {QByteArray("\xC3\xA9.wav"), QByteArray("unflagged"), true},
            {QByteArray("a/b/c/deep.txt"), QByteArray("deep")},
            {QByteArray("a/b/"), QByteArray(), true},
            {QByteArray("empty.txt"), QByteArray()},
            {QByteArray("bad-stored.bin"), QByteArray(4000, 'S'), true},
            {QByteArray("bad-deflated.txt"), pattern(60000, 3)},
            {QByteArray("big.bin"), pattern(1 << 20, 4)},
        };
        ASSERT_TRUE(writeZip(archive_, entries_));
        // libzip flags every name that is valid UTF-8: clear bit 11 in both headers.
        patchEntry(archive_, "\xC3\xA9.wav", [](QByteArray& zip, quint32 local, quint32 central) {
            zip[central + 9] = char(zip[central + 9] & ~0x08);
            zip[local + 7] = char(zip[local + 7] & ~0x08);
        });
        vornix::closePakCache();
    }
    void TearDown() override { vornix::closePakCache(); }

    // Flips bytes in the middle of an entry's stored data.
    void damage(const QByteArray& rawName) {
        patchEntry(archive_, rawName, [](QByteArray& zip, quint32 local, quint32 central) {
            const quint32 data = local + 30 + le(zip, local + 26, 2) + le(zip, local + 28, 2);
            const quint32 mid = data + le(zip, central + 20, 4) / 2;
            for (quint32 i = 0; i < 4; ++i) zip[mid + i] = char(zip[mid + i] ^ 0x55);
        });
    }

    QTemporaryDir dir_;
    QString archive_;
    std::vector<Entry> entries_;
};

}  // namespace

TEST_F(PakTest, EntriesByExactName) {
    const std::pair<QString, QByteArray> cases[] = {
        {QStringLiteral("sound/鼓.wav"), entries_[0].data},
        {QStringLiteral("歌曲/钢琴.ogg"), entries_[1].data},
        {QStringLiteral("plain.txt"), "ascii content"},
        {QStringLiteral("a/b/c/deep.txt"), "deep"},
        {QStringLiteral("big.bin"), entries_[9].data},
        // An unflagged name is GB18030 even when its bytes would be UTF-8.
        {QStringLiteral("é.wav"), {}},
        {lumidex::BytesToText("\xC3\xA9", 0) + ".wav", "unflagged"},
        // Empty entries and folders read as not found, like missing names.
        {QStringLiteral("empty.txt"), {}},
        {QStringLiteral("a/b/"), {}},
        {QStringLiteral("Sound/鼓.wav"), {}},
        {QStringLiteral("sound\\鼓.wav"), {}},
        {QStringLiteral("/sound/鼓.wav"), {}},
        {QStringLiteral("sound/鼓.wav "), {}},
        {QStringLiteral("a/b/c"), {}},
        {QStringLiteral("deep.txt"), {}},
        {QString(), {}},
    };
    for (const auto& [name, data] : cases) {
        EXPECT_EQ(viaTwoCalls(archive_, name), data) << name.toStdString();
        EXPECT_EQ(readPakEntry(archive_, name), data) << name.toStdString();
    }
}

TEST_F(PakTest, DamagedEntriesReadAsNotFound) {
    for (const char* name : {"bad-stored.bin", "bad-deflated.txt"}) {
        damage(name);
        // The size query trusts the directory; the read that follows finds
        // the damage.
        int16_t zero = 0;
        const int32_t size = GetFileFromPakW(&zero, 0, archive_, name);
        QByteArray buffer(size, '\0');
        EXPECT_EQ(GetFileFromPakW(buffer.data(), size, archive_, name), 0) << name;
        EXPECT_TRUE(readPakEntry(archive_, name).isEmpty()) << name;
    }
    // A directory that claims almost 2 GiB for a few stored or deflated
    // bytes is not believed, so no memory is set aside for it. bzip2 has no
    // ratio bound to check, so there the whole-entry read grows its buffer
    // only as data arrives.
    const std::pair<const char*, bool> liars[] = {
        {"plain.txt", false}, {"a/b/c/deep.txt", false}, {"sound/鼓.wav", true}};
    for (const auto& [name, bzip2] : liars) {
        patchEntry(archive_, name,
                   [bzip2 = bzip2](QByteArray& zip, quint32 local, quint32 central) {
                       for (quint32 at : {local + 22, central + 24})
                           zip.replace(at, 4, "\xF0\xFF\xFF\x7F");
                       if (bzip2) {
                           for (quint32 at : {local + 8, central + 10})
                               zip.replace(at, 2, QByteArray("\x0C\x00", 2));
                       }
                   });
        if (!bzip2) {
            EXPECT_EQ(viaTwoCalls(archive_, name), QByteArray()) << name;
        }
        EXPECT_TRUE(readPakEntry(archive_, name).isEmpty()) << name;
    }
    // The rest of the archive is fine.
    EXPECT_EQ(viaTwoCalls(archive_, QStringLiteral("big.bin")), entries_[9].data);
}

TEST_F(PakTest, MissingOrUnreadableArchives) {
    const QString notZip = dir_.filePath("not-a-zip.pak"), cut = dir_.filePath("cut.pak");
    writeAll(notZip, QByteArray("this is no archive at all"));
    writeAll(cut, readAll(archive_).left(3000));  // its central directory cut off
    for (const QString& archive :
         {dir_.filePath("missing.pak"), dir_.path(), QString(), notZip, cut}) {
        EXPECT_EQ(viaTwoCalls(archive, QStringLiteral("plain.txt")), QByteArray());
        EXPECT_TRUE(readPakEntry(archive, QStringLiteral("plain.txt")).isEmpty());
    }
}

TEST_F(PakTest, FillsNeverOverrunAndGetTheEntryTheyNameAsTheArchiveIsNow) {
    const QString entry = QStringLiteral("plain.txt");  // 13 bytes
    // What a call returns, and its buffer of the capacity and 8 more "#".
    const auto fill = [](const QString& archive, const QString& name, int capacity) {
        QByteArray buffer(std::max(capacity, 0) + 8, '#');
        return QByteArray::number(GetFileFromPakW(buffer.data(), capacity, archive, name)) + ' ' +
               buffer;
    };
    // A smaller buffer gets the first bytes only, a larger one the entry.
    EXPECT_EQ(fill(archive_, entry, 4), "4 asci########");
    EXPECT_EQ(fill(archive_, entry, 20), "13 ascii content###############");
    EXPECT_EQ(fill(archive_, entry, -1), "0 ########");
    EXPECT_EQ(GetFileFromPakW(nullptr, 5, archive_, entry), 0);

    // Two archives in turn; a fill after a size query for another entry, or
    // on another archive, gets the entry it names.
    const QString other = dir_.filePath("other.pak");
    ASSERT_TRUE(writeZip(other, {{QByteArray("plain.txt"), QByteArray("other"), true}}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(viaTwoCalls(archive_, entry), QByteArray("ascii content"));
        EXPECT_EQ(viaTwoCalls(other, entry), QByteArray("other"));
    }
    EXPECT_EQ(fill(archive_, QStringLiteral("a/b/c/deep.txt"), 0), "4 ########");
    EXPECT_EQ(fill(archive_, entry, 13), "13 ascii content########");
    EXPECT_EQ(fill(archive_, entry, 0), "13 ########");
    EXPECT_EQ(fill(other, entry, 5), "5 other########");

    // An archive changed on disk since it was read is opened again.
    EXPECT_EQ(viaTwoCalls(archive_, entry), QByteArray("ascii content"));
    ASSERT_TRUE(writeZip(archive_, {{QByteArray("plain.txt"), QByteArray("new content!"), true},
                                    {QByteArray("added.txt"), QByteArray("added")}}));
    EXPECT_EQ(viaTwoCalls(archive_, QStringLiteral("plain.txt")), QByteArray("new content!"));
    EXPECT_EQ(viaTwoCalls(archive_, QStringLiteral("added.txt")), QByteArray("added"));
    EXPECT_EQ(viaTwoCalls(archive_, QStringLiteral("big.bin")), QByteArray());
}

TEST(PakMany, ManyEntriesReadFromSeveralThreadsAtOnce) {
    QTemporaryDir dir;
    const QString archive = dir.filePath("keys.pak");
    const auto name = [](int i) { return QStringLiteral("keys/键%1.wav").arg(i); };
    std::vector<Entry> entries;
    for (int i = 0; i < 500; ++i)
        entries.push_back({name(i).toUtf8(), pattern(200 + i % 50, i), i % 2 == 0});
    ASSERT_TRUE(writeZip(archive, entries));
    vornix::closePakCache();
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = t; i < 500; i += 3)
                wrong += readPakEntry(archive, name(i)) != entries[size_t(i)].data;
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(wrong.load(), 0);
    vornix::closePakCache();
}
