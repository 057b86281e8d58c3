#pragma once
// The waveform of the open music, as the window sees it: opening music
// starts an analysis on a worker thread (WaveformJob); opening other music,
// closing it or opening another chart cancels the one under way, whose
// result is then never shown. Jobs still stopping are kept until their thread
// ends, so the window thread never waits for a decoder.
//
// Window thread only (the owner's thread). onChanged runs there, through the
// event loop, when an analysis ends; settle() ends the wait at once for
// callers without an event loop (the command line, tests).

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

#include "WaveformJob.h"

namespace lumidex::waveform {

class WaveformSource {
  public:
    explicit WaveformSource(QString cacheFolder);
    ~WaveformSource();
    WaveformSource(const WaveformSource&) = delete;
    WaveformSource& operator=(const WaveformSource&) = delete;

    // Starts the analysis of the music; the table of earlier music is gone.
    void open(const QString& musicDir, const QString& snd, int decoder);
    // Cancels any analysis and forgets the table.
    void close();

    bool busy() const { return job_ != nullptr; }
    double progress() const { return job_ ? job_->progress() : 0; }
    // The table of the open music, once analysed (null before, and when the
    // music could not be decoded).
    const std::shared_ptr<const PeakTable>& table() const { return table_; }
    int decoder() const { return decoder_; }
    // What the status bar says about the waveform.
    const QString& message() const { return message_; }

    void setOnChanged(std::function<void()> onChanged) { onChanged_ = std::move(onChanged); }
    // Waits for the analysis under way and takes its result.
    void settle();

  private:
    void delivered(unsigned generation);
    void adopt();
    void retire();

    QString cacheFolder_;
    std::function<void()> onChanged_;
    std::shared_ptr<const PeakTable> table_;
    int decoder_ = 0;
    QString message_;
    unsigned generation_ = 0;  // of the job under way; earlier jobs' news is stale
    QObject context_;          // queued deliveries die with it
    std::vector<std::unique_ptr<WaveformJob>> retired_;
    std::unique_ptr<WaveformJob> job_;  // destroyed first: it may still deliver
};

}  // namespace lumidex::waveform
