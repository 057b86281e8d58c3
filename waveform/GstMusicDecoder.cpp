#include "GstMusicDecoder.h"

#include <QFile>

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace lumidex::waveform {

namespace {

constexpr GstClockTime kTimeout = 10 * GST_SECOND;

class GstMusicDecoder : public audio::Decoder {
  public:
    ~GstMusicDecoder() override {
        if (pipeline_) {
            gst_element_set_state(pipeline_, GST_STATE_NULL);
            gst_object_unref(pipeline_);
        }
        if (sink_) gst_object_unref(sink_);
    }

    bool open(const QString& path) {
        GError* error = nullptr;
        pipeline_ = gst_parse_launch(
            "filesrc name=src ! decodebin ! audioconvert ! "
            "audio/x-raw,format=F32LE,layout=interleaved ! appsink name=sink sync=false "
            "max-buffers=16",
            &error);
        if (error) g_error_free(error);
        if (!pipeline_) return false;
        GstElement* src = gst_bin_get_by_name(GST_BIN(pipeline_), "src");
        g_object_set(src, "location", QFile::encodeName(path).constData(), nullptr);
        gst_object_unref(src);
        sink_ = gst_bin_get_by_name(GST_BIN(pipeline_), "sink");
        if (gst_element_set_state(pipeline_, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
            return false;
        // The first samples tell the format.
        if (!pull() || format_.channels < 1 || format_.sampleRate < 1) return false;
        gint64 nanoseconds = 0;
        if (gst_element_query_duration(pipeline_, GST_FORMAT_TIME, &nanoseconds))
            format_.frames = gst_util_uint64_scale(uint64_t(nanoseconds),
                                                   uint64_t(format_.sampleRate), GST_SECOND);
        return true;
    }

    int64_t read(float* out, int64_t frames) override {
        int64_t done = 0;
        while (done < frames) {
            if (at_ >= pending_.size() && !pull()) break;
            const size_t channels = size_t(format_.channels);
            const size_t n = std::min(size_t(frames - done), (pending_.size() - at_) / channels);
            std::memcpy(out + done * int64_t(channels), pending_.data() + at_,
                        n * channels * sizeof(float));
            at_ += n * channels;
            done += int64_t(n);
        }
        return done;
    }

    bool seek(int64_t) override { return false; }

  private:
    // The next buffer of samples; false at the end or on a failure.
    bool pull() {
        if (!sink_) return false;
        GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink_), kTimeout);
        if (!sample) return false;
        if (format_.channels == 0) readFormat(gst_sample_get_caps(sample));
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        GstMapInfo map;
        pending_.clear();
        at_ = 0;
        if (buffer && format_.channels > 0 && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            const size_t floats = map.size / sizeof(float);
            pending_.resize(floats - floats % size_t(format_.channels));
            std::memcpy(pending_.data(), map.data, pending_.size() * sizeof(float));
            gst_buffer_unmap(buffer, &map);
        }
        gst_sample_unref(sample);
        return true;
    }

    void readFormat(GstCaps* caps) {
        const GstStructure* s = caps ? gst_caps_get_structure(caps, 0) : nullptr;
        if (!s) return;
        gst_structure_get_int(s, "rate", &format_.sampleRate);
        gst_structure_get_int(s, "channels", &format_.channels);
        format_.floatSamples = true;
    }

    GstElement* pipeline_ = nullptr;
    GstElement* sink_ = nullptr;
    std::vector<float> pending_;
    size_t at_ = 0;
};

}  // namespace

std::unique_ptr<audio::Decoder> openGstDecoder(const QString& path) {
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
    auto decoder = std::make_unique<GstMusicDecoder>();
    if (!decoder->open(path)) return nullptr;
    return decoder;
}

}  // namespace lumidex::waveform
