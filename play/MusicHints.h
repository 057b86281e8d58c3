#pragma once
// What the status bar says when the music is not there to play: where
// "&Open" looked for it, and why "&Play" started nothing. A message box alone
// does not tell an author of a chart not yet saved that the music is looked
// for beside the program, nor does a play command that silently does nothing.

#include <QString>

#include "SoundBank.h"

namespace lumidex {

// "Looked for the music at PATH": the loose file "&Open" tries, the music
// directory followed by the music's name, made absolute and cleaned
// ("/songs/a/../../pvx_music/mr.mp3" -> "/pvx_music/mr.mp3").
QString musicLookedAt(const QString& musicDir, const QString& snd);

// Why "&Play" would start nothing: the music of the current decoder is not
// open. Empty when it is.
QString playRefusal(SoundBank& bank);

inline const QString kOpenMusicFirst =
    QStringLiteral("Nothing to play: open the music first (\"Open\" under \"Music Info\").");

}  // namespace lumidex
