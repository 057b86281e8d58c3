#include "PluginTestSupport.h"

#include <QFile>

#include <cmath>
#include <map>

#include "Bass.h"
#include "support/ToolRun.h"

namespace lumidex::test {

const QByteArray& clickWav() {
    static const QByteArray wav = [] {
        Samples s = sine(kClickFrames, 2, 440, kClickRate);
        for (float& v : s) v *= 0.05f;
        for (int click : kClicks) s[2 * click] = s[2 * click + 1] = 0.8f;
        return encode(SF_FORMAT_WAV | SF_FORMAT_PCM_16, kClickRate, 2, s);
    }();
    return wav;
}

const std::vector<Encoding>& encodings() {
    // The ffmpeg program's WMA encoder writes its stream a frame (2048
    // samples) ahead of the source, and its own decoder plays it that way.
    // AAC and Opus decoders carry state (noise generators, prediction) that a
    // seek cannot restore exactly; a misplaced frame would differ by far more.
    static const std::vector<Encoding> list = {
        {"m4a", "aac", 44100, 0, 0.01f},
        {"opus", "libopus", 48000, 0, 0.02f},
        {"wv", "wavpack", 44100, 0, 0.0f},
        {"wma", "wmav2", 44100, -2048, 0.0f},
    };
    return list;
}

QByteArray ffmpegEncode(const QByteArray& wav, const QString& ext, const QStringList& options) {
    QTemporaryDir dir;
    const QString in = dir.filePath("in.wav");
    const QString out = dir.filePath("out." + ext);
    if (!writeAll(in, wav)) return {};
    const QStringList args =
        QStringList{"-v", "error", "-y", "-i", in} + options + QStringList{out};
    return runTool(args, {}, QStringLiteral("ffmpeg")).exitCode == 0 ? readAll(out) : QByteArray();
}

const QByteArray& encoded(const char* ext) {
    static std::map<QString, QByteArray> made;
    QByteArray& bytes = made[QString::fromLatin1(ext)];
    if (bytes.isEmpty())
        for (const Encoding& e : encodings())
            if (QLatin1String(e.ext) == QLatin1String(ext))
                bytes = ffmpegEncode(clickWav(), ext,
                                     {"-c:a", e.codec, "-b:a", "192k", "-strict", "-2"});
    return bytes;
}

std::vector<int> clickFrames(const Samples& decoded, int channels, int rate, int shift) {
    std::vector<int> found;
    const int64_t frames = int64_t(decoded.size()) / channels;
    for (int click : kClicks) {
        const int64_t at = std::llround(double(click) * rate / kClickRate) + shift;
        int64_t best = -1;
        for (int64_t f = std::max<int64_t>(0, at - 2000); f < std::min(frames, at + 2000); ++f)
            if (best < 0 || std::fabs(decoded[f * channels]) > std::fabs(decoded[best * channels]))
                best = f;
        found.push_back(int(best));
    }
    return found;
}

std::shared_ptr<audio::DecoderPlugin> ffmpegPlugin() {
    static const auto plugin =
        audio::DecoderPlugin::load(QStringLiteral(LUMIDEX_FFMPEG_PLUGIN)).plugin;
    return plugin;
}

Samples decodeAll(audio::Decoder& decoder) {
    const int channels = decoder.format().channels;
    Samples all;
    Samples block(4096 * size_t(channels));
    while (const int64_t n = decoder.read(block.data(), 4096))
        all.insert(all.end(), block.begin(), block.begin() + n * channels);
    return all;
}

PluginFolder::PluginFolder() {
    audio::setBassPluginFolder(dir_.path());
}

PluginFolder::~PluginFolder() {
    audio::setBassPluginFolder(QString());
}

bool PluginFolder::copy(const QString& library, const QString& name) const {
    return QFile::copy(library, path(name));
}

bool PluginFolder::write(const QString& name, const QByteArray& bytes) const {
    return writeAll(path(name), bytes);
}

}  // namespace lumidex::test
