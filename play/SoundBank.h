#pragma once
// The music and key sounds of the open chart, opened through the decoder the
// "Pla&y" menu chooses: the BASS or Miles players of PlayerSlots, or one
// DirectShow filter graph per sound.
//
// Slot 0 is the music, slot k (1..KeyCount) key sound k. Opening reports
// failures through Dialogs with the editor's texts: "File open error!" and
// the error number for the music, one "These KEY mp3s cannot be opened:" list
// for the keys. Closing never reports anything. Use on the window thread.
//
// Key sounds for BASS and Miles are read through KeyImages: once per file or
// archive entry, shared by the keys naming it, within its memory budget (a
// key past the budget is named among those that cannot be opened).

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "ChartDocument.h"
#include "Dialogs.h"
#include "FilgraphManager.h"
#include "KeyImages.h"
#include "Mixer.h"
#include "PlayerSlots.h"

namespace lumidex {

// The decoder choice: the index of the "Pla&y" menu's decoder item.
enum Decoder : int { kDecoderBass = 0, kDecoderMiles = 1, kDecoderDShow = 2 };

// A BASS or Miles player seen through the operations playback needs; empty
// (every call does nothing) when the slot has no player of that decoder.
class SlotPlayer {
  public:
    SlotPlayer() = default;
    explicit SlotPlayer(CBass* bass) : bass_(bass) {}
    explicit SlotPlayer(CMSS* miles) : miles_(miles) {}

    // A sound is loaded.
    bool loaded() const;
    bool Active();
    double Position();
    double Duration();
    void setPosition(double seconds);
    void setVolume(float v);
    void setFrequency(int32_t hz);
    void Play();
    void StopPlay();
    // The mixer stream behind the sound; 0 when none is loaded.
    audio::StreamId stream() const;

  private:
    CBass* bass_ = nullptr;
    CMSS* miles_ = nullptr;
};

class SoundBank {
  public:
    explicit SoundBank(PlayerSlots& players) : players_(players) {}

    int decoder() const { return decoder_; }
    // Only records the choice; the caller closes the old decoder's sounds first.
    void setDecoder(int index) { decoder_ = index; }
    // BASS and Miles play through the mixer; DirectShow does not.
    bool usesMixer() const { return decoder_ == kDecoderBass || decoder_ == kDecoderMiles; }

    // "&Open": the music (KeySound 0) from musicDir. A failure is shown as
    // "File open error!" with its error number; false then.
    bool openMusic(const ChartDocument& doc, const QString& musicDir, Dialogs& ui);
    // "C&lose": releases the music of every decoder.
    void closeMusic();
    // "Open Key": key sounds 1..KeyCount. Those that fail are named in one
    // message and stay silent; the others are loaded.
    void openKeys(const ChartDocument& doc, const QString& musicDir, Dialogs& ui);
    // "Close Key": releases every key sound of every slot, so that a note can
    // never sound a key left over from another chart or decoder.
    void closeKeys();
    // The key list changed: afterwards slot k holds the sound of the file the
    // list names at k. While the keys are open, the sounds of files still in
    // the list move to their new places and only files new to it are opened
    // (from the folder "Open Key" used; one that fails stays silent, without
    // a message); a DirectShow key whose volume changed takes the new one
    // (BASS and Miles keys take theirs each time they are placed). While they
    // are not, the sounds previews loaded are let go: their places may now
    // name other files, and a preview loads again on demand.
    void followKeyList(const ChartDocument& doc);
    KeyImages& keyImages() { return images_; }

    // The music player of the current decoder (created on first use); empty
    // for DirectShow.
    SlotPlayer music();
    // Key sound k's player of the current decoder when it holds a sound;
    // empty otherwise (also for k outside 1..2000).
    SlotPlayer key(int k) const;
    // DirectShow graphs: the music's and key k's; null when not opened.
    FilgraphManager* musicGraph() const { return musicGraph_.get(); }
    FilgraphManager* keyGraph(int k) const;

  private:
    // What a key slot holds: the key it was opened for, and the image it
    // plays from (BASS and Miles).
    struct KeySlot {
        KeySound key;
        QString image;
        bool open = false;
    };
    // A slot's sound taken out while the key list is followed.
    struct Held {
        int from = 0;
        bool known = false;  // opened by "Open Key" or since, for slot.key
        KeySlot slot;
        std::unique_ptr<CBass> bass;
        std::unique_ptr<CMSS> miles;
        std::unique_ptr<FilgraphManager> graph;
    };

    int32_t openMusicError(const QString& path, const QString& snd);
    bool openKey(int k, const KeySound& key);
    bool openPlayerKey(int k, const KeySound& key, KeySlot& slot);
    Held take(int k);
    void putBack(int k, Held held, const KeySound& key);
    void releaseKeyImages();

    PlayerSlots& players_;
    int decoder_ = kDecoderBass;
    std::unique_ptr<FilgraphManager> musicGraph_;
    std::array<std::unique_ptr<FilgraphManager>, PlayerSlots::kSlots> keyGraphs_;
    std::array<std::optional<KeySlot>, PlayerSlots::kSlots> keySlots_;
    bool keysOpen_ = false;
    QString keysDir_;  // where "Open Key" found the key sounds
    KeyImages images_;
};

// The DirectShow volume of a chart volume v: ln(v) x 1000 hundredths of a
// decibel, rounded half to even, kept within silent .. full; silent for
// v <= 0.
int32_t graphVolume(double v);

}  // namespace lumidex
