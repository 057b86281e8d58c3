#include "AudioTestSupport.h"

#include <QFile>

#include <cmath>

#include "AudioSystem.h"
#include "Bass.h"
#include "Miles.h"
#include "Vornix.h"

namespace lumidex::test {

Samples constant(int frames, int channels, float value) {
    return Samples(size_t(frames) * size_t(channels), value);
}

Samples sine(int frames, int channels, double hz, int rate) {
    Samples s;
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c)
            s.push_back(float(0.5 * std::sin(2 * M_PI * hz * i / rate)));
    }
    return s;
}

QByteArray encode(int sfFormat, int rate, int channels, const Samples& samples) {
    QTemporaryDir tmp;
    const QByteArray path = QFile::encodeName(tmp.filePath(QStringLiteral("sound")));
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = sfFormat;
    SNDFILE* f = sf_open(path.constData(), SFM_WRITE, &info);
    if (!f) return {};
    sf_writef_float(f, samples.data(), sf_count_t(samples.size() / size_t(channels)));
    sf_close(f);
    return readAll(QFile::decodeName(path));
}

QByteArray wavFloat(const Samples& samples, int channels, int rate) {
    return encode(SF_FORMAT_WAV | SF_FORMAT_FLOAT, rate, channels, samples);
}

QByteArray tone(int sfFormat, int frames, int channels, int rate) {
    return encode(sfFormat, rate, channels, sine(frames, channels, 440, rate));
}

bool writeTone(const QString& path, double seconds, int channels, int rate, int sfFormat) {
    const QByteArray bytes = tone(sfFormat, int(seconds * rate), channels, rate);
    return !bytes.isEmpty() && writeAll(path, bytes);
}

QByteArray wav16(int frames, int channels, int rate) {
    return tone(SF_FORMAT_WAV | SF_FORMAT_PCM_16, frames, channels, rate);
}

QByteArray mp3(int frames, int channels, int rate) {
    return tone(SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, frames, channels, rate);
}

QByteArray ogg(int frames, int channels, int rate) {
    return tone(SF_FORMAT_OGG | SF_FORMAT_VORBIS, frames, channels, rate);
}

audio::ByteView view(const QByteArray& bytes) {
    return {reinterpret_cast<const unsigned char*>(bytes.constData()), size_t(bytes.size())};
}

std::vector<float> left(const std::vector<float>& stereo) {
    std::vector<float> l;
    for (size_t i = 0; i < stereo.size(); i += 2) l.push_back(stereo[i]);
    return l;
}

int firstSound(const std::vector<float>& stereo) {
    for (size_t i = 0; i < stereo.size(); i += 2)
        if (stereo[i] != 0.0f) return int(i / 2);
    return -1;
}

void ManualAudio::SetUp() {
    ASSERT_TRUE(dir.isValid());
    musicDir = dir.path() + QLatin1Char('/');
    audio::AudioSystem::instance().setOutputFactory(
        [] { return std::make_unique<audio::ManualOutput>(); });
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    ASSERT_EQ(AIL_quick_startup(1, 0, 44100, 16, 2), 1);
}

void ManualAudio::TearDown() {
    vornix::closePakCache();  // no archive a test wrote stays open for the next
    AIL_quick_shutdown();
    BASS_Free();
    audio::AudioSystem::instance().setOutputFactory({});
}

audio::ManualOutput* manualOutput() {
    return dynamic_cast<audio::ManualOutput*>(audio::AudioSystem::instance().output());
}

std::vector<float> ManualAudio::advance(int frames) {
    audio::ManualOutput* output = manualOutput();
    return output ? output->advance(frames) : std::vector<float>();
}

}  // namespace lumidex::test
