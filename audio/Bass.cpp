#include "Bass.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QString>

#include <cmath>
#include <map>
#include <mutex>
#include <new>

#include "AudioSystem.h"
#include "Decoder.h"
#include "DecoderPlugin.h"
#include "PlayingFrequency.h"

using lumidex::audio::AudioSystem;
using lumidex::audio::ByteView;
using lumidex::audio::Container;
using lumidex::audio::ContainerSet;
using lumidex::audio::DecoderPlugin;
using lumidex::audio::Mixer;
using lumidex::audio::StreamId;
using lumidex::audio::StreamSource;

namespace {

constexpr DWORD kVersion = 0x02040000;

// The formats BASS streams decode.
constexpr ContainerSet kFormats = Container::Wav | Container::Aiff | Container::Flac |
                                  Container::OggVorbis | Container::OggOpus | Container::Mp3;

struct Stream {
    StreamId id = 0;
    BASS_CHANNELINFO info{};
    int bytesPerFrame = 0;
    int64_t frames = 0;
    std::shared_ptr<const DecoderPlugin> plugin;  // kept loaded while the stream exists
};

using PluginList = std::map<HPLUGIN, std::shared_ptr<const DecoderPlugin>>;

struct State {
    std::mutex mutex;
    bool ready = false;
    DWORD initFlags = 0;
    DWORD nextHandle = 0x10001;
    std::map<DWORD, Stream> streams;
    PluginList plugins;  // in load order: handles only grow
    HPLUGIN nextPlugin = 0x20001;
    std::map<QString, QString> skipped;  // plug-in file -> why it was not loaded
    QString folderOverride;
};

State& state() {
    static State s;
    return s;
}

thread_local int lastError = BASS_OK;

// Records the calling thread's error code and answers `result`.
template <class T>
T fail(int code, T result) {
    lastError = code;
    return result;
}

template <class T>
T ok(T result) {
    lastError = BASS_OK;
    return result;
}

DWORD channelType(const lumidex::audio::SoundFormat& f) {
    switch (f.container) {
        case Container::Wav:
            return f.floatSamples ? BASS_CTYPE_STREAM_WAV_FLOAT : BASS_CTYPE_STREAM_WAV_PCM;
        case Container::Aiff:
            return BASS_CTYPE_STREAM_AIFF;
        case Container::Flac:
            return BASS_CTYPE_STREAM_FLAC;
        case Container::OggVorbis:
            return BASS_CTYPE_STREAM_OGG;
        case Container::OggOpus:
            return BASS_CTYPE_STREAM_OPUS;
        case Container::Mp3:
            return BASS_CTYPE_STREAM_MP3;
        case Container::Plugin:
            return BASS_CTYPE_STREAM_PLUGIN;
    }
    return 0;
}

Stream describe(const lumidex::audio::SoundFormat& f, DWORD flags) {
    Stream s;
    s.info.freq = DWORD(f.sampleRate);
    s.info.chans = DWORD(f.channels);
    s.info.flags = flags & (BASS_SAMPLE_8BITS | BASS_SAMPLE_FLOAT);
    s.info.ctype = channelType(f);
    s.info.origres = DWORD(f.sourceBits) | (f.floatSamples ? BASS_ORIGRES_FLOAT : 0);
    const int sampleBytes = (s.info.flags & BASS_SAMPLE_8BITS)   ? 1
                            : (s.info.flags & BASS_SAMPLE_FLOAT) ? 4
                                                                 : 2;
    s.bytesPerFrame = sampleBytes * f.channels;
    s.frames = f.frames;
    return s;
}

// Our own decoders did not read the bytes: each plug-in in load order may.
// Fills source and the plug-in's handle, or answers the error code.
int openThroughPlugins(const PluginList& plugins, StreamSource& source, HPLUGIN& used) {
    bool outOfMemory = false;
    for (const auto& [handle, plugin] : plugins) {
        bool lacking = false;
        source.decoder = plugin->open(source.bytes, &lacking);
        outOfMemory |= lacking;
        if (!source.decoder) continue;
        // The stream reopens its decoder through the plug-in, which the
        // stream's record keeps loaded for as long as the stream exists.
        const DecoderPlugin* reader = plugin.get();
        source.accepted = lumidex::audio::containers(Container::Plugin);
        source.open = [reader](ByteView bytes, ContainerSet) { return reader->open(bytes); };
        used = handle;
        return BASS_OK;
    }
    return outOfMemory ? BASS_ERROR_MEM : BASS_ERROR_FILEFORM;
}

// The stream behind a handle, with the mixer, while BASS is initialised.
// Sets BASS_ERROR_INIT or BASS_ERROR_HANDLE and answers null otherwise.
struct Found {
    Stream* stream = nullptr;
    Mixer* mixer = nullptr;
    explicit operator bool() const { return stream != nullptr; }
};

Found lookUp(State& s, DWORD handle) {
    if (!s.ready) return fail(BASS_ERROR_INIT, Found{});
    auto it = s.streams.find(handle);
    if (it == s.streams.end()) return fail(BASS_ERROR_HANDLE, Found{});
    return Found{&it->second, AudioSystem::instance().mixer()};
}

// Runs body(found) under the layer's lock on the stream behind `handle` and
// answers what it answers; answers `invalid` when there is no such stream.
template <class T, class Body>
T withStream(DWORD handle, T invalid, Body&& body) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    const Found f = lookUp(s, handle);
    return f ? body(f) : invalid;
}

}  // namespace

