#pragma once
// Decoders turn the bytes of a sound file held in memory into float samples,
// a block at a time, while the sound plays. Nothing is decoded in advance.
//
// A decoder reads the caller's bytes in place: the bytes must stay untouched
// for the decoder's whole life. Decoders are not thread-safe; the mixer uses
// each one under its own lock.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace lumidex::audio {

// The bytes of a whole sound file, owned by someone else.
struct ByteView {
    const unsigned char* data = nullptr;
    size_t size = 0;
};

// The file formats the layers accept. Each layer names its own set.
enum class Container : uint32_t {
    Wav = 1u << 0,  // RIFF WAVE, WAVE_FORMAT_EXTENSIBLE and RF64, any codec libsndfile reads
    Aiff = 1u << 1,
    Flac = 1u << 2,
    OggVorbis = 1u << 3,
    OggOpus = 1u << 4,
    Mp3 = 1u << 5,
    Plugin = 1u << 6,  // whatever a decoder plug-in reads (DecoderPlugin.h)
};

using ContainerSet = uint32_t;
constexpr ContainerSet containers(Container c) {
    return static_cast<uint32_t>(c);
}
constexpr ContainerSet operator|(Container a, Container b) {
    return containers(a) | containers(b);
}
constexpr ContainerSet operator|(ContainerSet a, Container b) {
    return a | containers(b);
}
constexpr bool contains(ContainerSet set, Container c) {
    return (set & containers(c)) != 0;
}

// What a decoder found in the file.
struct SoundFormat {
    Container container = Container::Wav;
    int sampleRate = 0;         // frames per second of the file
    int channels = 0;           // 1 or more
    int64_t frames = 0;         // length in frames, as far as the file tells
    int sourceBits = 0;         // 8, 16, 24 or 32 for PCM and float files; 0 for compressed ones
    bool floatSamples = false;  // the file stores floating-point samples
};

class Decoder {
  public:
    virtual ~Decoder() = default;

    const SoundFormat& format() const { return format_; }

    // Reads up to `frames` frames of interleaved floats (format().channels per
    // frame) into out. Answers the frames read; 0 at the end of the sound or
    // when the data cannot be decoded any further.
    virtual int64_t read(float* out, int64_t frames) = 0;

    // Moves to a frame (0 .. frames). False when the decoder cannot get there;
    // the next read then answers 0.
    virtual bool seek(int64_t frame) = 0;

  protected:
    SoundFormat format_;
};

// Opens the bytes with libsndfile when they hold one of the accepted formats.
// Null for anything else, and for damaged or empty data.
std::unique_ptr<Decoder> openSndfileDecoder(ByteView bytes, ContainerSet accepted);

// Opens MPEG audio (layer III, also I and II) with libmpg123, every decoded
// frame kept: no encoder delay or padding is trimmed. The bytes must begin
// with an ID3v2 tag or an MPEG frame header. Null for anything else, and
// when Mp3 is not among the accepted formats.
std::unique_ptr<Decoder> openMpg123Decoder(ByteView bytes,
                                           ContainerSet accepted = containers(Container::Mp3));

// Cheap looks at the first bytes, for a layer that refuses other formats
// before a decoder is set up. A RIFF, RIFX or RF64 file of WAVE form:
bool looksLikeWav(ByteView bytes);
// An MPEG audio frame header at the start, possibly behind an ID3v2 tag:
bool looksLikeMpegAudio(ByteView bytes);

// How a stream opens its decoder again after the mixer has closed it to save
// memory. Answers a decoder positioned at frame 0, or null. A plain function,
// or a small lambda naming the plug-in that reads the bytes.
using DecoderOpener =
    std::function<std::unique_ptr<Decoder>(ByteView bytes, ContainerSet accepted)>;

}  // namespace lumidex::audio
