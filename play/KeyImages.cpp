#include "KeyImages.h"

#include <QFileInfo>

#include "SoundFile.h"

namespace lumidex {

namespace {

// One name for each file or entry, however the key spells its path.
QString idOf(const SoundLocation& where) {
    const QString file = QFileInfo(where.path).canonicalFilePath();
    if (where.kind == SoundLocation::Loose) return file;
    return file + QLatin1Char('\n') + where.entry;
}

}  // namespace

KeyImages::Image KeyImages::take(const QString& musicDir, const QString& fn) {
    Image image;
    const SoundLocation where = locateSound(musicDir, fn);
    if (where.kind == SoundLocation::Missing) return image;
    image.id = idOf(where);
    if (auto held = images_.find(image.id); held != images_.end()) {
        image.bytes = held->second;
        return image;
    }
    // The size is known before reading: a sound past the budget is never read.
    if (bytesHeld() + where.size > budget_) return image;
    if (!readSoundFile(musicDir, fn, image.bytes) || bytesHeld() + image.bytes.size() > budget_) {
        image.bytes.clear();
        return image;
    }
    images_[image.id] = image.bytes;
    return image;
}

void KeyImages::keepOnly(const std::set<QString>& inUse) {
    for (auto it = images_.begin(); it != images_.end();)
        it = inUse.count(it->first) ? std::next(it) : images_.erase(it);
}

int64_t KeyImages::bytesHeld() const {
    int64_t bytes = 0;
    for (const auto& [id, image] : images_) bytes += image.size();
    return bytes;
}

}  // namespace lumidex
