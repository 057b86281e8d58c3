#include "NewChart.h"

namespace lumidex {

HeaderTexts newChartHeader() {
    HeaderTexts h;
    h.LongCorrectVal = QStringLiteral("4");
    h.Delay = QStringLiteral("0");
    h.BGMVolume = QStringLiteral("1.00");
    h.BGM = QStringLiteral("mr.mp3");
    h.MusicPath = QStringLiteral("../../pvx_music/");
    return h;
}

void startNewChart(ChartDocument& doc) {
    doc.InitArea();
    doc.LongCorrection = 4;
    doc.Header = newChartHeader();
    doc.keySound(0) = KeySound{doc.Header.BGM, doc.Header.BGMVolume};
}

}  // namespace lumidex
