// The BASS layer's decoder: libsndfile over the file image in memory, with
// every format that layer accepts, decoded and sought through.

#include "DecodeAll.h"

using namespace lumidex::audio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr ContainerSet kBassFormats = Container::Wav | Container::Aiff | Container::Flac |
                                          Container::OggVorbis | Container::OggOpus |
                                          Container::Mp3;
    if (auto decoder = openSndfileDecoder(ByteView{data, size}, kBassFormats))
        lumidex::fuzz::decodeAll(*decoder);
    return 0;
}
