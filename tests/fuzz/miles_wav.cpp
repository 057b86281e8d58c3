// The Miles layer's WAV decoder (libsndfile, WAV only), decoded and sought
// through.

#include "DecodeAll.h"

using namespace lumidex::audio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (auto decoder = openSndfileDecoder(ByteView{data, size}, containers(Container::Wav)))
        lumidex::fuzz::decodeAll(*decoder);
    return 0;
}
