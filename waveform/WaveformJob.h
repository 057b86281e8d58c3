#pragma once
// One analysis of the music on its own thread: read the file (loose or from
// a PAK archive, as the players find it), look for its table in the cache,
// else decode it through the chosen decoder and store the table.
//
// Threading: the constructor starts the thread; progress(), finished() and
// cancel() may be called from any thread; result() only once finished() is
// true (or after wait()). onFinished runs on the worker thread, last. The
// destructor cancels and waits, so it returns within one decoder read (or
// one file read).

#include <QString>

#include <atomic>
#include <functional>
#include <thread>

#include "Analysis.h"

namespace lumidex::waveform {

struct WaveformRequest {
    QString musicDir;  // where the players look for the music
    QString snd;       // its name as the chart gives it
    int decoder = 0;   // the "Pla&y" menu's decoder index
    QString cacheFolder;
};

struct WaveformResult {
    Analysis analysis;
    bool fromCache = false;
    QString message;  // for the status bar: what is shown, and why not more
};

class WaveformJob {
  public:
    WaveformJob(WaveformRequest request, std::function<void()> onFinished = {});
    ~WaveformJob();
    WaveformJob(const WaveformJob&) = delete;
    WaveformJob& operator=(const WaveformJob&) = delete;

    void cancel() { cancel_.store(true); }
    bool cancelled() const { return cancel_.load(); }
    double progress() const { return progress_.load(); }
    bool finished() const { return finished_.load(); }
    void wait();
    const WaveformResult& result() const { return result_; }
    const WaveformRequest& request() const { return request_; }

  private:
    void run();

    WaveformRequest request_;
    std::function<void()> onFinished_;
    std::atomic<bool> cancel_{false};
    std::atomic<double> progress_{0};
    std::atomic<bool> finished_{false};
    WaveformResult result_;  // written by the worker before finished_ is set
    std::thread thread_;
};

}  // namespace lumidex::waveform
