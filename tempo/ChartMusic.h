#pragma once
// The music of a chart, found as "&Open" finds it: the file named by the
// music's sound slot below the music directory (the chart's folder joined
// with "pvx_music Path"), loose or inside a PAK archive.

#include <QByteArray>
#include <QString>

#include "ChartDocument.h"

namespace lumidex::tempo {

// Where the music is looked for (the loose file's path).
QString chartMusicPath(const ChartDocument& doc, const QString& chartDir);
// Reads it; false when it is missing or cannot be read.
bool readChartMusic(const ChartDocument& doc, const QString& chartDir, QByteArray* bytes);

}  // namespace lumidex::tempo
