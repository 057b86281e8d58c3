#pragma once
// A chart, its sounds and the playback engine on a manual output. Key sound k
// (1..8) is a single sample of value 2^-k, so every output frame says exactly
// which keys started on it; the music is silence of the length asked for.

#include <cmath>
#include <map>
#include <vector>

#include "AudioSystem.h"
#include "AudioTestSupport.h"
#include "ChartDocument.h"
#include "OfflineRender.h"
#include "Playback.h"
#include "ScriptedDialogs.h"
#include "SoundBank.h"
#include "chart/LiteralWalk.h"

namespace lumidex::test {

constexpr int kKeys = 8;

// Onsets as output frame -> bit set of keys (bit k for key k).
using Onsets = std::map<int64_t, int>;

inline int keyBits(float sample) {
    int bits = 0;
    for (int k = 1; k <= kKeys; ++k) {
        const float v = std::ldexp(1.0f, -k);
        if (sample >= v) {
            bits |= 1 << k;
            sample -= v;
        }
    }
    return bits;
}

// The key starts heard in left-channel samples, the first at frame `from`:
// the keys sounding in a frame that did not in the frame before (*before).
inline void collectOnsets(const std::vector<float>& leftSamples, int64_t from, Onsets& onsets,
                          float* before) {
    for (size_t i = 0; i < leftSamples.size(); ++i) {
        if (const int started = keyBits(leftSamples[i]) & ~keyBits(*before))
            onsets[from + int64_t(i)] |= started;
        *before = leftSamples[i];
    }
}

class PlayFixture : public ManualAudio {
  protected:
    void SetUp() override {
        ManualAudio::SetUp();
        doc.InitArea();
        doc.KeyCount = kKeys;
        doc.keySound(0) = KeySound{QStringLiteral("music.wav"), QStringLiteral("1.00")};
        writeKeys(1);
    }
    // Tempo and speed `bpm` everywhere, `last` coords long, the delay putting
    // music time 0 on coord 0.
    void uniformChart(double bpm, int last) {
        doc.fillSpeedTempoFrom(0, bpm, bpm);
        doc.Delay = 3;
        doc.LastCoord = last;
    }
    // Key k: `frames` samples of 2^-k. Single samples tell every start apart;
    // longer ones only starts of keys that are not sounding.
    void writeKeys(int frames) {
        for (int k = 1; k <= kKeys; ++k) {
            const QString name = QStringLiteral("k%1.wav").arg(k);
            doc.keySound(k) = KeySound{name, QStringLiteral("1.00")};
            ASSERT_TRUE(
                writeAll(musicDir + name, wavFloat(constant(frames, 1, std::ldexp(1.0f, -k)))));
        }
    }
    void TearDown() override {
        close();
        players.releaseAll();
        ManualAudio::TearDown();
    }

    // Silent music of the given length, and the keys, opened with decoder.
    void openSounds(double seconds, int decoder = kDecoderBass) {
        ASSERT_TRUE(
            writeAll(musicDir + "music.wav", wavFloat(constant(int(seconds * 44100), 1, 0.0f))));
        open(decoder);
    }
    // The music and keys as written, opened with decoder.
    void open(int decoder) {
        bank.setDecoder(decoder);
        ScriptedDialogs ui;
        ASSERT_TRUE(bank.openMusic(doc, musicDir, ui));
        bank.openKeys(doc, musicDir, ui);
        ASSERT_TRUE(ui.messages().isEmpty()) << ui.messages().join('\n').toStdString();
    }
    void close() {
        playback.stop();
        bank.closeMusic();
        bank.closeKeys();
    }

    audio::Mixer& mixer() { return *audio::AudioSystem::instance().mixer(); }
    int64_t head() { return mixer().renderHead(); }
    // The music's source frame now.
    double musicAt() { return mixer().status(bank.music().stream())->position; }

    // Steps and renders as the editor does, up to `frames` more output frames
    // or the end of playback; answers false when playback ended.
    bool drive(int64_t frames) {
        const int64_t until = head() + frames;
        while (head() < until) {
            if (!playback.step().running) return false;
            const int n = int(std::min<int64_t>(until - head(), kRenderBlock));
            const int64_t at = head();
            collectOnsets(left(advance(n)), at, heard, &lastSample);
        }
        return true;
    }
    void driveToEnd() {
        while (drive(44100)) {
        }
    }

    // Where a note's key sound must start: the first output frame at which
    // the music, from source frame p0 at output frame s and moving `step`
    // source frames per output frame, reaches the note's time.
    int64_t expectedOnset(int coord, int64_t s, double p0, double step = 1.0) const {
        const double frames = *walk::coordSum(doc, coord, false);
        const double source = (frames - (doc.Delay - 3)) / 60 * 44100;
        return s + std::max<int64_t>(0, int64_t(std::ceil((source - p0) / step - 1e-9)));
    }
    // The onsets of the notes on coords from..to (the chart's end by default)
    // for that music: note c sounds key keyOf(c), heard as bit bitOf(key).
    Onsets expectedOnsets(int64_t s, double p0, int from = 0, int to = -1, double step = 1) const {
        Onsets onsets;
        for (int c = from; c <= (to < 0 ? doc.LastCoord : to); ++c)
            if (const int k = keyOf(c)) onsets[expectedOnset(c, s, p0, step)] |= bitOf(k);
        return onsets;
    }
    virtual int keyOf(int coord) const { return noteKey(doc, coord); }
    virtual int bitOf(int key) const { return 1 << key; }

    ChartDocument doc;
    PlayerSlots players;
    SoundBank bank{players};
    Playback playback{doc, bank};
    Onsets heard;
    float lastSample = 0;
};

}  // namespace lumidex::test
