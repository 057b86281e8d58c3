#include "SoundBank.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

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
    keysOpen_ = true;
    keysDir_ = musicDir;
    QString failed;
    const int count = std::clamp(doc.KeyCount, 0, kMaxKeySound);
    for (int k = 1; k <= count; ++k) {
        bool opened = false;
        try {
            opened = openKey(k, doc.keySound(k));
        } catch (const RuntimeError&) {
        }
        if (!opened) failed += doc.keySound(k).Snd + QLatin1Char('\n');
    }
    releaseKeyImages();
    if (!failed.isEmpty())
        ui.message(QStringLiteral("These KEY mp3s cannot be opened:\n") + failed);
}

// Opens key k in its slot from keysDir_, replacing what the slot held.
bool SoundBank::openKey(int k, const KeySound& key) {
    KeySlot slot{key, QString(), false};
    switch (decoder_) {
        case kDecoderBass:
        case kDecoderMiles:
            slot.open = openPlayerKey(k, key, slot);
            break;
        case kDecoderDShow: {
            auto graph = std::make_unique<FilgraphManager>();
            const HRESULT rendered = graph->RenderFile(keysDir_ + key.Snd);
            FilgraphManager& kept = *(keyGraphs_[size_t(k)] = std::move(graph));
            slot.open =
                SUCCEEDED(rendered) && SUCCEEDED(kept.put_Volume(graphVolume(val(key.Volume))));
            break;
        }
        default:
            slot.open = true;
    }
    keySlots_[size_t(k)] = slot;
    return slot.open;
}

bool SoundBank::openPlayerKey(int k, const KeySound& key, KeySlot& slot) {
    const KeyImages::Image image = images_.take(keysDir_, key.Snd);
    const bool bass = decoder_ == kDecoderBass;
    if (image.bytes.isEmpty()) {
        if (CBass* player = bass ? players_.existingBass(k) : nullptr) player->Free();
        if (CMSS* player = bass ? nullptr : players_.existingMiles(k)) player->Free();
        return false;
    }
    const bool open = (bass ? players_.bass(k).LoadImage(image.bytes)
                            : players_.miles(k).LoadImage(image.bytes)) == 0;
    if (open) slot.image = image.id;
    return open;
}

void SoundBank::closeKeys() {
    for (int k = 1; k < PlayerSlots::kSlots; ++k) {
        if (CBass* player = players_.existingBass(k)) player->Free();
        if (CMSS* player = players_.existingMiles(k)) player->Free();
        keyGraphs_[size_t(k)].reset();
        keySlots_[size_t(k)].reset();
    }
    keysOpen_ = false;
    images_.clear();
}

// ---- following the key list ------------------------------------------------------------

void SoundBank::followKeyList(const ChartDocument& doc) {
    if (!keysOpen_) {
        closeKeys();
        return;
    }
    // Every slot's sound, by the file it plays.
    std::multimap<QString, Held> held;
    for (int k = 1; k < PlayerSlots::kSlots; ++k) {
        Held h = take(k);
        if (!h.known) continue;
        const QString snd = h.slot.key.Snd;
        held.emplace(snd, std::move(h));
    }
    const int count = std::clamp(doc.KeyCount, 0, kMaxKeySound);
    for (int k = 1; k <= count; ++k) {
        const KeySound& key = doc.keySound(k);
        auto [first, last] = held.equal_range(key.Snd);
        auto match = first;
        for (auto it = first; it != last; ++it)
            if (it->second.from == k) match = it;  // the sound already in place stays
        if (match == last) {
            try {
                openKey(k, key);
            } catch (const RuntimeError&) {
                keySlots_[size_t(k)] = KeySlot{key, QString(), false};
            }
            continue;
        }
        putBack(k, std::move(match->second), key);
        held.erase(match);
    }
    held.clear();  // sounds of files no longer in the list go
    releaseKeyImages();
}

SoundBank::Held SoundBank::take(int k) {
    Held h;
    h.from = k;
    h.bass = players_.takeBass(k);
    h.miles = players_.takeMiles(k);
    h.graph = std::move(keyGraphs_[size_t(k)]);
    h.known = keySlots_[size_t(k)].has_value();
    if (h.known) {
        h.slot = *keySlots_[size_t(k)];
    } else {
        // Nothing opened there since "Open Key" (only a preview could have).
        if (h.bass) h.bass->Free();
        if (h.miles) h.miles->Free();
    }
    keySlots_[size_t(k)].reset();
    return h;
}

void SoundBank::putBack(int k, Held held, const KeySound& key) {
    if (held.graph && held.slot.key.Volume != key.Volume) {
        try {
            held.graph->put_Volume(graphVolume(val(key.Volume)));
        } catch (const RuntimeError&) {
        }
    }
    held.slot.key = key;
    players_.put(k, std::move(held.bass));
    players_.put(k, std::move(held.miles));
    keyGraphs_[size_t(k)] = std::move(held.graph);
    keySlots_[size_t(k)] = held.slot;
}

// Keeps only the images some key still plays from.
void SoundBank::releaseKeyImages() {
    std::set<QString> inUse;
    for (const auto& slot : keySlots_)
        if (slot && slot->open && !slot->image.isEmpty()) inUse.insert(slot->image);
    images_.keepOnly(inUse);
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
