#pragma once
// The demo song: a tempo map with a tempo change and a scroll-speed section,
// a note for every kind that has a picture, nine key sounds and the backing
// music, all made here. The layout on disk follows the game's: a "game
// folder" holding songs/demo/demo.xml and pvx_music/demo/, so the editor's
// default music path "../../pvx_music/" finds the sounds from the chart.

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

#include "ChartDocument.h"
#include "Synth.h"

namespace lumidex::demo {

constexpr int kCoordsPerBeat = 12;

struct DemoNote {
    double beat;   // whole or half beats
    uint8_t kind;  // 5, 16..24, 26, 27, 32..34, long-note starts and ends
    int16_t key;   // 1-based key sound, 0 for long-note ends
};

struct DemoKey {
    QString snd;     // as written in the chart, relative to the music folder
    QString volume;  // volume text
    std::function<SoundBuffer()> make;
};

const std::vector<DemoNote>& demoNotes();
const std::vector<DemoKey>& demoKeys();

// The music file's name in the chart, relative to the music folder. MP3, the
// one compressed format all three decoders open.
inline const QString kMusicSnd = QStringLiteral("demo/demo.mp3");
// Where the chart goes, relative to the game folder.
inline const QString kChartPath = QStringLiteral("songs/demo/demo.xml");
inline const QString kMusicFolder = QStringLiteral("pvx_music/");

// Seconds from coord 0 to a beat, following the chart's tempo map.
double beatSeconds(double beat);

// Fills doc with the demo chart (tempo, notes, key list, header texts).
void buildChart(ChartDocument& doc);

// The backing music: pads, bass and shaker in step with the tempo map.
SoundBuffer renderMusic();

// Writes the chart and every sound below gameDir. False with a reason when a
// file cannot be written.
bool writeDemo(const QString& gameDir, QString* error);

}  // namespace lumidex::demo
