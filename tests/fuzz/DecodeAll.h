#pragma once
// Decodes a sound the way the mixer pulls it, for the sound decoder targets.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "Decoder.h"
#include "FuzzSupport.h"

namespace lumidex::fuzz {

// Reads the sound block by block as the mixer does (at most maxSamples
// samples, so a file that claims hours of sound stays quick), then seeks to
// the middle, to the end and back to the start, checking what the decoder
// promises about its answers.
inline void decodeAll(audio::Decoder& decoder, int64_t maxSamples = 1 << 18) {
    const audio::SoundFormat& f = decoder.format();
    check(f.channels >= 1 && f.sampleRate >= 1 && f.frames >= 0, "decoder format out of range");
    constexpr int64_t kBlock = 512;
    std::vector<float> out(size_t(kBlock * f.channels));
    auto readSome = [&](int64_t blocks) {
        for (int64_t i = 0; i < blocks; ++i) {
            const int64_t n = decoder.read(out.data(), kBlock);
            check(n >= 0 && n <= kBlock, "decoder read more frames than asked for");
            if (n == 0) return;
        }
    };
    readSome(std::max<int64_t>(1, maxSamples / (kBlock * f.channels)));
    if (decoder.seek(f.frames / 2)) readSome(2);
    if (decoder.seek(f.frames)) readSome(1);
    if (decoder.seek(0)) readSome(1);
}

}  // namespace lumidex::fuzz
