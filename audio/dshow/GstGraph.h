#pragma once
// One GStreamer playbin playing one local file, audio only. Internal to the
// DirectShow layer: FilgraphManager turns these answers into DirectShow
// results and states.
//
// Messages from the pipeline are read on GStreamer's own threads as they are
// posted (nothing queues up on the bus): an error and the end of the stream
// are remembered for the owner to ask about.

#include <QByteArray>

#include <memory>

#include "DShowTypes.h"

namespace lumidex {

class GstGraph {
  public:
    // Builds the pipeline for path and waits until it is paused at 0 with its
    // audio decoded far enough to know the format. A damaged file is refused
    // as soon as the pipeline shows it; only a decoder that stalls silently
    // runs into the open time-out (10 s, then E_FAIL). Returns the graph, or
    // null with *result set to the reason.
    static std::unique_ptr<GstGraph> open(const QByteArray& path, HRESULT* result);
    ~GstGraph();
    GstGraph(const GstGraph&) = delete;
    GstGraph& operator=(const GstGraph&) = delete;

    void play();
    void pause();
    // A flushing, sample-accurate seek; false when the pipeline refused it.
    bool seek(double seconds);

    // Seconds; false when the pipeline cannot tell (yet).
    bool duration(double* seconds) const;
    bool position(double* seconds) const;
    // True once the stream has played to its end, until the next seek. An end
    // reached before the last seek does not count, even when its message
    // arrives after the seek.
    bool atEnd() const;
    // Waits up to timeoutMs for the end of the stream or a failure; true when
    // either came.
    bool waitForEnd(int timeoutMs) const;
    // True while a state change (a start, or the refill after a seek) is still
    // under way after waiting up to timeoutMs.
    bool settling(int timeoutMs) const;
    // The failure reported while playing, or S_OK.
    HRESULT failure() const;

    void setAmplitude(double amplitude);
    bool audioFormat(int* channels, int* rate) const;

  private:
    struct Impl;
    explicit GstGraph(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d_;
};

}  // namespace lumidex
