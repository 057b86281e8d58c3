// The FFmpeg decoder plug-in: every audio format libavformat and libavcodec
// read from the containers below, decoded from the file image in memory.
//
// Sample-exact: the decoder removes the encoder's priming (the container's
// edit list or pre-skip, which libavformat hands the decoder as skip samples)
// and the padding after the last frame (the length the container states), so
// frame 0 is the first frame of the music. A seek lands on the exact frame:
// the demuxer goes to a key point well before it and the frames in between are
// decoded and dropped; where the container's timestamps are too coarse to
// name a frame (milliseconds), the sound is decoded again from its start.
//
// Safe: only the whitelisted audio containers are read, nothing named inside
// a file is ever opened, every call works within a time budget, no single
// allocation may exceed 128 MiB, frames are bounded in size, and undecodable
// packets are skipped a few at a time before the sound ends.

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avstring.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
#include <libavutil/time.h>
#include <libswresample/swresample.h>
}

#include "lumidex_decoder_plugin.h"

namespace {

constexpr int kIoBufferBytes = 32 * 1024;
constexpr int kProbeBytes = 64 * 1024;
constexpr int kMaxRate = 768000;
constexpr int kMaxChannels = 32;
constexpr int kMaxFrameSamples = 1 << 20;       // per channel, in one decoded frame
constexpr int64_t kTimeBudgetUs = 5 * 1000000;  // for one call of the plug-in
// No single allocation of libav may be larger (a hostile length field in a
// tag or header otherwise asks for gigabytes). libav has one such limit per
// process; an audio file never needs more.
constexpr size_t kMaxAllocation = size_t(128) << 20;
constexpr int kBadPacketsInARow = 32;
constexpr int64_t kPrerollFrames =
    8192;  // decoded before a seek target: enough to settle any codec

// Audio containers only: no playlists, no image or video sequences, no
// formats that refer to other files.
constexpr const char* kContainers =
    "mov,ogg,asf,matroska,wv,ape,tta,mp3,aac,ac3,eac3,dts,wav,w64,flac,caf,aiff,mpc,mpc8,tak,shn,"
    "amr,au,voc,dsf,xwma,truehd,mlp,loas,oma";

// The formats this plug-in names, each with the decoder it needs.
struct Named {
    const char* name;
    AVCodecID codec;
};
constexpr Named kNamed[] = {
    {"AAC (M4A, MP4, ADTS)", AV_CODEC_ID_AAC},
    {"ALAC", AV_CODEC_ID_ALAC},
    {"Opus", AV_CODEC_ID_OPUS},
    {"WMA", AV_CODEC_ID_WMAV2},
    {"WMA Pro", AV_CODEC_ID_WMAPRO},
    {"WMA Lossless", AV_CODEC_ID_WMALOSSLESS},
    {"Monkey's Audio (APE)", AV_CODEC_ID_APE},
    {"TTA", AV_CODEC_ID_TTA},
    {"WavPack", AV_CODEC_ID_WAVPACK},
    {"MP2", AV_CODEC_ID_MP2},
    {"AC-3", AV_CODEC_ID_AC3},
    {"E-AC-3", AV_CODEC_ID_EAC3},
    {"DTS", AV_CODEC_ID_DTS},
    {"Musepack", AV_CODEC_ID_MUSEPACK8},
    {"TAK", AV_CODEC_ID_TAK},
    {"Shorten", AV_CODEC_ID_SHORTEN},
    {"AMR", AV_CODEC_ID_AMR_NB},
    {"Vorbis (Matroska, WebM)", AV_CODEC_ID_VORBIS},
};
constexpr int kNamedCount = int(sizeof(kNamed) / sizeof(kNamed[0]));

struct Memory {
    const uint8_t* data = nullptr;
    int64_t size = 0;
    int64_t pos = 0;
};

int readMemory(void* opaque, uint8_t* buf, int size) {
    auto* m = static_cast<Memory*>(opaque);
    const int64_t n = std::min<int64_t>(size, m->size - m->pos);
    if (n <= 0) return AVERROR_EOF;
    std::memcpy(buf, m->data + m->pos, size_t(n));
    m->pos += n;
    return int(n);
}

int64_t seekMemory(void* opaque, int64_t offset, int whence) {
    auto* m = static_cast<Memory*>(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) return m->size;
    const int64_t base = whence == SEEK_CUR ? m->pos : whence == SEEK_END ? m->size : 0;
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return AVERROR(EINVAL);
    const int64_t to = base + offset;
    if (to < 0 || to > m->size) return AVERROR(EINVAL);
    m->pos = to;
    return to;
}

// Nested opens (references to other files inside a container) are refused.
int refuseOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
    return AVERROR(EPERM);
}

