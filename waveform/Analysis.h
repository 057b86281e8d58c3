#pragma once
// Decoding the music once, through the decoder the user chose, into a peak
// table. Runs on a worker thread (WaveformJob); nothing here touches the
// chart or the window.

#include <QString>

#include <atomic>
#include <functional>
#include <memory>

#include "Decoder.h"
#include "PeakTable.h"

namespace lumidex::waveform {

// How an analysis ended. A table is kept for Complete, EndedEarly and
// Silent (and shown); Cancelled and Undecodable keep none.
enum class Outcome { Complete, EndedEarly, Silent, Cancelled, Undecodable };

struct Analysis {
    Outcome outcome = Outcome::Undecodable;
    std::shared_ptr<const PeakTable> table;
    int64_t expectedFrames = 0;  // the length the file announced
};

// A decoder on the bytes as the BASS (0) or Miles (1) layer opens its
// streams (the "Pla&y" menu's index). Null when the bytes cannot be decoded
// so. DirectShow reads the loose file itself (GstMusicDecoder.h).
std::unique_ptr<audio::Decoder> openMusicDecoder(int decoderChoice, audio::ByteView bytes);

// Decodes to the end, or until cancel is set. progress (when given) gets the
// fraction of the announced length decoded so far, now and then. A decoder
// that stops short of the announced length (a damaged or cut file) gives
// EndedEarly with the part decoded.
Analysis analyse(audio::Decoder& decoder, const std::atomic<bool>& cancel,
                 const std::function<void(double)>& progress = {});

// The status bar's words for an outcome; seconds are those of the table.
QString describe(const Analysis& analysis);

}  // namespace lumidex::waveform
