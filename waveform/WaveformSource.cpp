#include "WaveformSource.h"

#include <QMetaObject>

#include <algorithm>

namespace lumidex::waveform {

WaveformSource::WaveformSource(QString cacheFolder) : cacheFolder_(std::move(cacheFolder)) {}

WaveformSource::~WaveformSource() {
    if (job_) job_->cancel();
    for (auto& job : retired_) job->cancel();
}

void WaveformSource::open(const QString& musicDir, const QString& snd, int decoder) {
    close();
    decoder_ = decoder;
    message_ = QStringLiteral("Waveform: analysing the music...");
    const unsigned generation = ++generation_;
    QObject* context = &context_;
    // The job tells of its end on its own thread; the result is taken on the
    // owner's thread, unless the job was cancelled or replaced by then.
    job_ = std::make_unique<WaveformJob>(
        WaveformRequest{musicDir, snd, decoder, cacheFolder_}, [this, context, generation] {
            QMetaObject::invokeMethod(
                context, [this, generation] { delivered(generation); }, Qt::QueuedConnection);
        });
}

void WaveformSource::close() {
    ++generation_;
    retire();
    table_.reset();
    message_.clear();
}

void WaveformSource::settle() {
    if (!job_) return;
    job_->wait();
    adopt();
}

void WaveformSource::delivered(unsigned generation) {
    // Jobs cancelled earlier may have ended meanwhile.
    retired_.erase(std::remove_if(retired_.begin(), retired_.end(),
                                  [](const auto& job) { return job->finished(); }),
                   retired_.end());
    if (generation == generation_ && job_ && job_->finished()) adopt();
}

void WaveformSource::adopt() {
    job_->wait();
    const WaveformResult& result = job_->result();
    table_ = result.analysis.table;
    message_ = result.message;
    job_.reset();
    if (onChanged_) onChanged_();
}

void WaveformSource::retire() {
    if (!job_) return;
    job_->cancel();
    if (job_->finished())
        job_.reset();
    else
        retired_.push_back(std::move(job_));
}

}  // namespace lumidex::waveform
