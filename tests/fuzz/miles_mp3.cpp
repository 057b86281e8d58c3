// The Miles layer's MP3 decoder (libmpg123, every frame kept), decoded and
// sought through.

#include "DecodeAll.h"

using namespace lumidex::audio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (auto decoder = openMpg123Decoder(ByteView{data, size})) lumidex::fuzz::decodeAll(*decoder);
    return 0;
}