DWORD BASS_GetVersion() {
    return kVersion;
}

BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* /*win*/, const void* /*dsguid*/) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.ready) return fail(BASS_ERROR_ALREADY, FALSE);
    if (device != -1 && device != 1) return fail(BASS_ERROR_DEVICE, FALSE);
    if (freq == 0 || freq > 384000) return fail(BASS_ERROR_ILLPARAM, FALSE);
    if (!AudioSystem::instance().acquire(int(freq))) return fail(BASS_ERROR_DRIVER, FALSE);
    s.ready = true;
    s.initFlags = flags;
    return ok(TRUE);
}

BOOL BASS_Free() {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.ready) return fail(BASS_ERROR_INIT, FALSE);
    Mixer* mixer = AudioSystem::instance().mixer();
    for (const auto& [handle, stream] : s.streams) mixer->remove(stream.id);
    s.streams.clear();
    s.ready = false;
    AudioSystem::instance().release();
    return ok(TRUE);
}

HPLUGIN BASS_PluginLoad(const void* file, DWORD flags) {
    if (!file) return fail(BASS_ERROR_ILLPARAM, HPLUGIN(0));
    const QString path = (flags & BASS_UNICODE)
                             ? QString::fromUtf16(static_cast<const char16_t*>(file))
                             : QString::fromUtf8(static_cast<const char*>(file));
    // Only libraries in the program's own plugins/ folder are considered:
    // loading whatever lies in the working directory would run planted code.
    const QString plugins = lumidex::audio::bassPluginFolder();
    const QFileInfo named(path);
    if (plugins.isEmpty() || QDir(named.absolutePath()).canonicalPath() != plugins)
        return fail(BASS_ERROR_FILEOPEN, HPLUGIN(0));
    // In the folder by name: a link must not lead out of it either.
    const QString real = named.canonicalFilePath();
    State& s = state();
    if (real.isEmpty() || QFileInfo(real).path() != plugins) {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.skipped[named.absoluteFilePath()] =
            real.isEmpty() ? QStringLiteral("the file cannot be read")
                           : QStringLiteral("a link to a file outside the plug-in folder");
        return fail(BASS_ERROR_FILEOPEN, HPLUGIN(0));
    }
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        for (const auto& [handle, plugin] : s.plugins)
            if (plugin->file() == real) return fail(BASS_ERROR_ALREADY, HPLUGIN(0));
    }
    // Loading runs the library's own initialisation: not under the lock.
    DecoderPlugin::Loaded loaded = DecoderPlugin::load(real);
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!loaded.plugin) {
        s.skipped[real] = loaded.reason;
        using Failure = DecoderPlugin::Loaded::Failure;
        switch (loaded.failure) {
            case Failure::Unreadable:
                return fail(BASS_ERROR_FILEOPEN, HPLUGIN(0));
            case Failure::OtherVersion:
                return fail(BASS_ERROR_VERSION, HPLUGIN(0));
            default:
                return fail(BASS_ERROR_FILEFORM, HPLUGIN(0));
        }
    }
    s.skipped.erase(real);
    const HPLUGIN handle = s.nextPlugin++;
    s.plugins[handle] = std::move(loaded.plugin);
    return ok(handle);
}

