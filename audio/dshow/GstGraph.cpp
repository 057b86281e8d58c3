#include "GstGraph.h"

#include <gst/gst.h>

#include <QFile>
#include <QString>
#include <QtEndian>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "ThreadOrder.h"

namespace lumidex {

namespace {

// Opening a local file takes milliseconds; this only bounds a decoder that
// stalls without a word (neither an error nor the end of its data).
constexpr std::chrono::milliseconds kOpenTimeout(10000);
// Once the file has been read to its end, a healthy pipeline finishes its
// preroll at once; one that has not within this time never will.
constexpr std::chrono::milliseconds kEndedGrace(500);
// Bounds the fast read that finds the length of a file that does not state it.
constexpr std::chrono::milliseconds kLengthTimeout(5000);

// playbin flags: decode audio (0x2) and apply the volume in software (0x10);
// no video, no subtitles, so a file with pictures still opens as sound only.
constexpr guint kPlayFlags = 0x2 | 0x10;

// MP3 decodes with libmpg123, as in the Miles layer, so both decoders hear the
// same samples. GStreamer would otherwise pick libav's decoder of equal rank
// (it comes first by name).
void preferMpg123() {
    GstPluginFeature* mpg123 = gst_registry_lookup_feature(gst_registry_get(), "mpg123audiodec");
    if (!mpg123) return;
    gst_plugin_feature_set_rank(mpg123, GST_RANK_PRIMARY + 1);
    gst_object_unref(mpg123);
}

// The chip-music decoder of GStreamer's "bad" plug-in set (installed on many
// desktops) crashes on some damaged files. Chart sounds are never chip music,
// so the layer never lets it be picked.
void avoidFragileDecoders() {
    GstPluginFeature* gme = gst_registry_lookup_feature(gst_registry_get(), "gmedec");
    if (!gme) return;
    gst_plugin_feature_set_rank(gme, GST_RANK_NONE);
    gst_object_unref(gme);
}

bool initGstreamer() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] {
        ready = gst_init_check(nullptr, nullptr, nullptr);
        if (!ready) return;
        preferMpg123();
        avoidFragileDecoders();
    });
    return ready;
}

GstElement* makeFakeSink(bool keepTime) {
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    if (sink) g_object_set(sink, "sync", keepTime ? TRUE : FALSE, nullptr);
    return sink;
}

// Under the null device: a sink that keeps time with the pipeline clock like a
// sound card and throws the samples away. Otherwise the desktop's output.
GstElement* makeAudioSink() {
    if (qEnvironmentVariable("LUMIDEX_AUDIO") != QLatin1String("null"))
        return gst_element_factory_make("autoaudiosink", nullptr);
    return makeFakeSink(true);
}

// autoaudiosink quietly plays into a fake sink when no output can start (no
// sound card, no sound server). Without a real output the graph must fail.
bool playsIntoFallback(GstElement* sink) {
    if (!GST_IS_BIN(sink)) return false;
    bool fallback = false;
    GstIterator* children = gst_bin_iterate_elements(GST_BIN(sink));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(children, &item) == GST_ITERATOR_OK) {
        GstElementFactory* factory =
            gst_element_get_factory(GST_ELEMENT(g_value_get_object(&item)));
        if (factory &&
            g_strcmp0(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)), "fakesink") == 0)
            fallback = true;
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(children);
    return fallback;
}

bool isWithin(GstObject* object, GstElement* element) {
    if (!object || !element) return false;
    return object == GST_OBJECT(element) || gst_object_has_as_ancestor(object, GST_OBJECT(element));
}

// The DirectShow result that stands for an error posted by the pipeline.
HRESULT classifyError(GstMessage* message, GstElement* sink) {
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    HRESULT result = E_FAIL;
    if (isWithin(GST_MESSAGE_SRC(message), sink)) {
        result = VFW_E_NO_AUDIO_HARDWARE;
    } else if (error->domain == GST_STREAM_ERROR ||
               g_error_matches(error, GST_CORE_ERROR, GST_CORE_ERROR_MISSING_PLUGIN)) {
        result = VFW_E_UNSUPPORTED_STREAM;
    } else if (g_error_matches(error, GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NOT_FOUND)) {
        result = VFW_E_NOT_FOUND;
    } else if (g_error_matches(error, GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_OPEN_READ) ||
               g_error_matches(error, GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NOT_AUTHORIZED)) {
        result = E_ACCESSDENIED;
    }
    g_error_free(error);
    return result;
}

