#pragma once
// lumidex-chart sounds: where the editor finds a chart's music and key sounds
// and whether each decoder opens them. The pieces are public for the tests.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "AudioEngines.h"
#include "ChartDocument.h"
#include "SoundFile.h"

class QCommandLineParser;

namespace lumidex::cli {

// One decoder's verdict on one sound.
struct DecoderCheck {
    QString decoder;  // "bass", "miles" or "dshow"
    bool opened = false;
    QString error;  // the editor's message when not opened
    double seconds = 0;
    int channels = 0;  // 0: the decoder does not tell
    int rate = 0;
};
// Each opens musicDir + snd as the editor's "&Open" does with that decoder.
// BASS and Miles also find PAK entries and need their engines running;
// DirectShow opens loose files only. Miles tells the length only.
DecoderCheck checkWithBass(const QString& musicDir, const QString& snd);
DecoderCheck checkWithMiles(const QString& musicDir, const QString& snd);
DecoderCheck checkWithDShow(const QString& musicDir, const QString& snd);

// The BASS layer's plug-in folder, the plug-ins loaded from it with their
// formats, and every file there that was skipped with the reason.
QString describeBassPlugins();

// The decoders a --decoder value names, in report order; empty when the
// value is not one of bass, miles, dshow, all.
QStringList decodersNamed(const QString& value);

// The BASS and Miles engines started as the editor starts them, for the
// length of one report, when the decoders name either; their start-up
// messages go into *report.
class EngineSession {
  public:
    EngineSession(const QStringList& decoders, QString* report);
    ~EngineSession();
    EngineSession(const EngineSession&) = delete;
    EngineSession& operator=(const EngineSession&) = delete;

    // The shared output's underruns so far; nothing when it does not run.
    static std::optional<uint64_t> underruns();

  private:
    AudioEngines engines_;
};

// The chart a sound-checking command (sounds, check) reads: CHART loaded as
// the editor opens it (--pak for an archive), and the folder its sounds are
// looked for in (the chart's folder joined with --music-path, or with the
// chart's own "pvx_music Path").
struct SoundsChart {
    ChartDocument doc;
    QString musicDir;
    QStringList repaired;  // what the chart holds differently from the file
};
void addSoundsChartOptions(QCommandLineParser& parser);
// Null, with the load's message printed, when the chart cannot be loaded.
// Sets the null audio device first: checking sounds must not depend on a
// sound card, nor make a sound.
std::unique_ptr<SoundsChart> loadSoundsChart(const QCommandLineParser& parser);

// Writes the report for the music and every key sound of doc to *report and
// answers the number of problems (a missing file, a decoder that failed).
// Starts and stops the BASS and Miles engines when they are asked for.
int reportSounds(const ChartDocument& doc, const QString& musicDir, const QStringList& decoders,
                 QString* report);

}  // namespace lumidex::cli
