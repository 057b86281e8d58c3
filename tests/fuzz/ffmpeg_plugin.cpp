// The FFmpeg decoder plug-in, through its C table as the host calls it:
// probe, open from memory, read block by block, seek about, close.

#include <algorithm>
#include <vector>

#include "FuzzSupport.h"
#include "lumidex_decoder_plugin.h"

extern "C" const lumidex_decoder_plugin* lumidex_decoder_entry(void);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using lumidex::fuzz::check;
    static const lumidex_decoder_plugin* plugin = lumidex_decoder_entry();
    if (!plugin->probe(data, size)) return 0;
    lumidex_sound_info info{};
    int error = -1;
    lumidex_decoder* d = plugin->open(data, size, &info, &error);
    if (!d) {
        check(error == LUMIDEX_DECODER_ERROR_FORMAT || error == LUMIDEX_DECODER_ERROR_MEMORY,
              "refused without a reason");
        return 0;
    }
    check(info.sample_rate >= 1 && info.channels >= 1 && info.channels <= 32 && info.frames >= 0,
          "sound info out of range");
    constexpr int64_t kBlock = 512;
    std::vector<float> out(size_t(kBlock * info.channels));
    auto readSome = [&](int blocks) {
        for (int i = 0; i < blocks; ++i) {
            const int64_t n = plugin->read(d, out.data(), kBlock);
            check(n >= 0 && n <= kBlock, "read more frames than asked for");
            if (n < kBlock) return;
        }
    };
    // At most a quarter million samples: a file claiming hours stays quick.
    readSome(int(std::max<int64_t>(1, (1 << 18) / (kBlock * info.channels))));
    const int64_t length = plugin->length(d);
    for (int64_t to : {length / 2, int64_t(1), length, length / 3, int64_t(0)})
        if (plugin->seek(d, to)) readSome(2);
    plugin->close(d);
    return 0;
}
