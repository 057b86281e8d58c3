#pragma once
// Hearing a key sound by clicking it in the key list.
//
// BASS and Miles play the key from its player slot, loading the sound first
// when the slot holds none (and leaving it loaded); a sound that has played
// to its end starts again from its beginning. DirectShow builds a new
// graph for the key, runs it and stops it once it has played to its end; a
// timer on the window thread watches the running graphs, so the window keeps
// handling events meanwhile and several previews may overlap.
//
// A preview that cannot open its sound stays silent; nothing is reported.
// Belongs to the window thread.

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <memory>
#include <vector>

#include "ChartDocument.h"
#include "DShowTypes.h"

namespace lumidex {

class FilgraphManager;
class PlayerSlots;

// The decoders of the "Pla&y" menu.
enum class KeyDecoder { Bass = 0, Miles = 1, DShow = 2 };

// The player volume of a key's volume text: its leading number, where text
// without one, a negative number or one too large to read is 0 (silent).
float keyPlayerVolume(const QString& volumeText);
// The DirectShow volume of a key's volume text: ln(v) x 1000 in hundredths
// of a decibel, rounded half to even and held to kVolumeSilent..kVolumeFull;
// kVolumeSilent for v of 0 or less.
int32_t keyGraphVolume(const QString& volumeText);

class KeyPreview {
  public:
    explicit KeyPreview(PlayerSlots& players);
    ~KeyPreview();
    KeyPreview(const KeyPreview&) = delete;
    KeyPreview& operator=(const KeyPreview&) = delete;

    // Plays key k (1..2000) whose file is musicDir followed by key.Snd.
    // Answers true when a sound was opened for the key now (the window then
    // enables "Close Key").
    bool play(KeyDecoder decoder, int k, const KeySound& key, const QString& musicDir);

    // Whether a DirectShow preview is still running.
    bool running() const { return !running_.empty(); }
    // The DirectShow graph of key k, or null.
    FilgraphManager* graph(int k) const;
    // Stops and drops every DirectShow key graph ("Close Key").
    void releaseGraphs();

  private:
    bool playGraph(int k, const KeySound& key, const QString& musicDir);
    void watch();

    PlayerSlots& players_;
    std::array<std::unique_ptr<FilgraphManager>, kMaxKeySound + 1> graphs_;
    std::vector<int> running_;  // keys whose graph plays
    QTimer timer_;
};

}  // namespace lumidex
