#pragma once
// Sound files made on the spot with libsndfile, PAK archives made with
// libzip, and a fixture that runs both engines on a manual output.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sndfile.h>

#include <utility>
#include <vector>

#include "Bass.h"
#include "Decoder.h"
#include "support/FileHelpers.h"
#include "support/ZipHelpers.h"

namespace lumidex::audio {
class ManualOutput;
}

namespace lumidex::test {

// Interleaved samples.
using Samples = std::vector<float>;

// Every channel of frame i holds value(i).
Samples constant(int frames, int channels, float value);
Samples sine(int frames, int channels, double hz, int rate);

// The bytes of a sound file in a libsndfile format (SF_FORMAT_...). Empty
// when libsndfile cannot write it.
QByteArray encode(int sfFormat, int rate, int channels, const Samples& samples);

// A 440 Hz sine of the given length in a libsndfile format.
QByteArray tone(int sfFormat, int frames, int channels = 2, int rate = 44100);
// That tone, seconds long, written to path; false on failure.
bool writeTone(const QString& path, double seconds, int channels = 2, int rate = 44100,
               int sfFormat = SF_FORMAT_WAV | SF_FORMAT_PCM_16);

// Common test sounds.
QByteArray wavFloat(const Samples& samples, int channels = 1, int rate = 44100);
QByteArray wav16(int frames, int channels = 2, int rate = 44100);
QByteArray mp3(int frames, int channels = 2, int rate = 44100);
QByteArray ogg(int frames, int channels = 2, int rate = 44100);

// The bytes, as a decoder is given them.
audio::ByteView view(const QByteArray& bytes);

// The left channel of interleaved stereo output.
std::vector<float> left(const std::vector<float>& stereo);
// The first frame whose left sample is not 0; -1 when all are.
int firstSound(const std::vector<float>& stereo);

// A BASS stream of a file image in memory, opened as the editor's player opens one.
inline HSTREAM streamOf(const QByteArray& bytes) {
    return BASS_StreamCreateFile(TRUE, bytes.constData(), 0, QWORD(bytes.size()), BASS_UNICODE);
}
// The error code a BASS call that answered `result` set: -1 unless result is
// the failure answer (0, FALSE).
template <class T>
int bassFailure(T result) {
    return result == T(0) ? BASS_ErrorGetCode() : -1;
}

// The audio system's output when it is a manual one, else null.
audio::ManualOutput* manualOutput();

// Both engines on a manual output: nothing plays until advance().
class ManualAudio : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Renders and "hears" the next frames; answers them (stereo, interleaved).
    std::vector<float> advance(int frames);
    // Writes bytes to musicDir + name and answers player.LoadFile of it.
    template <class Player>
    int32_t loadSound(Player& player, const QByteArray& bytes, const QString& name = "k.wav") {
        EXPECT_TRUE(writeAll(musicDir + name, bytes));
        return player.LoadFile(musicDir, name);
    }

    QTemporaryDir dir;
    QString musicDir;  // dir's path with a trailing "/"
};

}  // namespace lumidex::test