bool startsWith(const uint8_t* data, size_t size, size_t at, const char* magic, size_t n) {
    return size >= at + n && std::memcmp(data + at, magic, n) == 0;
}

// The container a file's signature names, without asking every demuxer (the
// costly part of opening a short sound); null when there is none.
const char* containerBySignature(const uint8_t* d, size_t n) {
    static const struct {
        size_t at;
        const char* magic;
        size_t size;
        const char* container;
    } signatures[] = {
        {4, "ftyp", 4, "mov"},
        {0, "OggS", 4, "ogg"},
        {0, "\x30\x26\xb2\x75\x8e\x66\xcf\x11", 8, "asf"},
        {0, "\x1a\x45\xdf\xa3", 4, "matroska"},
        {0, "wvpk", 4, "wv"},
        {0, "MAC ", 4, "ape"},
        {0, "TTA1", 4, "tta"},
        {0, "fLaC", 4, "flac"},
        {0, "caff", 4, "caf"},
        {0, "MPCK", 4, "mpc8"},
        {0, "MP+", 3, "mpc"},
        {0, "tBaK", 4, "tak"},
        {0, "ajkg", 4, "shn"},
        {0, "#!AMR", 5, "amr"},
    };
    for (const auto& s : signatures)
        if (startsWith(d, n, s.at, s.magic, s.size)) return s.container;
    return nullptr;
}

// The demuxer for the bytes: by signature, else (raw MPEG audio, ADTS, AC-3,
// DTS and the like) by libavformat's probe of the first bytes. Only the
// whitelisted containers.
const AVInputFormat* probeFormat(const uint8_t* data, size_t size) {
    if (const char* name = containerBySignature(data, size)) return av_find_input_format(name);
    const size_t n = std::min<size_t>(size, kProbeBytes);
    std::vector<uint8_t> padded(n + AVPROBE_PADDING_SIZE, 0);
    std::memcpy(padded.data(), data, n);
    AVProbeData probe{};
    probe.filename = "";
    probe.buf = padded.data();
    probe.buf_size = int(n);
    int score = 0;
    const AVInputFormat* f = av_probe_input_format3(&probe, 1, &score);
    if (!f || score <= 0) return nullptr;  // the first frame decoding decides
    return av_match_list(f->name, kContainers, ',') ? f : nullptr;
}

}  // namespace

struct lumidex_decoder {
    Memory memory;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    SwrContext* convert = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int stream = -1;
    AVRational timeBase{1, 1};
    int rate = 0;
    int channels = 0;
    int64_t length = 0;                 // frames; output stops there when lengthCaps
    bool lengthCaps = false;            // the container states the length
    bool exactTimes = false;            // timestamps name single frames
    int64_t preroll = 0;                // frames decoded before a seek target
    int64_t firstPts = AV_NOPTS_VALUE;  // timestamp of frame 0
    int64_t deadline = 0;               // av_gettime_relative() limit of the current call
    bool draining = false;
    bool ended = false;
    std::vector<float> pending;        // the last decoded frame, interleaved
    size_t pendingAt = 0;              // floats already handed out
    int64_t pendingStart = 0;          // frame index of pending[0]
    int64_t lastPts = AV_NOPTS_VALUE;  // of the frame in pending

    int64_t position() const { return pendingStart + int64_t(pendingAt) / channels; }
    int64_t pendingFrames() const { return int64_t(pending.size()) / channels; }
};

