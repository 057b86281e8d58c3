#include "MusicHints.h"

#include <QDir>
#include <QFileInfo>

namespace lumidex {

QString musicLookedAt(const QString& musicDir, const QString& snd) {
    const QString path = QDir::cleanPath(QFileInfo(musicDir + snd).absoluteFilePath());
    return QStringLiteral("Looked for the music at ") + path;
}

QString playRefusal(SoundBank& bank) {
    const bool open = bank.usesMixer() ? bank.music().loaded() : bank.musicGraph() != nullptr;
    return open ? QString() : kOpenMusicFirst;
}

}  // namespace lumidex