BOOL BASS_PluginFree(HPLUGIN handle) {
    // Streams created through a plug-in hold it: its library is unloaded when
    // the last of them is freed.
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (handle == 0) {
        s.plugins.clear();
        s.skipped.clear();
        return ok(TRUE);
    }
    return s.plugins.erase(handle) ? ok(TRUE) : fail(BASS_ERROR_HANDLE, FALSE);
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD /*offset*/, QWORD length,
                              DWORD flags) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.ready) return fail(BASS_ERROR_INIT, HSTREAM(0));
    if (!mem) return fail(BASS_ERROR_NOTAVAIL, HSTREAM(0));
    if (!file) return fail(BASS_ERROR_ILLPARAM, HSTREAM(0));
    try {
        const ByteView bytes{static_cast<const unsigned char*>(file), size_t(length)};
        StreamSource source{bytes, kFormats, &lumidex::audio::openSndfileDecoder,
                            lumidex::audio::openSndfileDecoder(bytes, kFormats)};
        HPLUGIN pluginHandle = 0;
        if (!source.decoder) {
            const int error = openThroughPlugins(s.plugins, source, pluginHandle);
            if (error != BASS_OK) return fail(error, HSTREAM(0));
        }
        Stream stream = describe(source.decoder->format(), flags);
        if (pluginHandle) {
            stream.plugin = s.plugins.at(pluginHandle);
            stream.info.plugin = pluginHandle;
        }
        stream.id = AudioSystem::instance().mixer()->add(std::move(source));
        if (stream.id == 0) return fail(BASS_ERROR_FILEFORM, HSTREAM(0));
        const HSTREAM handle = s.nextHandle++;
        s.streams[handle] = stream;
        return ok(handle);
    } catch (const std::bad_alloc&) {
        return fail(BASS_ERROR_MEM, HSTREAM(0));
    }
}

BOOL BASS_StreamFree(HSTREAM handle) {
    return withStream(handle, FALSE, [&](const Found& f) {
        f.mixer->remove(f.stream->id);
        state().streams.erase(handle);
        return ok(TRUE);
    });
}

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart) {
    return withStream(handle, FALSE, [&](const Found& f) {
        if (restart) f.mixer->seek(f.stream->id, 0);
        f.mixer->play(f.stream->id);
        return ok(TRUE);
    });
}

BOOL BASS_ChannelStop(DWORD handle) {
    return withStream(handle, FALSE, [&](const Found& f) {
        f.mixer->stop(f.stream->id);
        return ok(TRUE);
    });
}

DWORD BASS_ChannelIsActive(DWORD handle) {
    return withStream(handle, BASS_ACTIVE_STOPPED, [&](const Found& f) {
        const auto status = f.mixer->status(f.stream->id);
        return ok(status && status->active ? BASS_ACTIVE_PLAYING : BASS_ACTIVE_STOPPED);
    });
}

QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode) {
    return withStream(handle, QWORD(-1), [&](const Found& f) {
        if (mode != BASS_POS_BYTE) return fail(BASS_ERROR_POSITION, QWORD(-1));
        const auto status = f.mixer->status(f.stream->id);
        if (!status) return fail(BASS_ERROR_UNKNOWN, QWORD(-1));
        return ok(QWORD(std::floor(status->position)) * QWORD(f.stream->bytesPerFrame));
    });
}

BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode) {
    return withStream(handle, FALSE, [&](const Found& f) {
        if (mode != BASS_POS_BYTE) return fail(BASS_ERROR_POSITION, FALSE);
        const QWORD frame = pos / QWORD(f.stream->bytesPerFrame);
        f.mixer->seek(f.stream->id, double(std::min<QWORD>(frame, QWORD(f.stream->frames))));
        return ok(TRUE);
    });
}

QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode) {
    return withStream(handle, QWORD(-1), [&](const Found& f) {
        if (mode != BASS_POS_BYTE) return fail(BASS_ERROR_POSITION, QWORD(-1));
        return ok(QWORD(f.stream->frames) * QWORD(f.stream->bytesPerFrame));
    });
}