double toSeconds(gint64 nanoseconds) {
    return static_cast<double>(nanoseconds) / GST_SECOND;
}

// libav's AIFF reader, the only one among the plug-ins we install, never
// finishes a file whose data stops before its header says it does: the open
// stalls, or the stream stands at 0 for ever, spinning a core. Such a file is
// damaged, so it is refused before GStreamer sees it.
bool isTruncatedAiff(const QByteArray& path) {
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = file.read(12);
    if (head.size() < 12 || !head.startsWith("FORM")) return false;
    if (head.mid(8) != "AIFF" && head.mid(8) != "AIFC") return false;
    const quint32 formSize = qFromBigEndian<quint32>(head.constData() + 4);
    return file.size() < qint64(formSize) + 8;
}

bool splitsOrParsesStreams(GstElement* element) {
    GstElementFactory* factory = gst_element_get_factory(element);
    return factory &&
           gst_element_factory_list_is_type(
               factory, GST_ELEMENT_FACTORY_TYPE_DEMUXER | GST_ELEMENT_FACTORY_TYPE_PARSER);
}

}  // namespace

struct GstGraph::Impl {
    GstElement* pipeline = nullptr;  // owned
    GstElement* sink = nullptr;      // owned by the pipeline
    double length = 0;               // seconds, once known

    std::mutex mutex;
    std::condition_variable changed;
    HRESULT error = S_OK;  // the first error posted
    bool prerolled = false;
    bool eos = false;
    // The seqnum of the last seek. Seqnums are handed out in increasing order,
    // and the end of the stream that follows a seek carries the seek's seqnum
    // or a newer one, so an end-of-stream with an older one was under way
    // before the seek and no longer counts.
    guint32 seekSeqnum = GST_SEQNUM_INVALID;
    // What the demuxer or parser has read out of the file: whether it reached
    // the end of the data, and the stream time where its data ends.
    bool dataEnded = false;
    GstClockTime dataEnd = 0;

    // Tags for the orderings GStreamer keeps with its own (futex) locks: what
    // this thread did before a state change or a seek is seen by the
    // streaming threads' callbacks, and what the callbacks did is seen once
    // the pipeline is stopped (ThreadOrder.h).
    char handedOver = 0;
    char stopped = 0;

    // Marks one run of a callback on a streaming thread.
    struct StreamingCallback {
        explicit StreamingCallback(Impl* graph) : self(graph) { happensAfter(&self->handedOver); }
        ~StreamingCallback() { happensBefore(&self->stopped); }
        StreamingCallback(const StreamingCallback&) = delete;
        StreamingCallback& operator=(const StreamingCallback&) = delete;
        Impl* self;
    };

    // A state change, with what this thread did before it handed over to the
    // streaming threads it starts.
    GstStateChangeReturn setState(GstState state) {
        happensBefore(&handedOver);
        return gst_element_set_state(pipeline, state);
    }

    ~Impl() {
        if (!pipeline) return;
        // Stopping joins every streaming thread, so no message arrives after.
        gst_element_set_state(pipeline, GST_STATE_NULL);
        happensAfter(&stopped);
        GstBus* bus = gst_element_get_bus(pipeline);
        gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
        gst_object_unref(bus);
        gst_object_unref(pipeline);
    }

