#include "ChartMusic.h"

#include "FileIO.h"
#include "SoundFile.h"

namespace lumidex::tempo {
namespace {

QString musicDir(const ChartDocument& doc, const QString& chartDir) {
    return JoinPath(chartDir, doc.Header.MusicPath);
}

}  // namespace

QString chartMusicPath(const ChartDocument& doc, const QString& chartDir) {
    return musicDir(doc, chartDir) + doc.keySound(0).Snd;
}

bool readChartMusic(const ChartDocument& doc, const QString& chartDir, QByteArray* bytes) {
    return readSoundFile(musicDir(doc, chartDir), doc.keySound(0).Snd, *bytes);
}

}  // namespace lumidex::tempo
