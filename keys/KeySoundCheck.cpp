#include "KeySoundCheck.h"

#include <algorithm>

#include "SoundFile.h"

namespace lumidex {
namespace {

void checkSound(int slot, const QString& musicDir, const QString& snd,
                const std::vector<SoundDecoder>& decoders, std::vector<ChartFinding>& out) {
    const ChartFinding::Place place = slot == 0 ? ChartFinding::Music : ChartFinding::Key;
    if (locateSound(musicDir, snd).kind == SoundLocation::Missing) {
        out.push_back(
            {QStringLiteral("sound-missing"), place, slot,
             QStringLiteral("%1 is neither in %2 nor in a PAK archive there.").arg(snd, musicDir)});
        return;
    }
    for (const SoundDecoder& decoder : decoders) {
        QString error = decoder.openError(musicDir, snd);
        if (error.isEmpty()) continue;
        out.push_back(
            {QStringLiteral("sound-unplayable"), place, slot,
             QStringLiteral("%1 does not open %2: %3")
                 .arg(decoder.name, snd, error.replace(QLatin1Char('\n'), QLatin1Char(' ')))});
    }
}

}  // namespace

std::vector<ChartFinding> checkSounds(const ChartDocument& doc, const QString& musicDir,
                                      const std::vector<SoundDecoder>& decoders) {
    std::vector<ChartFinding> out;
    const int count = std::clamp(doc.KeyCount, 0, kMaxKeySound);
    for (int slot = 0; slot <= count; ++slot)
        checkSound(slot, musicDir, doc.keySound(slot).Snd, decoders, out);
    return out;
}

}  // namespace lumidex
