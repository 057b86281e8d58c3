#include "SoundControls.h"

#include "SoundBank.h"

namespace lumidex {

void SoundControls::decoderChosen(int decoder) {
    s_.speed = decoder != kDecoderDShow;
}

void SoundControls::setMusic(bool open) {
    s_.openMusic = !open;
    s_.closeMusic = open;
    s_.play = open;
    s_.musicFile = !open;
}

void SoundControls::setKeys(bool open) {
    s_.openKeys = !open;
    s_.closeKeys = open;
    s_.keyItem = open;
}

}  // namespace lumidex
