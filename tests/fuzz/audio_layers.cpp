// A sound file through the BASS and Miles layers as the editor uses them:
// loaded from memory, asked for its length and format, played on a manual
// output (decoding, resampling to the output rate and mixing), moved to the
// middle, played again and freed.

#include "AudioHarness.h"

using namespace lumidex;

namespace {

void playBass(const uint8_t* data, size_t size) {
    const HSTREAM h = BASS_StreamCreateFile(TRUE, data, 0, size, 0);
    if (!h) return;
    const QWORD length = BASS_ChannelGetLength(h, BASS_POS_BYTE);
    fuzz::check(length != QWORD(-1), "a stream without a length");
    BASS_CHANNELINFO info;
    fuzz::check(BASS_ChannelGetInfo(h, &info) && info.freq > 0 && info.chans > 0,
                "bad stream info");
    BASS_ChannelBytes2Seconds(h, length);
    BASS_ChannelPlay(h, FALSE);
    fuzz::advance(2048);
    BASS_ChannelSetPosition(h, length / 2, BASS_POS_BYTE);
    fuzz::advance(1024);
    BASS_ChannelGetPosition(h, BASS_POS_BYTE);
    BASS_StreamFree(h);
}

void playMiles(const uint8_t* data, size_t size) {
    const HAUDIO h = AIL_quick_load_mem(data, U32(size));
    if (!h) return;
    const S32 length = AIL_quick_ms_length(h);
    fuzz::check(length >= 0, "a sound with a negative length");
    AIL_quick_play(h, 1);
    fuzz::advance(2048);
    AIL_quick_set_ms_position(h, length / 2);
    fuzz::advance(1024);
    AIL_quick_ms_position(h);
    AIL_quick_unload(h);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    playBass(data, size);
    playMiles(data, size);
    return 0;
}
