// Decoding with libsndfile straight from the file image in memory, through
// its virtual I/O interface.

#include "Decoder.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>

namespace lumidex::audio {

namespace {

// A read cursor over the caller's bytes, the "file" libsndfile sees.
struct MemoryFile {
    ByteView bytes;
    sf_count_t position = 0;

    static MemoryFile& of(void* user) { return *static_cast<MemoryFile*>(user); }

    static sf_count_t length(void* user) { return sf_count_t(of(user).bytes.size); }

    static sf_count_t seek(sf_count_t offset, int whence, void* user) {
        MemoryFile& f = of(user);
        const sf_count_t size = sf_count_t(f.bytes.size);
        sf_count_t base = whence == SEEK_CUR ? f.position : whence == SEEK_END ? size : 0;
        f.position = std::clamp<sf_count_t>(base + offset, 0, size);
        return f.position;
    }

    static sf_count_t read(void* out, sf_count_t count, void* user) {
        MemoryFile& f = of(user);
        const sf_count_t left = sf_count_t(f.bytes.size) - f.position;
        const sf_count_t n = std::clamp<sf_count_t>(count, 0, left);
        if (n > 0) std::memcpy(out, f.bytes.data + f.position, size_t(n));
        f.position += n;
        return n;
    }

    static sf_count_t write(const void*, sf_count_t, void*) { return 0; }

    static sf_count_t tell(void* user) { return of(user).position; }
};

SF_VIRTUAL_IO memoryIo() {
    SF_VIRTUAL_IO io{};
    io.get_filelen = &MemoryFile::length;
    io.seek = &MemoryFile::seek;
    io.read = &MemoryFile::read;
    io.write = &MemoryFile::write;
    io.tell = &MemoryFile::tell;
    return io;
}

// Which of our formats a libsndfile format code is; false for the others.
bool containerOf(int format, Container& container) {
    const int subtype = format & SF_FORMAT_SUBMASK;
    switch (format & SF_FORMAT_TYPEMASK) {
        case SF_FORMAT_WAV:
        case SF_FORMAT_WAVEX:
        case SF_FORMAT_RF64:
            container = Container::Wav;
            return true;
        case SF_FORMAT_AIFF:
            container = Container::Aiff;
            return true;
        case SF_FORMAT_FLAC:
            container = Container::Flac;
            return true;
        case SF_FORMAT_MPEG:
            container = Container::Mp3;
            return true;
        case SF_FORMAT_OGG:
            if (subtype == SF_FORMAT_VORBIS)
                container = Container::OggVorbis;
            else if (subtype == SF_FORMAT_OPUS)
                container = Container::OggOpus;
            else
                return false;
            return true;
        default:
            return false;
    }
}

// Bits per sample the file stores; 0 for compressed data.
int sourceBitsOf(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
            return 8;
        case SF_FORMAT_PCM_16:
            return 16;
        case SF_FORMAT_PCM_24:
            return 24;
        case SF_FORMAT_PCM_32:
        case SF_FORMAT_FLOAT:
            return 32;
        case SF_FORMAT_DOUBLE:
            return 64;
        default:
            return 0;
    }
}

bool isFloatFormat(int format) {
    const int subtype = format & SF_FORMAT_SUBMASK;
    return subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE;
}

class SndfileDecoder final : public Decoder {
  public:
    explicit SndfileDecoder(ByteView bytes) : file_{bytes, 0} {}
    ~SndfileDecoder() override {
        if (sf_) sf_close(sf_);
    }

    bool open(ContainerSet accepted) {
        SF_VIRTUAL_IO io = memoryIo();
        SF_INFO info{};
        sf_ = sf_open_virtual(&io, SFM_READ, &info, &file_);
        if (!sf_) return false;
        Container container;
        if (!containerOf(info.format, container) || !contains(accepted, container)) return false;
        // A length the file cannot tell, or no channels at all, is a broken file.
        if (info.channels < 1 || info.samplerate < 1 || info.frames < 0 ||
            info.frames == SF_COUNT_MAX)
            return false;
        format_.container = container;
        format_.sampleRate = info.samplerate;
        format_.channels = info.channels;
        format_.frames = info.frames;
        format_.sourceBits = sourceBitsOf(info.format);
        format_.floatSamples = isFloatFormat(info.format);
        return true;
    }

    int64_t read(float* out, int64_t frames) override {
        if (failed_ || frames <= 0) return 0;
        const sf_count_t n = sf_readf_float(sf_, out, frames);
        return n > 0 ? n : 0;
    }

    bool seek(int64_t frame) override {
        failed_ = sf_seek(sf_, std::clamp<int64_t>(frame, 0, format_.frames), SEEK_SET) < 0;
        return !failed_;
    }

  private:
    MemoryFile file_;
    SNDFILE* sf_ = nullptr;
    bool failed_ = false;
};

}  // namespace

bool looksLikeWav(ByteView bytes) {
    if (!bytes.data || bytes.size < 12) return false;
    const unsigned char* d = bytes.data;
    const bool riff = std::memcmp(d, "RIFF", 4) == 0 || std::memcmp(d, "RIFX", 4) == 0 ||
                      std::memcmp(d, "RF64", 4) == 0;
    return riff && std::memcmp(d + 8, "WAVE", 4) == 0;
}

std::unique_ptr<Decoder> openSndfileDecoder(ByteView bytes, ContainerSet accepted) {
    if (!bytes.data || bytes.size == 0) return nullptr;
    auto decoder = std::make_unique<SndfileDecoder>(bytes);
    if (!decoder->open(accepted)) return nullptr;
    return decoder;
}

}  // namespace lumidex::audio
