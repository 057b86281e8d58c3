#pragma once
// Which of the music and key sound controls can be used, and how the
// commands that open and close the sounds change that: "&Open", "C&lose" and
// "&Play" of the music with the boxes naming its file, "Open Key", "Close
// Key" and "Play &Key", and the playing speed (BASS and Miles only). The
// window shows these states; the check mark of "Play &Key" follows the
// opened key sounds and the user.

namespace lumidex {

struct SoundControlStates {
    bool openMusic = true;    // "&Open"
    bool closeMusic = false;  // "C&lose"
    bool play = false;        // "&Play": only with the music open
    bool musicFile = true;    // "BGM Path" and "pvx_music Path": not while the music is open
    bool openKeys = true;     // "Open Key"
    bool closeKeys = false;   // "Close Key": key sounds or a preview are open
    bool keyItem = false;     // "Play &Key": only with the key sounds open
    bool speed = true;        // the second "Playing Speed" slider, its "Reset" and "Sample"
};

class SoundControls {
  public:
    const SoundControlStates& states() const { return s_; }

    void musicOpened() { setMusic(true); }
    void musicClosed() { setMusic(false); }
    void keysOpened() { setKeys(true); }
    void keysClosed() { setKeys(false); }
    // A key clicked in the list played: its sound can be closed.
    void previewPlayed() { s_.closeKeys = true; }
    // The decoder of the "Pla&y" menu (SoundBank's Decoder) was chosen.
    void decoderChosen(int decoder);

  private:
    void setMusic(bool open);
    void setKeys(bool open);

    SoundControlStates s_;
};

}  // namespace lumidex