double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos) {
    return withStream(handle, -1.0, [&](const Found& f) {
        return ok(double(pos) / (double(f.stream->info.freq) * f.stream->bytesPerFrame));
    });
}

BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info) {
    return withStream(handle, FALSE, [&](const Found& f) {
        if (!info) return fail(BASS_ERROR_ILLPARAM, FALSE);
        *info = f.stream->info;
        return ok(TRUE);
    });
}

BOOL BASS_ChannelGetAttribute(DWORD handle, DWORD attrib, float* value) {
    return withStream(handle, FALSE, [&](const Found& f) {
        if (!value) return fail(BASS_ERROR_ILLPARAM, FALSE);
        const auto status = f.mixer->status(f.stream->id);
        if (!status) return fail(BASS_ERROR_UNKNOWN, FALSE);
        if (attrib == BASS_ATTRIB_FREQ)
            *value =
                float(lumidex::audio::playingFrequencyAt(int(f.stream->info.freq), status->rate));
        else if (attrib == BASS_ATTRIB_VOL)
            *value = status->volume;
        else
            return fail(BASS_ERROR_ILLTYPE, FALSE);
        return ok(TRUE);
    });
}

BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value) {
    return withStream(handle, FALSE, [&](const Found& f) {
        if (!std::isfinite(value) || value < 0) return fail(BASS_ERROR_ILLPARAM, FALSE);
        if (attrib == BASS_ATTRIB_FREQ) {
            const double frequency = value == 0 ? lumidex::audio::kNormalFrequency : double(value);
            f.mixer->setRate(f.stream->id,
                             lumidex::audio::sourceRate(int(f.stream->info.freq), frequency));
        } else if (attrib == BASS_ATTRIB_VOL) {
            f.mixer->setVolume(f.stream->id, value);
        } else {
            return fail(BASS_ERROR_ILLTYPE, FALSE);
        }
        return ok(TRUE);
    });
}

BOOL BASS_GetInfo(BASS_INFO* info) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.ready) return fail(BASS_ERROR_INIT, FALSE);
    if (!info) return fail(BASS_ERROR_ILLPARAM, FALSE);
    AudioSystem& system = AudioSystem::instance();
    const int rate = system.mixer()->outputRate();
    const int latency = system.output()->latencyFrames();
    *info = BASS_INFO{};
    info->minbuf = DWORD(latency * 1000 / rate);
    info->latency = info->minbuf;
    info->initflags = s.initFlags;
    info->speakers = 2;
    info->freq = DWORD(rate);
    return ok(TRUE);
}

int BASS_ErrorGetCode() {
    return lastError;
}

namespace lumidex::audio {

uint32_t bassMixerStream(HSTREAM handle) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.streams.find(handle);
    return it == s.streams.end() ? 0 : it->second.id;
}

std::vector<BassPluginInfo> bassPlugins() {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::vector<BassPluginInfo> list;
    for (const auto& [handle, p] : s.plugins)
        list.push_back({handle, p->file(), p->name(), p->version(), p->formats()});
    return list;
}

std::vector<BassPluginSkip> bassPluginSkips() {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::vector<BassPluginSkip> list;
    for (const auto& [file, reason] : s.skipped) list.push_back({file, reason});
    return list;
}

void setBassPluginFolder(const QString& folder) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.folderOverride = folder;
}

QString bassPluginFolder() {
    {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.folderOverride.isEmpty()) return QDir(s.folderOverride).canonicalPath();
    }
    // Without a QCoreApplication (command-line checks, some tests) the
    // program's folder comes from the kernel's link to the executable.
    const QString programDir =
        QCoreApplication::instance()
            ? QCoreApplication::applicationDirPath()
            : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section('/', 0, -2);
    if (programDir.isEmpty()) return QString();
    // Beside the program in the build tree; below <prefix>/lib once installed
    // (the program in <prefix>/bin), so an installed tree may be moved.
    for (const char* relative : {"/plugins", "/../lib/lumidex/plugins"}) {
        const QString folder = QDir(programDir + QLatin1String(relative)).canonicalPath();
        if (!folder.isEmpty()) return folder;
    }
    return QString();
}

}  // namespace lumidex::audio
