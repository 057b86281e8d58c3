#include "TempoAnalysis.h"

#include <cmath>
#include <vector>

#include "Decoder.h"
#include "OnsetSignal.h"

namespace lumidex::tempo {
namespace {

// The formats the BASS layer plays, decoded as it decodes them.
constexpr audio::ContainerSet kFormats = audio::Container::Wav | audio::Container::Aiff |
                                         audio::Container::Flac | audio::Container::OggVorbis |
                                         audio::Container::OggOpus | audio::Container::Mp3;

constexpr int64_t kBlockFrames = 16384;
// Decoding and the onset signal take most of the time; finding the beat the
// rest.
constexpr double kDecodingShare = 0.9;

TempoReport stopped(TempoReport::Outcome outcome, const QString& message) {
    TempoReport r;
    r.outcome = outcome;
    r.message = message;
    return r;
}

}  // namespace

double delayFor(double bpm, double firstBeat) {
    const double beat = 60.0 / bpm;
    double back = std::fmod(firstBeat, beat);  // the grid's last beat at or before 0 s
    if (back < 0) back += beat;
    if (beat - back < 1e-9) back = 0;
    return std::round((kStartShiftFrames + 60.0 * (back > 0 ? beat - back : 0)) * 1000) / 1000;
}

TempoReport analyseMusic(const QByteArray& bytes, const TempoProgress& progress) {
    const audio::ByteView view{reinterpret_cast<const unsigned char*>(bytes.constData()),
                               size_t(bytes.size())};
    std::unique_ptr<audio::Decoder> decoder = audio::openSndfileDecoder(view, kFormats);
    if (!decoder)
        return stopped(TempoReport::Unreadable, QStringLiteral("The music cannot be read"));
    return analyseDecoder(*decoder, progress);
}

TempoReport analyseDecoder(audio::Decoder& decoder, const TempoProgress& progress) {
    const audio::SoundFormat& format = decoder.format();
    if (format.sampleRate <= 0 || format.channels <= 0)
        return stopped(TempoReport::Unreadable, QStringLiteral("The music cannot be read"));
    const int channels = format.channels;
    const int64_t limit = int64_t(kMaxAnalysedSeconds * format.sampleRate);
    const double expected = double(std::min(format.frames > 0 ? format.frames : limit, limit));
    OnsetDetector onsets(format.sampleRate);
    std::vector<float> block(size_t(kBlockFrames * channels));
    std::vector<float> mono(static_cast<size_t>(kBlockFrames));
    int64_t done = 0;
    TempoReport report;
    while (done < limit) {
        const int64_t got = decoder.read(block.data(), std::min(kBlockFrames, limit - done));
        if (got <= 0) break;
        for (int64_t i = 0; i < got; ++i) {
            float sum = 0;
            for (int c = 0; c < channels; ++c) sum += block[size_t(i * channels + c)];
            mono[size_t(i)] = sum / float(channels);
        }
        onsets.push(mono.data(), size_t(got));
        done += got;
        if (progress && !progress(kDecodingShare * std::min(1.0, double(done) / expected)))
            return stopped(TempoReport::Cancelled, QStringLiteral("Cancelled"));
    }
    if (done >= limit) {
        report.truncated = decoder.read(block.data(), 1) > 0;
    }
    report.seconds = double(done) / format.sampleRate;
    if (done == 0)
        return stopped(TempoReport::Unreadable, QStringLiteral("The music cannot be read"));
    bool cancelled = false;
    report.beat = findBeat(onsets.finish(), [&] {
        cancelled = cancelled || (progress && !progress(kDecodingShare));
        return !cancelled;
    });
    if (cancelled) return stopped(TempoReport::Cancelled, QStringLiteral("Cancelled"));
    if (!report.beat.found) {
        report.outcome = TempoReport::NoBeat;
        report.message = report.beat.reason;
        return report;
    }
    report.outcome = TempoReport::Beat;
    report.delay = delayFor(report.beat.bpm, report.beat.firstBeat);
    if (progress) progress(1.0);
    return report;
}

}  // namespace lumidex::tempo
