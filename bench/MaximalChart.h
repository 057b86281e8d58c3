#pragma once
// The largest chart the model holds: 30000 coords, a note on every third
// coord with a long note every 60 coords, 1000 tempo changes and 2000 key
// sounds.

#include <memory>

#include "ChartDocument.h"

namespace lumidex {

inline std::unique_ptr<ChartDocument> maximalChart() {
    auto doc = std::make_unique<ChartDocument>();
    doc->InitArea();
    doc->fillSpeedTempoFrom(0, 150, 150);
    for (int i = 1; i <= 1000; ++i)  // alternating scroll speed every 30 coords
        doc->fillSpeedTempoFrom(i * 30 - 15, i % 2 ? 300 : 150, 150);
    for (int c = 0; c < kMaxCoord; c += 3) {
        if (c % 60 == 0) {
            doc->setNote(c, 128 + 3 * (c / 60 % 6), 1 + c % 2000);
            doc->setNote(c + 24, 130 + 3 * (c / 60 % 6), 0);
        } else if (c % 60 > 24) {
            doc->setNote(c, 16 + c % 19, 1 + c % 2000);
        }
    }
    for (int k = 1; k <= kMaxKeySound; ++k)
        doc->keySound(k) = KeySound{QStringLiteral("key%1.wav").arg(k), QStringLiteral("1.00")};
    doc->KeyCount = kMaxKeySound;
    doc->keySound(0) = KeySound{QStringLiteral("song.mp3"), QStringLiteral("1.00")};
    doc->Delay = 10;
    doc->LastCoord = kMaxCoord;
    doc->Header.Name = QStringLiteral("Maximal");
    doc->Header.BPM = doc->Header.BPMO = QStringLiteral("150");
    doc->Header.Length = QStringLiteral("30000");
    return doc;
}

// The chart of the resave timing: a note in every one of the 30001 cells (a
// long note every 60 coords), 2000 key sounds and a scroll speed change every
// 12 coords, so the file holds 2500 BPM elements (the load reads the first
// 1000 and says so).
inline std::unique_ptr<ChartDocument> fullChart() {
    auto doc = maximalChart();
    for (int c = 12; c <= kMaxCoord; c += 12) doc->fillSpeedTempoFrom(c, c % 24 ? 300 : 150, 150);
    for (int c = 0; c <= kMaxCoord; ++c) {
        const int inLong = c % 60;
        if (inLong == 0)
            doc->setNote(c, 128 + 3 * (c / 60 % 6), 1 + c % 2000);
        else if (inLong == 24)
            doc->setNote(c, 130 + 3 * (c / 60 % 6), 0);
        else
            doc->setNote(c, 16 + c % 19, 1 + c % 2000);
    }
    return doc;
}

}  // namespace lumidex