    // Runs on the thread that posts the message; every message is dropped
    // after it is noted, so the bus never fills up. A sync handler that drops
    // a message owns it and must unref it: a message holds a reference to
    // the element that posted it, so one left over keeps the whole pipeline
    // (every element, pad and thread task) alive after the graph is gone.
    static GstBusSyncReply onMessage(GstBus*, GstMessage* message, gpointer data) {
        auto* self = static_cast<Impl*>(data);
        const StreamingCallback running(self);
        switch (GST_MESSAGE_TYPE(message)) {
            case GST_MESSAGE_ERROR: {
                HRESULT result = classifyError(message, self->sink);
                self->note([&] {
                    if (self->error == S_OK) self->error = result;
                });
                break;
            }
            case GST_MESSAGE_EOS: {
                const guint32 seqnum = gst_message_get_seqnum(message);
                self->note([&] {
                    if (self->seekSeqnum == GST_SEQNUM_INVALID ||
                        gst_util_seqnum_compare(seqnum, self->seekSeqnum) >= 0)
                        self->eos = true;
                });
                break;
            }
            case GST_MESSAGE_ASYNC_DONE:
                if (GST_MESSAGE_SRC(message) == GST_OBJECT(self->pipeline))
                    self->note([&] { self->prerolled = true; });
                break;
            default:
                break;
        }
        gst_message_unref(message);
        return GST_BUS_DROP;
    }

    template <class Change>
    void note(Change change) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            change();
        }
        changed.notify_all();
    }

    // Every element playbin creates passes here; the ones that read the file
    // (demuxers and parsers) get their output watched.
    static void onElementSetup(GstElement*, GstElement* element, gpointer data) {
        const StreamingCallback running(static_cast<Impl*>(data));
        if (!splitsOrParsesStreams(element)) return;
        g_signal_connect(element, "pad-added", G_CALLBACK(&Impl::onPadAdded), data);
        GstIterator* pads = gst_element_iterate_src_pads(element);
        GValue item = G_VALUE_INIT;
        while (gst_iterator_next(pads, &item) == GST_ITERATOR_OK) {
            onPadAdded(element, GST_PAD(g_value_get_object(&item)), data);
            g_value_reset(&item);
        }
        g_value_unset(&item);
        gst_iterator_free(pads);
    }

    static void onPadAdded(GstElement*, GstPad* pad, gpointer data) {
        if (GST_PAD_DIRECTION(pad) != GST_PAD_SRC) return;
        const auto types = static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                        GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM);
        gst_pad_add_probe(pad, types, &Impl::onData, data, nullptr);
    }

    static GstPadProbeReturn onData(GstPad*, GstPadProbeInfo* info, gpointer data) {
        auto* self = static_cast<Impl*>(data);
        const StreamingCallback running(self);
        if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) {
            GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
            if (!GST_BUFFER_PTS_IS_VALID(buffer)) return GST_PAD_PROBE_OK;
            GstClockTime end = GST_BUFFER_PTS(buffer);
            if (GST_BUFFER_DURATION_IS_VALID(buffer)) end += GST_BUFFER_DURATION(buffer);
            std::lock_guard<std::mutex> lock(self->mutex);
            self->dataEnd = std::max(self->dataEnd, end);
        } else if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_EOS) {
            self->note([&] { self->dataEnded = true; });
        }
        return GST_PAD_PROBE_OK;
    }

    HRESULT build(const QByteArray& path, GstElement* (*makeSink)()) {
        GError* uriError = nullptr;
        gchar* uri = gst_filename_to_uri(path.constData(), &uriError);
        if (!uri) {
            g_clear_error(&uriError);
            return VFW_E_NOT_FOUND;
        }
        pipeline = gst_element_factory_make("playbin", nullptr);
        if (!pipeline) {
            g_free(uri);
            return E_FAIL;
        }
        gst_object_ref_sink(pipeline);
        sink = makeSink();
        if (!sink) {
            g_free(uri);
            return VFW_E_NO_AUDIO_HARDWARE;
        }
        g_object_set(pipeline, "uri", uri, "audio-sink", sink, "flags", kPlayFlags, nullptr);
        g_free(uri);
        g_signal_connect(pipeline, "element-setup", G_CALLBACK(&Impl::onElementSetup), this);
        GstBus* bus = gst_element_get_bus(pipeline);
        gst_bus_set_sync_handler(bus, &Impl::onMessage, this, nullptr);
        gst_object_unref(bus);
        return S_OK;
    }

    // Pauses the pipeline at 0 and waits until its audio is decoded far enough
    // to play. A file that cannot play is refused as soon as that shows: an
    // error; data that ends before the pipeline prerolls (some parsers stall
    // the pipeline then); or a stream that ends with no length or long before
    // the length its header states (a truncated file).
    HRESULT preroll() {
        GstStateChangeReturn ret = setState(GST_STATE_PAUSED);
        std::unique_lock<std::mutex> lock(mutex);
        if (ret == GST_STATE_CHANGE_FAILURE) return error != S_OK ? error : E_FAIL;
        if (ret == GST_STATE_CHANGE_ASYNC && !waitForPreroll(lock)) {
            if (error != S_OK) return error;
            return dataEnded ? VFW_E_UNSUPPORTED_STREAM : E_FAIL;
        }
        if (error != S_OK) return error;
        const bool ended = dataEnded || eos;
        const GstClockTime end = dataEnd;
        lock.unlock();
        gint audioStreams = 0;
        g_object_get(pipeline, "n-audio", &audioStreams, nullptr);
        if (audioStreams <= 0) return VFW_E_UNSUPPORTED_STREAM;
        if (ended && endsShort(end)) return VFW_E_UNSUPPORTED_STREAM;
        return playsIntoFallback(sink) ? VFW_E_NO_AUDIO_HARDWARE : S_OK;
    }

    // True once prerolled, false on an error, on the time-out, or when the
    // data ended and the preroll did not follow within kEndedGrace.
    bool waitForPreroll(std::unique_lock<std::mutex>& lock) {
        const auto settled = [&] { return prerolled || error != S_OK; };
        const auto deadline = std::chrono::steady_clock::now() + kOpenTimeout;
        if (!changed.wait_until(lock, deadline, [&] { return settled() || dataEnded; }))
            return false;
        if (!settled() && !changed.wait_for(lock, kEndedGrace, settled)) return false;
        return error == S_OK;
    }

    // Whether data that ends at stream time end falls short of the stream: no
    // data at all, or less than half of the length the stream states.
    bool endsShort(GstClockTime end) {
        double stated = 0;
        if (!queryDuration(&stated) || stated <= 0) return end == 0;
        return toSeconds(static_cast<gint64>(end)) < stated / 2;
    }

    static double readLength(const QByteArray& path);

    bool atEnd() {
        std::lock_guard<std::mutex> lock(mutex);
        return eos;
    }

    bool queryDuration(double* seconds) {
        gint64 nanos = -1;
        if (!gst_element_query_duration(pipeline, GST_FORMAT_TIME, &nanos) || nanos < 0)
            return false;
        *seconds = toSeconds(nanos);
        return true;
    }
};

