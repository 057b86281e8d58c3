// Decoding MPEG audio with libmpg123 from the file image in memory. Gapless
// trimming is off, so the encoder's delay and padding are played as decoded.

#include "Decoder.h"

#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace lumidex::audio {

namespace {

void initLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

bool isFrameHeader(const unsigned char* h) {
    const int version = (h[1] >> 3) & 3;  // 1 is reserved
    const int layer = (h[1] >> 1) & 3;    // 0 is reserved
    const int bitrate = h[2] >> 4;        // 15 is invalid
    const int rate = (h[2] >> 2) & 3;     // 3 is reserved
    return h[0] == 0xFF && (h[1] & 0xE0) == 0xE0 && version != 1 && layer != 0 && bitrate != 15 &&
           rate != 3;
}

}  // namespace

// MPEG audio starts with a frame header, possibly behind an ID3v2 tag. libmpg123
// would hunt through anything for a frame sync; checking the start first keeps
// other formats from being taken for MP3.
bool looksLikeMpegAudio(ByteView bytes) {
    if (!bytes.data) return false;
    size_t at = 0;
    const unsigned char* d = bytes.data;
    if (bytes.size >= 10 && std::memcmp(d, "ID3", 3) == 0) {
        const size_t tagSize = (size_t(d[6] & 0x7F) << 21) | (size_t(d[7] & 0x7F) << 14) |
                               (size_t(d[8] & 0x7F) << 7) | size_t(d[9] & 0x7F);
        const bool footer = (d[5] & 0x10) != 0;
        at = 10 + tagSize + (footer ? 10 : 0);
    }
    return at + 4 <= bytes.size && isFrameHeader(d + at);
}

namespace {

// The read cursor libmpg123 reads through.
struct MemoryFile {
    ByteView bytes;
    off_t position = 0;

    static mpg123_ssize_t read(void* user, void* out, size_t count) {
        auto& f = *static_cast<MemoryFile*>(user);
        const size_t left = f.bytes.size - size_t(f.position);
        const size_t n = std::min(count, left);
        if (n > 0) std::memcpy(out, f.bytes.data + f.position, n);
        f.position += off_t(n);
        return mpg123_ssize_t(n);
    }

    static off_t seek(void* user, off_t offset, int whence) {
        auto& f = *static_cast<MemoryFile*>(user);
        const off_t size = off_t(f.bytes.size);
        const off_t base = whence == SEEK_CUR ? f.position : whence == SEEK_END ? size : 0;
        const off_t target = base + offset;
        if (target < 0 || target > size) return -1;
        f.position = target;
        return target;
    }
};

class Mpg123Decoder final : public Decoder {
  public:
    explicit Mpg123Decoder(ByteView bytes) : file_{bytes, 0} {}
    ~Mpg123Decoder() override {
        if (handle_) {
            mpg123_close(handle_);
            mpg123_delete(handle_);
        }
    }

    bool open() {
        initLibrary();
        handle_ = mpg123_new(nullptr, nullptr);
        if (!handle_) return false;
        mpg123_param(handle_, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0.0);
        mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
        if (!allowFloatOutput(0, MPG123_MONO | MPG123_STEREO)) return false;
        if (mpg123_replace_reader_handle(handle_, &MemoryFile::read, &MemoryFile::seek, nullptr) !=
                MPG123_OK ||
            mpg123_open_handle(handle_, &file_) != MPG123_OK)
            return false;
        // Scanning every frame header gives the exact length.
        if (mpg123_scan(handle_) != MPG123_OK) return false;
        long rate = 0;
        int channels = 0, encoding = 0;
        if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 ||
            channels < 1)
            return false;
        // Later frames of another rate or channel count are converted to this one.
        if (!allowFloatOutput(rate, channels == 1 ? MPG123_MONO : MPG123_STEREO)) return false;
        const off_t length = mpg123_length(handle_);
        if (length <= 0 || mpg123_seek(handle_, 0, SEEK_SET) < 0) return false;
        format_.container = Container::Mp3;
        format_.sampleRate = int(rate);
        format_.channels = channels;
        format_.frames = length;
        return true;
    }

    int64_t read(float* out, int64_t frames) override {
        const size_t frameBytes = sizeof(float) * size_t(format_.channels);
        auto* bytes = reinterpret_cast<unsigned char*>(out);
        size_t wanted = size_t(std::max<int64_t>(frames, 0)) * frameBytes;
        size_t got = 0;
        while (!ended_ && got < wanted) {
            size_t done = 0;
            const int rc = mpg123_read(handle_, bytes + got, wanted - got, &done);
            got += done;
            if (rc == MPG123_NEW_FORMAT) continue;
            if (rc != MPG123_OK) ended_ = true;  // the end, or data it cannot decode
        }
        return int64_t(got / frameBytes);
    }

    bool seek(int64_t frame) override {
        ended_ = mpg123_seek(handle_, off_t(std::clamp<int64_t>(frame, 0, format_.frames)),
                             SEEK_SET) < 0;
        return !ended_;
    }

  private:
    // Float output only; rate 0 allows every rate libmpg123 knows.
    bool allowFloatOutput(long rate, int channels) {
        if (mpg123_format_none(handle_) != MPG123_OK) return false;
        if (rate > 0)
            return mpg123_format(handle_, rate, channels, MPG123_ENC_FLOAT_32) == MPG123_OK;
        const long* rates = nullptr;
        size_t count = 0;
        mpg123_rates(&rates, &count);
        for (size_t i = 0; i < count; ++i)
            mpg123_format(handle_, rates[i], channels, MPG123_ENC_FLOAT_32);
        return count > 0;
    }

    MemoryFile file_;
    mpg123_handle* handle_ = nullptr;
    bool ended_ = false;
};

}  // namespace

std::unique_ptr<Decoder> openMpg123Decoder(ByteView bytes, ContainerSet accepted) {
    if (!contains(accepted, Container::Mp3) || !looksLikeMpegAudio(bytes)) return nullptr;
    auto decoder = std::make_unique<Mpg123Decoder>(bytes);
    if (!decoder->open()) return nullptr;
    return decoder;
}

}  // namespace lumidex::audio
