#pragma once
// The sound findings of a chart check: the music and every key sound found
// where the editor looks for them (SoundFile.h), and opened by the decoders
// asked for. Codes, as in ChartCheck.h:
//   sound-missing     neither the loose file nor a PAK entry exists
//   sound-unplayable  a decoder cannot open the sound (its message follows)

#include <QString>

#include <functional>
#include <vector>

#include "ChartCheck.h"

namespace lumidex {

// One decoder's attempt at a sound: the editor's message when it failed,
// an empty text when it opened.
struct SoundDecoder {
    QString name;  // "bass", "miles", "dshow"
    std::function<QString(const QString& musicDir, const QString& snd)> openError;
};

// The music (slot 0) and the key sounds 1..KeyCount of doc, looked for in
// musicDir. A sound that is missing is not handed to the decoders.
std::vector<ChartFinding> checkSounds(const ChartDocument& doc, const QString& musicDir,
                                      const std::vector<SoundDecoder>& decoders);

}  // namespace lumidex