namespace {

using Decoder = lumidex_decoder;

int checkDeadline(void* opaque) {
    return av_gettime_relative() > static_cast<Decoder*>(opaque)->deadline;
}

void startCall(Decoder& d) {
    d.deadline = av_gettime_relative() + kTimeBudgetUs;
}

void closeContexts(Decoder& d) {
    if (d.format) {
        AVIOContext* io = d.format->pb;
        avformat_close_input(&d.format);
        if (io) av_freep(&io->buffer);
        avio_context_free(&io);
    }
    avcodec_free_context(&d.codec);
    swr_free(&d.convert);
}

void destroy(Decoder* d) {
    if (!d) return;
    closeContexts(*d);
    av_packet_free(&d->packet);
    av_frame_free(&d->frame);
    delete d;
}

// The demuxer over the image, opened as a whitelisted audio container.
bool openContainer(Decoder& d) {
    d.memory.pos = 0;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
    AVIOContext* io = buffer ? avio_alloc_context(buffer, kIoBufferBytes, 0, &d.memory, &readMemory,
                                                  nullptr, &seekMemory)
                             : nullptr;
    d.format = io ? avformat_alloc_context() : nullptr;
    if (!d.format) {
        if (io)
            av_freep(&io->buffer);
        else
            av_free(buffer);
        avio_context_free(&io);
        return false;
    }
    d.format->pb = io;
    d.format->flags |= AVFMT_FLAG_CUSTOM_IO;
    d.format->io_open = &refuseOpen;
    d.format->interrupt_callback = {&checkDeadline, &d};
    d.format->format_whitelist = av_strdup(kContainers);
    d.format->protocol_whitelist = av_strdup("");
    const AVInputFormat* container = probeFormat(d.memory.data, size_t(d.memory.size));
    if (!container || avformat_open_input(&d.format, nullptr, container, nullptr) < 0) {
        // A failed avformat_open_input has freed the context, never our I/O.
        avformat_free_context(d.format);
        d.format = nullptr;
        av_freep(&io->buffer);
        avio_context_free(&io);
        return false;
    }
    return true;
}

bool completeParameters(const AVCodecParameters* p) {
    return p->sample_rate > 0 && p->ch_layout.nb_channels > 0;
}

bool openCodec(Decoder& d) {
    d.stream = av_find_best_stream(d.format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    // Raw streams (ADTS, AC-3, MPEG audio) tell their parameters only once
    // their first frames are read.
    if (d.stream < 0 || !completeParameters(d.format->streams[d.stream]->codecpar)) {
        d.format->max_analyze_duration = 5 * AV_TIME_BASE;
        if (avformat_find_stream_info(d.format, nullptr) < 0) return false;
        d.stream = av_find_best_stream(d.format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    }
    if (d.stream < 0) return false;
    for (unsigned i = 0; i < d.format->nb_streams; ++i)
        if (int(i) != d.stream) d.format->streams[i]->discard = AVDISCARD_ALL;
    const AVStream* st = d.format->streams[d.stream];
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    if (!codec || !completeParameters(st->codecpar)) return false;
    d.codec = avcodec_alloc_context3(codec);
    if (!d.codec || avcodec_parameters_to_context(d.codec, st->codecpar) < 0) return false;
    d.codec->pkt_timebase = st->time_base;
    d.codec->thread_count = 1;
    av_opt_set_int(d.codec, "max_samples", kMaxFrameSamples, 0);
    if (avcodec_open2(d.codec, codec, nullptr) < 0) return false;
    d.timeBase = st->time_base;
    return d.timeBase.num > 0 && d.timeBase.den > 0;
}

// Converts the decoded frame to interleaved floats in pending. False when the
// frame does not fit the sound as opened.
bool takeFrame(Decoder& d, const AVFrame* f) {
    if (f->sample_rate != d.rate || f->ch_layout.nb_channels != d.channels ||
        f->nb_samples > kMaxFrameSamples)
        return false;
    const size_t channels = size_t(d.channels);
    const size_t samples = size_t(f->nb_samples);
    d.pendingAt = 0;
    // Most decoders give floats already: interleaving them is all it takes.
    if (f->format == AV_SAMPLE_FMT_FLTP || f->format == AV_SAMPLE_FMT_FLT) {
        d.pending.resize(samples * channels);
        if (f->format == AV_SAMPLE_FMT_FLT) {
            std::memcpy(d.pending.data(), f->extended_data[0], d.pending.size() * sizeof(float));
            return true;
        }
        for (size_t c = 0; c < channels; ++c) {
            const auto* in = reinterpret_cast<const float*>(f->extended_data[c]);
            for (size_t i = 0; i < samples; ++i) d.pending[i * channels + c] = in[i];
        }
        return true;
    }
    if (!d.convert) {
        // The same layout in and out: only the sample format changes.
        AVChannelLayout layout = f->ch_layout;
        if (swr_alloc_set_opts2(&d.convert, &layout, AV_SAMPLE_FMT_FLT, d.rate, &layout,
                                AVSampleFormat(f->format), d.rate, 0, nullptr) < 0 ||
            swr_init(d.convert) < 0)
            return false;
    }
    d.pending.resize(samples * channels);
    auto* out = reinterpret_cast<uint8_t*>(d.pending.data());
    const int got = swr_convert(d.convert, &out, f->nb_samples,
                                const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
    if (got < 0) return false;
    d.pending.resize(size_t(got) * channels);
    return true;
}

// Decodes the next frame into pending, following it on from the previous
// one. False at the end of the sound, on data that cannot be decoded any
// further, or when the call's time budget is spent.
bool decodeNext(Decoder& d) {
    int bad = 0;
    for (;;) {
        if (av_gettime_relative() > d.deadline) return false;
        const int r = avcodec_receive_frame(d.codec, d.frame);
        if (r == 0) {
            const int64_t pts = d.frame->best_effort_timestamp;
            const bool ok = d.frame->nb_samples > 0 && takeFrame(d, d.frame);
            av_frame_unref(d.frame);
            if (!ok) {
                if (++bad > kBadPacketsInARow) return false;
                continue;
            }
            if (d.pending.empty()) continue;
            d.lastPts = pts;
            if (d.firstPts == AV_NOPTS_VALUE) d.firstPts = pts;
            return true;
        }
        if (r != AVERROR(EAGAIN) || d.draining) return false;
        if (av_read_frame(d.format, d.packet) < 0) {
            d.draining = true;
            avcodec_send_packet(d.codec, nullptr);
            continue;
        }
        const bool ours = d.packet->stream_index == d.stream;
        const int sent = ours ? avcodec_send_packet(d.codec, d.packet) : 0;
        av_packet_unref(d.packet);
        if (sent < 0 && sent != AVERROR(EAGAIN)) {
            if (++bad > kBadPacketsInARow) return false;
        } else if (ours) {
            bad = 0;
        }
    }
}

// The next frame after the one in pending, counted on from it.
bool advance(Decoder& d) {
    const int64_t next = d.pendingStart + d.pendingFrames();
    if (!decodeNext(d)) {
        d.ended = true;
        d.pending.clear();
        d.pendingAt = 0;
        d.pendingStart = next;
        return false;
    }
    d.pendingStart = next;
    return true;
}

int64_t toFrames(const Decoder& d, int64_t ts) {
    return av_rescale_q(ts, d.timeBase, AVRational{1, d.rate});
}

// The length the container states, when it states one.
void readLength(Decoder& d) {
    const AVStream* st = d.format->streams[d.stream];
    int64_t frames = -1;
    if (st->duration > 0 && st->duration != AV_NOPTS_VALUE) {
        frames = toFrames(d, st->duration);
        // Ogg counts the pre-skip in its length; MP4's edit list has removed it.
        if (st->codecpar->initial_padding > 0 && st->codecpar->codec_id == AV_CODEC_ID_OPUS)
            frames -= av_rescale(st->codecpar->initial_padding, d.rate, 48000);
    } else if (d.format->duration > 0 && d.format->duration != AV_NOPTS_VALUE) {
        frames = av_rescale(d.format->duration, d.rate, AV_TIME_BASE);
    }
    // Coarse (millisecond) lengths would cut the last frames: only exact ones cap.
    d.lengthCaps = frames > 0 && d.exactTimes;
    d.length = std::max<int64_t>(frames, 0);
}

// Opens everything and decodes the first frame; frame 0 is then at hand.
bool start(Decoder& d) {
    closeContexts(d);
    d.firstPts = AV_NOPTS_VALUE;
    d.draining = d.ended = false;
    d.pending.clear();
    d.pendingAt = 0;
    d.pendingStart = 0;
    if (!openContainer(d) || !openCodec(d)) return false;
    return decodeNext(d);
}

bool skipTo(Decoder& d, int64_t target) {
    while (d.position() < target) {
        if (int64_t(d.pendingAt) >= int64_t(d.pending.size())) {
            if (!advance(d)) return false;
            continue;
        }
        const int64_t n =
            std::min(target - d.position(), d.pendingFrames() - int64_t(d.pendingAt) / d.channels);
        d.pendingAt += size_t(n) * size_t(d.channels);
    }
    return true;
}

// Seeks the demuxer to a key point before target and decodes the first frame
// there; false when the frame cannot be placed exactly or lies past target.
bool seekNear(Decoder& d, int64_t target) {
    if (!d.exactTimes || d.firstPts == AV_NOPTS_VALUE) return false;
    const int64_t ts =
        d.firstPts + av_rescale_q(target - d.preroll, AVRational{1, d.rate}, d.timeBase);
    if (av_seek_frame(d.format, d.stream, ts, AVSEEK_FLAG_BACKWARD) < 0) return false;
    avcodec_flush_buffers(d.codec);
    d.draining = d.ended = false;
    d.pending.clear();
    d.pendingAt = 0;
    if (!decodeNext(d) || d.lastPts == AV_NOPTS_VALUE) return false;
    d.pendingStart = toFrames(d, d.lastPts - d.firstPts);
    return d.pendingStart <= target;
}

lumidex_decoder* openSound(const void* data, size_t size, lumidex_sound_info* info, int* error) {
    auto fail = [&](int code) -> lumidex_decoder* {
        if (error) *error = code;
        return nullptr;
    };
    if (!data || size == 0 || size >= (size_t(1) << 31) || !info)
        return fail(LUMIDEX_DECODER_ERROR_FORMAT);
    auto* d = new (std::nothrow) Decoder;
    if (!d) return fail(LUMIDEX_DECODER_ERROR_MEMORY);
    d->memory = Memory{static_cast<const uint8_t*>(data), int64_t(size), 0};
    d->packet = av_packet_alloc();
    d->frame = av_frame_alloc();
    if (!d->packet || !d->frame) {
        destroy(d);
        return fail(LUMIDEX_DECODER_ERROR_MEMORY);
    }
    startCall(*d);
    bool ok = openContainer(*d) && openCodec(*d);
    if (ok) {
        const AVCodecParameters* p = d->format->streams[d->stream]->codecpar;
        d->rate = p->sample_rate;
        d->channels = p->ch_layout.nb_channels;
        ok = d->rate <= kMaxRate && d->channels <= kMaxChannels;
    }
    // A sound is opened only when its first frame decodes.
    ok = ok && decodeNext(*d);
    if (!ok) {
        destroy(d);
        return fail(LUMIDEX_DECODER_ERROR_FORMAT);
    }
    d->exactTimes = int64_t(d->timeBase.den) >= int64_t(d->timeBase.num) * d->rate;
    readLength(*d);
    const AVStream* st = d->format->streams[d->stream];
    d->preroll = kPrerollFrames + av_rescale(st->codecpar->seek_preroll, d->rate, 48000);
    info->sample_rate = d->rate;
    info->channels = d->channels;
    info->frames = d->length;
    if (error) *error = LUMIDEX_DECODER_OK;
    return d;
}

int64_t readSound(lumidex_decoder* d, float* out, int64_t frames) {
    if (!d || !out || frames <= 0) return 0;
    startCall(*d);
    int64_t got = 0;
    while (got < frames) {
        if (d->lengthCaps && d->position() >= d->length) break;
        const int64_t left = d->pendingFrames() - int64_t(d->pendingAt) / d->channels;
        if (left <= 0) {
            if (d->ended || !advance(*d)) break;
            continue;
        }
        int64_t n = std::min(left, frames - got);
        if (d->lengthCaps) n = std::min(n, d->length - d->position());
        // Frames before 0 (priming the container did not remove) are dropped.
        if (d->position() < 0) n = std::min(n, -d->position());
        const size_t floats = size_t(n) * size_t(d->channels);
        if (d->position() >= 0) {
            std::memcpy(out + size_t(got) * size_t(d->channels), d->pending.data() + d->pendingAt,
                        floats * sizeof(float));
            got += n;
        }
        d->pendingAt += floats;
    }
    return got;
}

int seekSound(lumidex_decoder* d, int64_t frame) {
    if (!d || frame < 0 || (d->lengthCaps && frame > d->length)) return 0;
    startCall(*d);
    const int64_t here = d->position();
    if (frame == here) return 1;
    const bool shortHop = frame > here && frame - here <= d->preroll + d->rate;
    if (!shortHop && !(frame > d->preroll && seekNear(*d, frame)) && !start(*d)) {
        d->ended = true;
        return 0;
    }
    if (skipTo(*d, frame)) return 1;
    d->ended = true;
    return 0;
}

int64_t soundLength(lumidex_decoder* d) {
    if (!d) return 0;
    // At the end of a sound shorter than its container said, the end is known.
    return d->ended && d->position() < d->length ? d->position() : d->length;
}

int probeSound(const void* data, size_t size) {
    if (!data || size < 4) return 0;
    const auto* d = static_cast<const uint8_t*>(data);
    // A known signature, or what may be raw frames (ID3, MPEG or AC-3 sync):
    // open decides.
    return containerBySignature(d, size) || startsWith(d, size, 0, "ID3", 3) ||
           (d[0] == 0xFF && (d[1] & 0xE0) == 0xE0) || (d[0] == 0x0B && d[1] == 0x77) ||
           (d[0] == 0x7F && d[1] == 0xFE);
}

const char* const* formatNames() {
    static const char* names[kNamedCount + 1] = {};
    static const bool filled = [] {
        int n = 0;
        for (const Named& f : kNamed)
            if (avcodec_find_decoder(f.codec)) names[n++] = f.name;
        names[n] = nullptr;
        return true;
    }();
    (void)filled;
    return names;
}

// FFmpeg's libraries, and those they load (TLS, hardware decoding), set up
// process-wide state on first use that nothing frees. They stay loaded for
// the life of the process, even when this plug-in is unloaded: unloading
// them would leak that state, and again at every reload of the plug-in.
void pinFfmpegLibraries() {
    const void* const symbols[] = {reinterpret_cast<const void*>(&avformat_open_input),
                                   reinterpret_cast<const void*>(&avcodec_find_decoder),
                                   reinterpret_cast<const void*>(&swr_alloc),
                                   reinterpret_cast<const void*>(&av_malloc)};
    for (const void* symbol : symbols) {
        Dl_info info{};
        if (dladdr(symbol, &info) && info.dli_fname)
            dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);  // never closed
    }
}

}  // namespace

extern "C" LUMIDEX_DECODER_EXPORT const lumidex_decoder_plugin* lumidex_decoder_entry(void) {
    static const bool pinned = (pinFfmpegLibraries(), true);
    (void)pinned;
    av_log_set_level(AV_LOG_QUIET);
    av_max_alloc(kMaxAllocation);
    static const lumidex_decoder_plugin table = {LUMIDEX_DECODER_ABI_VERSION,
                                                 "ffmpeg",
                                                 "1.0",
                                                 formatNames(),
                                                 &probeSound,
                                                 &openSound,
                                                 &readSound,
                                                 &seekSound,
                                                 &soundLength,
                                                 &destroy};
    return &table;
}
