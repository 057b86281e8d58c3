#include "WaveformJob.h"

#include <QByteArray>

#include "GstMusicDecoder.h"
#include "SoundBank.h"
#include "SoundFile.h"
#include "WaveformCache.h"

namespace lumidex::waveform {

WaveformJob::WaveformJob(WaveformRequest request, std::function<void()> onFinished)
    : request_(std::move(request)), onFinished_(std::move(onFinished)) {
    thread_ = std::thread([this] { run(); });
}

WaveformJob::~WaveformJob() {
    cancel();
    wait();
}

void WaveformJob::wait() {
    if (thread_.joinable()) thread_.join();
}

void WaveformJob::run() {
    QByteArray bytes;
    if (!readSoundFile(request_.musicDir, request_.snd, bytes)) {
        result_.message = QStringLiteral("Waveform: the music file cannot be read");
    } else {
        const audio::ByteView view{reinterpret_cast<const unsigned char*>(bytes.constData()),
                                   size_t(bytes.size())};
        const WaveformCache cache(request_.cacheFolder);
        const QByteArray key = WaveformCache::keyFor(view, request_.decoder, &cancel_);
        result_.analysis = cache.load(key);
        result_.fromCache = result_.analysis.table != nullptr;
        if (!result_.fromCache && !cancel_.load()) {
            auto decoder = request_.decoder == kDecoderDShow
                               ? openGstDecoder(request_.musicDir + request_.snd)
                               : openMusicDecoder(request_.decoder, view);
            if (decoder)
                result_.analysis =
                    analyse(*decoder, cancel_, [this](double f) { progress_.store(f); });
        }
        if (cancel_.load()) result_.analysis = Analysis{Outcome::Cancelled, nullptr, 0};
        result_.message = describe(result_.analysis);
        QString error;
        if (!result_.fromCache && result_.analysis.table &&
            !cache.store(key, result_.analysis, &error))
            result_.message += QStringLiteral(" (not cached: %1)").arg(error);
    }
    progress_.store(1);
    finished_.store(true);
    if (onFinished_) onFinished_();
}

}  // namespace lumidex::waveform
