#include "KeyPreview.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "FilgraphManager.h"
#include "Numbers.h"
#include "PlayerSlots.h"

namespace lumidex {
namespace {

constexpr int kWatchMs = 10;  // how often running graphs are looked at

double leadingNumber(const QString& text) {
    try {
        return val(text);
    } catch (const RuntimeError&) {
        return 0;  // too large to read
    }
}

// Plays the key, loading the sound first when the player holds none. A sound
// still playing goes on from where it is; one that has finished starts again
// from its beginning, so every click is heard. Answers whether it loaded a
// sound now.
template <class Player>
bool playFromSlot(Player& player, const KeySound& key, const QString& musicDir) {
    bool loaded = false;
    if (player.Handle() == 0) {
        if (player.LoadFile(musicDir, key.Snd) != 0) return false;
        loaded = true;
    } else if (!player.Active()) {
        player.setPosition(0);
    }
    player.setVolume(keyPlayerVolume(key.Volume));
    player.Play();
    return loaded;
}

}  // namespace

float keyPlayerVolume(const QString& volumeText) {
    const double v = leadingNumber(volumeText);
    return std::isfinite(v) && v > 0 ? float(v) : 0.0f;
}

int32_t keyGraphVolume(const QString& volumeText) {
    const double v = leadingNumber(volumeText);
    if (!(v > 0)) return kVolumeSilent;
    const double db = roundHalfEven(std::log(v) * 1000);
    return int32_t(std::clamp(db, double(kVolumeSilent), double(kVolumeFull)));
}

KeyPreview::KeyPreview(PlayerSlots& players) : players_(players) {
    timer_.setInterval(kWatchMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] { watch(); });
}

KeyPreview::~KeyPreview() = default;

bool KeyPreview::play(KeyDecoder decoder, int k, const KeySound& key, const QString& musicDir) {
    if (k < 1 || k > kMaxKeySound) return false;
    try {
        switch (decoder) {
            case KeyDecoder::Bass:
                return playFromSlot(players_.bass(k), key, musicDir);
            case KeyDecoder::Miles:
                return playFromSlot(players_.miles(k), key, musicDir);
            case KeyDecoder::DShow:
                return playGraph(k, key, musicDir);
        }
    } catch (const std::exception&) {
        // A preview fails silently.
    }
    return false;
}

FilgraphManager* KeyPreview::graph(int k) const {
    return k >= 0 && k <= kMaxKeySound ? graphs_[size_t(k)].get() : nullptr;
}

void KeyPreview::releaseGraphs() {
    timer_.stop();
    running_.clear();
    for (auto& graph : graphs_) graph.reset();
}

bool KeyPreview::playGraph(int k, const KeySound& key, const QString& musicDir) {
    auto& slot = graphs_[size_t(k)];
    slot = std::make_unique<FilgraphManager>();  // the old graph stops with it
    if (FAILED(slot->RenderFile(musicDir + key.Snd))) {
        slot.reset();
        running_.erase(std::remove(running_.begin(), running_.end(), k), running_.end());
        return false;
    }
    slot->put_Volume(keyGraphVolume(key.Volume));
    slot->Run();
    if (std::find(running_.begin(), running_.end(), k) == running_.end()) running_.push_back(k);
    timer_.start();
    return true;
}

// Stops each graph that has reached its end.
void KeyPreview::watch() {
    auto finished = [this](int k) {
        FilgraphManager* graph = graphs_[size_t(k)].get();
        if (!graph) return true;
        REFTIME position = 0, duration = 0;
        if (FAILED(graph->get_Duration(&duration)) ||
            FAILED(graph->get_CurrentPosition(&position)) || position >= duration) {
            graph->Stop();
            return true;
        }
        return false;
    };
    running_.erase(std::remove_if(running_.begin(), running_.end(), finished), running_.end());
    if (running_.empty()) timer_.stop();
}

}  // namespace lumidex
