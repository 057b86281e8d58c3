// A sound file through the player classes as playback uses them: CBass and
// CMSS load it from a music folder, report its format and length, seek to
// positions in seconds (also far past the end and negative), change the
// playing frequency and play on a manual output. A player may refuse a value
// with a RuntimeError (as an overflow does); nothing else may go wrong.

#include <fuzzer/FuzzedDataProvider.h>

#include "AudioHarness.h"
#include "CBass.h"
#include "CMSS.h"
#include "RuntimeError.h"

using namespace lumidex;

namespace {

template <class Step>
void allowingRuntimeErrors(Step&& step) {
    try {
        step();
    } catch (const RuntimeError&) {
    }
}

template <class Player>
void exercise(Player& player, FuzzedDataProvider& in, const QString& folder, const QString& name) {
    if (player.LoadFile(folder, name) != 0 || player.Handle() == 0) return;
    fuzz::check(player.Duration() >= 0, "a negative duration");
    player.Play();
    fuzz::advance(1024);
    for (int n = 0; n < 3; ++n) {
        const double seconds = in.ConsumeFloatingPointInRange<double>(-1e12, 1e12);
        allowingRuntimeErrors([&] { player.setPosition(seconds); });
        allowingRuntimeErrors([&] { player.setFrequency(in.ConsumeIntegralInRange(100, 400000)); });
        fuzz::advance(512);
        allowingRuntimeErrors([&] { player.Position(); });
    }
    player.StopPlay();
    player.Free();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzz::ScratchFile file("sound.wav");
    FuzzedDataProvider in(data, size);
    const std::vector<uint8_t> settings = in.ConsumeBytes<uint8_t>(48);
    const std::vector<uint8_t> sound = in.ConsumeRemainingBytes<uint8_t>();
    file.write(sound.data(), sound.size());
    const int slash = int(file.path().lastIndexOf('/'));
    const QString folder = file.path().left(slash + 1), name = file.path().mid(slash + 1);
    FuzzedDataProvider choices(settings.data(), settings.size());
    {
        CBass bass;
        exercise(bass, choices, folder, name);
        allowingRuntimeErrors([&] {
            if (bass.LoadFile(folder, name) == 0 && bass.Handle() != 0) {
                bass.BytesPerSecond();
                bass.Mode();
                bass.Bits();
            }
        });
    }
    {
        CMSS miles;
        exercise(miles, choices, folder, name);
    }
    return 0;
}