// Some files do not state their length (an MP3 without a header that counts
// its frames): the parser estimates it only after reading a stretch of the
// stream. This reads the file as fast as it decodes, into a sink that keeps
// no time, until the length is known or the stream ends; 0 when neither
// happens in time.
double GstGraph::Impl::readLength(const QByteArray& path) {
    Impl reader;
    if (FAILED(reader.build(path, [] { return makeFakeSink(false); })) || FAILED(reader.preroll()))
        return 0;
    reader.setState(GST_STATE_PLAYING);
    const auto deadline = std::chrono::steady_clock::now() + kLengthTimeout;
    double seconds = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        if (reader.queryDuration(&seconds)) return seconds;
        std::unique_lock<std::mutex> lock(reader.mutex);
        if (reader.error != S_OK) return 0;
        if (reader.eos) break;
        reader.changed.wait_for(lock, std::chrono::milliseconds(2));
    }
    gint64 at = -1;  // at the end of the stream its position is its length
    const bool ended = reader.atEnd();
    if (!ended || !gst_element_query_position(reader.pipeline, GST_FORMAT_TIME, &at) || at < 0)
        return 0;
    return toSeconds(at);
}

GstGraph::GstGraph(std::unique_ptr<Impl> impl) : d_(std::move(impl)) {}
GstGraph::~GstGraph() = default;

