#pragma once
// Sounds with clicks on known frames, encoded by the ffmpeg program into the
// formats the FFmpeg plug-in reads, and a plug-in folder of the test's own.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <vector>

#include "AudioTestSupport.h"
#include "DecoderPlugin.h"

namespace lumidex::test {

constexpr int kClickRate = 44100;
constexpr int kClickFrames = 3 * kClickRate;
// Frames of the source WAV holding a click (0.8 on both channels, over a
// quiet tone).
inline const std::vector<int> kClicks = {3000, 22050, 50000, 80001, 130000};

// The source: 16-bit stereo WAV at 44100 Hz, kClickFrames long.
const QByteArray& clickWav();

// One encoded format: a file extension and the ffmpeg codec options.
struct Encoding {
    const char* ext;
    const char* codec;
    int rate;      // the rate the file decodes at
    int shift;     // frames the ffmpeg program's own decode moves the clicks by
    float within;  // how far a decoded sample may stray after a seek
};
const std::vector<Encoding>& encodings();
// clickWav() encoded by the ffmpeg program (made once per run); empty when
// the program fails.
const QByteArray& encoded(const char* ext);
// Any WAV encoded by the ffmpeg program with extra options.
QByteArray ffmpegEncode(const QByteArray& wav, const QString& ext, const QStringList& options);

// Where each click lands in interleaved samples at `rate`: the frame of the
// loudest left sample within 2000 frames of where it should be.
std::vector<int> clickFrames(const Samples& decoded, int channels, int rate, int shift);

// The FFmpeg plug-in as built, loaded straight from its file.
std::shared_ptr<audio::DecoderPlugin> ffmpegPlugin();
// Every frame a decoder gives, interleaved.
Samples decodeAll(audio::Decoder& decoder);

// A plug-in folder for the BASS layer, restored to the program's own after.
class PluginFolder {
  public:
    PluginFolder();
    ~PluginFolder();
    // Copies a built library (or writes bytes) under name.
    bool copy(const QString& library, const QString& name) const;
    bool write(const QString& name, const QByteArray& bytes) const;
    QString path(const QString& name) const { return dir_.filePath(name); }

  private:
    QTemporaryDir dir_;
};

}  // namespace lumidex::test
