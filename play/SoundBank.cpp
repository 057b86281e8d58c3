#include "SoundBank.h"

#include <algorithm>
#include <cmath>

#include "AudioErrors.h"
#include "Bass.h"
#include "Miles.h"
#include "Numbers.h"
#include "RuntimeError.h"
#include "SoundFile.h"

namespace lumidex {

// ---- SlotPlayer ----------------------------------------------------------------

bool SlotPlayer::loaded() const {
    return (bass_ && bass_->Handle() != 0) || (miles_ && miles_->Handle() != 0);
}
bool SlotPlayer::Active() {
    return bass_ ? bass_->Active() : miles_ ? miles_->Active() : false;
}
double SlotPlayer::Position() {
    return bass_ ? bass_->Position() : miles_ ? miles_->Position() : 0.0;
}
double SlotPlayer::Duration() {
    return bass_ ? bass_->Duration() : miles_ ? miles_->Duration() : 0.0;
}
void SlotPlayer::setPosition(double seconds) {
    if (bass_) bass_->setPosition(seconds);
    if (miles_) miles_->setPosition(seconds);
}
void SlotPlayer::setVolume(float v) {
    if (bass_) bass_->setVolume(v);
    if (miles_) miles_->setVolume(v);
}
void SlotPlayer::setFrequency(int32_t hz) {
    if (bass_) bass_->setFrequency(hz);
    if (miles_) miles_->setFrequency(hz);
}
void SlotPlayer::Play() {
    if (bass_) bass_->Play();
    if (miles_) miles_->Play();
}
void SlotPlayer::StopPlay() {
    if (bass_) bass_->StopPlay();
    if (miles_) miles_->StopPlay();
}
audio::StreamId SlotPlayer::stream() const {
    if (bass_) return audio::bassMixerStream(bass_->Handle());
    if (miles_) return audio::milesMixerStream(miles_->Handle());
    return 0;
}

// ---- opening and closing ----------------------------------------------------------

bool SoundBank::openMusic(const ChartDocument& doc, const QString& musicDir, Dialogs& ui) {
    int32_t n = 0;
    try {
        n = openMusicError(musicDir, doc.keySound(0).Snd);
    } catch (const RuntimeError& e) {
        n = e.number();
    }
    if (n == 0) return true;
    ui.message(fileOpenErrorText(n));
    return false;
}

// The error number of opening the music, 0 on success.
int32_t SoundBank::openMusicError(const QString& musicDir, const QString& snd) {
    switch (decoder_) {
        case kDecoderBass: {
            CBass& player = players_.bass(0);
            player.setBGM(true);
            const int32_t r = player.LoadFile(musicDir, snd);
            return r == 0 ? 0 : bassErrorNumber(r);
        }
        case kDecoderMiles: {
            CMSS& player = players_.miles(0);
            player.setBGM(true);
            const int32_t r = player.LoadFile(musicDir, snd);
            return r == 0 ? 0 : milesErrorNumber(r);
        }
        case kDecoderDShow: {
            musicGraph_ = std::make_unique<FilgraphManager>();
            const HRESULT hr = musicGraph_->RenderFile(musicDir + snd);
            return FAILED(hr) ? hr : 0;
        }
        default:
            return 0;  // nothing to open
    }
}

void SoundBank::closeMusic() {
    if (CBass* player = players_.existingBass(0)) player->Free();
    if (CMSS* player = players_.existingMiles(0)) player->Free();
    if (musicGraph_) {
        musicGraph_->Stop();
        musicGraph_->put_CurrentPosition(0);
    }
    musicGraph_.reset();
}

void SoundBank::openKeys(const ChartDocument& doc, const QString& musicDir, Dialogs& ui) {
    QString failed;
    const int count = std::clamp(doc.KeyCount, 0, kMaxKeySound);
    for (int k = 1; k <= count; ++k) {
        bool opened = false;
        try {
            opened = openKey(doc, k, musicDir);
        } catch (const RuntimeError&) {
        }
        if (!opened) failed += doc.keySound(k).Snd + QLatin1Char('\n');
    }
    if (!failed.isEmpty())
        ui.message(QStringLiteral("These KEY mp3s cannot be opened:\n") + failed);
}

bool SoundBank::openKey(const ChartDocument& doc, int k, const QString& musicDir) {
    const QString& snd = doc.keySound(k).Snd;
    switch (decoder_) {
        case kDecoderBass:
            return players_.bass(k).LoadFile(musicDir, snd) == 0;
        case kDecoderMiles:
            return players_.miles(k).LoadFile(musicDir, snd) == 0;
        case kDecoderDShow: {
            auto graph = std::make_unique<FilgraphManager>();
            const HRESULT rendered = graph->RenderFile(musicDir + snd);
            FilgraphManager& kept = *(keyGraphs_[size_t(k)] = std::move(graph));
            if (FAILED(rendered)) return false;
            return SUCCEEDED(kept.put_Volume(graphVolume(val(doc.keySound(k).Volume))));
        }
        default:
            return true;
    }
}

void SoundBank::closeKeys() {
    for (int k = 1; k < PlayerSlots::kSlots; ++k) {
        if (CBass* player = players_.existingBass(k)) player->Free();
        if (CMSS* player = players_.existingMiles(k)) player->Free();
        keyGraphs_[size_t(k)].reset();
    }
}

// ---- access -------------------------------------------------------------------------

SlotPlayer SoundBank::music() {
    if (decoder_ == kDecoderBass) return SlotPlayer(&players_.bass(0));
    if (decoder_ == kDecoderMiles) return SlotPlayer(&players_.miles(0));
    return SlotPlayer();
}

SlotPlayer SoundBank::key(int k) const {
    if (k < 1 || k >= PlayerSlots::kSlots) return SlotPlayer();
    SlotPlayer player;
    if (decoder_ == kDecoderBass) player = SlotPlayer(players_.existingBass(k));
    if (decoder_ == kDecoderMiles) player = SlotPlayer(players_.existingMiles(k));
    return player.loaded() ? player : SlotPlayer();
}

FilgraphManager* SoundBank::keyGraph(int k) const {
    if (k < 1 || k >= PlayerSlots::kSlots) return nullptr;
    return keyGraphs_[size_t(k)].get();
}

int32_t graphVolume(double v) {
    if (v <= 0) return kVolumeSilent;
    // ln(v) x 1000 outside the audio view's range would be refused; louder
    // than full plays at full, quieter than silent is silent.
    const double hundredths = std::clamp(std::log(v) * 1000, double(kVolumeSilent), 0.0);
    return toInt32(hundredths);
}

}  // namespace lumidex
