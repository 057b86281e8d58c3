#pragma once
// The file images of the open key sounds. Each file, or PAK archive entry, is
// read once and its bytes are shared by every key that names it (QByteArray
// shares, the players read in place), so forty keys naming one large entry
// hold it once. The images held stay within a memory budget: a sound that
// would pass it is refused, and its key stays silent like one that cannot be
// opened.
//
// Window thread only.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>
#include <set>

namespace lumidex {

class KeyImages {
  public:
    // The most bytes of key sound files held at once.
    static constexpr int64_t kDefaultBudget = int64_t(512) << 20;

    explicit KeyImages(int64_t budget = kDefaultBudget) : budget_(budget) {}

    struct Image {
        QByteArray bytes;  // empty when the sound is missing, unreadable or refused
        QString id;        // the file or entry it came from; empty when missing
    };
    // The image of the sound fn below musicDir (as SoundFile.h finds it):
    // the one already held for that file or entry, else read now.
    Image take(const QString& musicDir, const QString& fn);
    // Lets go of every image whose id is not in use.
    void keepOnly(const std::set<QString>& inUse);
    void clear() { images_.clear(); }

    int64_t bytesHeld() const;
    void setBudget(int64_t bytes) { budget_ = bytes; }

  private:
    int64_t budget_;
    std::map<QString, QByteArray> images_;
};

}  // namespace lumidex
