#include "Analysis.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "Bass.h"
#include "SoundBank.h"

namespace lumidex::waveform {

namespace {

using audio::Container;

constexpr int kBlocksPerRead = 64;  // 8192 frames a read, as the decode alone reads
// A file counts as ending early when it stops more than this short of the
// length it announced (compressed files announce an estimate).
constexpr double kShortFraction = 0.01;

// "m:ss" of a length in seconds.
QString lengthText(double seconds) {
    const int64_t whole = int64_t(std::floor(seconds));
    return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

std::unique_ptr<audio::Decoder> openMusicDecoder(int decoderChoice, audio::ByteView bytes) {
    if (decoderChoice == kDecoderMiles) {
        // WAV through libsndfile, else MP3 through libmpg123, as Miles loads.
        if (auto wav = audio::openSndfileDecoder(bytes, audio::containers(Container::Wav)))
            return wav;
        return audio::openMpg123Decoder(bytes, audio::containers(Container::Mp3));
    }
    return audio::openAsBassStream(bytes);
}

Analysis analyse(audio::Decoder& decoder, const std::atomic<bool>& cancel,
                 const std::function<void(double)>& progress) {
    const audio::SoundFormat& format = decoder.format();
    Analysis result;
    result.expectedFrames = format.frames;
    if (format.channels < 1 || format.sampleRate < 1) return result;
    auto table = std::make_shared<PeakTable>(format.sampleRate, format.channels);
    const int64_t readFrames = int64_t(PeakTable::kBlockFrames) * kBlocksPerRead;
    std::vector<float> samples(size_t(readFrames) * size_t(format.channels));
    int64_t decoded = 0;
    for (;;) {
        if (cancel.load(std::memory_order_relaxed)) {
            result.outcome = Outcome::Cancelled;
            return result;
        }
        const int64_t got = decoder.read(samples.data(), readFrames);
        if (got <= 0) break;
        for (int64_t at = 0; at < got; at += PeakTable::kBlockFrames)
            table->appendBlock(samples.data() + at * format.channels,
                               int(std::min<int64_t>(PeakTable::kBlockFrames, got - at)));
        decoded += got;
        if (progress && format.frames > 0)
            progress(std::min(1.0, double(decoded) / double(format.frames)));
    }
    table->finish();
    const double shortBy = double(format.frames - decoded);
    if (decoded == 0)
        result.outcome = Outcome::Undecodable;
    else if (shortBy > std::max(double(format.sampleRate) / 10, format.frames * kShortFraction))
        result.outcome = Outcome::EndedEarly;
    else if (table->span(0, double(table->frames())).peak == 0)
        result.outcome = Outcome::Silent;
    else
        result.outcome = Outcome::Complete;
    if (decoded > 0) result.table = std::move(table);
    return result;
}

QString describe(const Analysis& analysis) {
    const double seconds = analysis.table ? analysis.table->seconds() : 0;
    const QString length = lengthText(seconds);
    switch (analysis.outcome) {
        case Outcome::Complete:
            return QStringLiteral("Waveform: %1 of music").arg(length);
        case Outcome::EndedEarly:
            return QStringLiteral(
                       "Waveform: the music ends early; only the first %1 could be decoded")
                .arg(length);
        case Outcome::Silent:
            return QStringLiteral("Waveform: the music is silent (%1)").arg(length);
        case Outcome::Cancelled:
            return QStringLiteral("Waveform: cancelled");
        case Outcome::Undecodable:
            break;
    }
    return QStringLiteral("Waveform: the music cannot be decoded");
}

}  // namespace lumidex::waveform