std::unique_ptr<GstGraph> GstGraph::open(const QByteArray& path, HRESULT* result) {
    if (!initGstreamer()) {
        *result = E_FAIL;
        return nullptr;
    }
    if (isTruncatedAiff(path)) {
        *result = VFW_E_UNSUPPORTED_STREAM;
        return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    *result = impl->build(path, makeAudioSink);
    if (SUCCEEDED(*result)) *result = impl->preroll();
    if (FAILED(*result)) return nullptr;
    if (!impl->queryDuration(&impl->length)) impl->length = Impl::readLength(path);
    return std::unique_ptr<GstGraph>(new GstGraph(std::move(impl)));
}

void GstGraph::play() {
    d_->setState(GST_STATE_PLAYING);
}

void GstGraph::pause() {
    d_->setState(GST_STATE_PAUSED);
}

bool GstGraph::seek(double seconds) {
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    // A day bounds the conversion; no sound file is longer.
    const auto target = static_cast<gint64>(std::clamp(seconds, 0.0, 86400.0) * GST_SECOND);
    GstEvent* event = gst_event_new_seek(1.0, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, target,
                                         GST_SEEK_TYPE_NONE, 0);
    bool wasAtEnd = false;
    guint32 lastSeek = GST_SEQNUM_INVALID;
    d_->note([&] {
        wasAtEnd = d_->eos;
        lastSeek = d_->seekSeqnum;
        d_->eos = false;
        d_->seekSeqnum = gst_event_get_seqnum(event);
    });
    happensBefore(&d_->handedOver);
    if (gst_element_send_event(d_->pipeline, event)) return true;
    // Refused: nothing was flushed, so the stream stands as it was.
    d_->note([&] {
        d_->eos = wasAtEnd;
        d_->seekSeqnum = lastSeek;
    });
    return false;
}

bool GstGraph::duration(double* seconds) const {
    if (d_->length > 0) {
        *seconds = d_->length;
        return true;
    }
    return d_->queryDuration(seconds);
}

bool GstGraph::position(double* seconds) const {
    gint64 at = -1;
    if (!gst_element_query_position(d_->pipeline, GST_FORMAT_TIME, &at) || at < 0) return false;
    *seconds = toSeconds(at);
    return true;
}

bool GstGraph::atEnd() const {
    return d_->atEnd();
}

bool GstGraph::waitForEnd(int timeoutMs) const {
    std::unique_lock<std::mutex> lock(d_->mutex);
    return d_->changed.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                                [&] { return d_->eos || d_->error != S_OK; });
}

bool GstGraph::settling(int timeoutMs) const {
    const GstClockTime timeout =
        static_cast<GstClockTime>(timeoutMs > 0 ? timeoutMs : 0) * GST_MSECOND;
    return gst_element_get_state(d_->pipeline, nullptr, nullptr, timeout) == GST_STATE_CHANGE_ASYNC;
}

HRESULT GstGraph::failure() const {
    std::lock_guard<std::mutex> lock(d_->mutex);
    return d_->error;
}

void GstGraph::setAmplitude(double amplitude) {
    g_object_set(d_->pipeline, "volume", amplitude, nullptr);
}

bool GstGraph::audioFormat(int* channels, int* rate) const {
    GstPad* pad = nullptr;
    g_signal_emit_by_name(d_->pipeline, "get-audio-pad", 0, &pad);
    if (!pad) return false;
    GstCaps* caps = gst_pad_get_current_caps(pad);
    gst_object_unref(pad);
    if (!caps) return false;
    bool known = false;
    if (gst_caps_get_size(caps) > 0) {
        const GstStructure* format = gst_caps_get_structure(caps, 0);
        known = gst_structure_get_int(format, "channels", channels) &&
                gst_structure_get_int(format, "rate", rate);
    }
    gst_caps_unref(caps);
    return known;
}

}  // namespace lumidex
