#pragma once
// The music decoded as the DirectShow layer plays it: a GStreamer pipeline
// on the loose file (decodebin, as playbin uses), its samples pulled as
// interleaved floats as fast as the machine allows. Use on one thread.

#include <QString>

#include <memory>

#include "Decoder.h"

namespace lumidex::waveform {

// Null when GStreamer cannot open the file or finds no audio in it within
// the time-out (10 s, for a decoder that stalls on a damaged file).
std::unique_ptr<audio::Decoder> openGstDecoder(const QString& path);

}  // namespace lumidex::waveform
