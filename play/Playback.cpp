#include "Playback.h"

#include <algorithm>
#include <cmath>

#include "AudioSystem.h"
#include "Numbers.h"
#include "RuntimeError.h"

namespace lumidex {

namespace {

// BASS and Miles start the music this many frames later in the file than the
// chart position it stands for.
constexpr double kMixerShift = 3;

}  // namespace

float playingFrequency(int sliderValue) {
    return float(std::pow(2.0, sliderValue * 0.01) * 44100);
}

Playback::~Playback() = default;

float Playback::musicVolume() const {
    return switches_.music ? float(val(doc_.keySound(0).Volume)) : 0.0f;
}

bool Playback::musicPlaying() {
    if (bank_.usesMixer()) return bank_.music().Active();
    FilgraphManager* graph = bank_.musicGraph();
    OAFilterState state = State_Stopped;
    return graph && SUCCEEDED(graph->GetState(0, &state)) && state != State_Stopped;
}

bool Playback::start(int fromCoord, const PlaySwitches& switches) {
    switches_ = switches;
    running_ = false;
    try {
        running_ = bank_.usesMixer() ? startMixer(fromCoord) : startGraph(fromCoord);
    } catch (const RuntimeError&) {
        running_ = false;  // a value that cannot be used: nothing starts
    }
    viewBase_ = fromCoord;
    lastCoord_ = -1;
    return running_;
}

bool Playback::startMixer(int fromCoord) {
    SlotPlayer music = bank_.music();
    audio::Mixer* mixer = audio::AudioSystem::instance().mixer();
    if (!music.loaded() || !mixer) return false;
    const float volume = musicVolume();
    const double musicZero = doc_.Delay - kMixerShift;
    double t = (require(doc_.CoordToFrames(fromCoord)) - musicZero) / 60;
    // A start before the music's own start plays from 0 s; the view jumps to
    // the coord the music is at.
    int startCoord = fromCoord;
    if (t < 0) {
        t = 0;
        startCoord = std::max(fromCoord, doc_.FramesToCoordFloor(musicZero).value_or(fromCoord));
    }
    music.setPosition(t);
    music.setVolume(volume);
    music.setFrequency(toInt32(switches_.frequency));
    music.Play();
    scheduler_ = std::make_unique<KeyScheduler>(doc_, bank_, *mixer);
    scheduler_->start(music.stream(), startCoord, lastPlayableCoord(), musicZero);
    if (switches_.keys) scheduler_->schedule(t * 60 + musicZero, switches_.frequency);
    return true;
}

bool Playback::startGraph(int fromCoord) {
    FilgraphManager* graph = bank_.musicGraph();
    if (!graph) return false;
    const float volume = musicVolume();
    double t = std::max(0.0, (require(doc_.CoordToFrames(fromCoord)) - doc_.Delay) / 60);
    if (FAILED(graph->get_Duration(&duration_))) return false;
    graph->put_CurrentPosition(t);
    graph->put_Volume(graphVolume(volume));
    if (FAILED(graph->Run())) return false;
    nextFire_ = t > 0 ? fromCoord : doc_.FramesToCoordNearest(doc_.Delay).value_or(fromCoord);
    nextFire_ = std::max(nextFire_, fromCoord);
    fired_ = 0;
    return true;
}

Playback::Step Playback::step() {
    if (!running_ || viewBase_ + 1 >= doc_.LastCoord + 72) return Step{};
    try {
        return bank_.usesMixer() ? stepMixer() : stepGraph();
    } catch (const RuntimeError&) {
        return Step{};  // a time that cannot be computed ends playback
    }
}

Playback::Step Playback::stepMixer() {
    SlotPlayer music = bank_.music();
    if (!music.Active()) return Step{};
    const double viewFrame = music.Position() * 60 + doc_.Delay - kMixerShift;
    const int coord = require(doc_.FramesToCoordFloor(viewFrame));
    if (switches_.keys && scheduler_) scheduler_->schedule(viewFrame, switches_.frequency);
    return follow(viewFrame, coord);
}

Playback::Step Playback::stepGraph() {
    FilgraphManager* graph = bank_.musicGraph();
    REFTIME t = 0;
    if (!graph || FAILED(graph->get_CurrentPosition(&t)) || t >= duration_) return Step{};
    const double viewFrame = t * 60 + doc_.Delay;
    const int coord = require(doc_.FramesToCoordNearest(viewFrame));
    fireCrossed(coord);
    return follow(viewFrame, coord);
}

Playback::Step Playback::follow(double viewFrame, int coord) {
    Step s;
    s.running = true;
    s.viewFrame = viewFrame;
    s.coord = coord;
    s.coordChanged = coord != lastCoord_;
    if (s.coordChanged) {
        lastCoord_ = coord;
        viewBase_ = std::min(coord, doc_.LastCoord + 72);
    }
    s.viewBase = viewBase_;
    return s;
}

// Every note from the last one fired up to the play position, in coord order.
void Playback::fireCrossed(int upTo) {
    const int last = std::min(upTo, lastPlayableCoord());
    for (; nextFire_ <= last; ++nextFire_) {
        const int k = switches_.keys ? noteKey(doc_, nextFire_) : 0;
        FilgraphManager* key = k ? bank_.keyGraph(k) : nullptr;
        if (!key) continue;
        key->put_CurrentPosition(0);
        key->Run();
        ++fired_;
    }
}

void Playback::stop() {
    // The scheduler lives for one playback: the mixer it places starts in
    // goes away when the engines shut down.
    if (scheduler_) {
        scheduler_->withdraw();
        keysPlaced_ = scheduler_->started();
        scheduler_.reset();
    }
    const int keys = std::clamp(doc_.KeyCount, 0, kMaxKeySound);
    if (bank_.usesMixer()) {
        bank_.music().StopPlay();
        for (int k = 1; k <= keys; ++k) bank_.key(k).StopPlay();
    } else {
        if (FilgraphManager* graph = bank_.musicGraph()) graph->Stop();
        for (int k = 1; k <= keys; ++k)
            if (FilgraphManager* key = bank_.keyGraph(k)) key->Stop();
    }
    running_ = false;
}

void Playback::setKeys(bool on) {
    switches_.keys = on;
    if (!on && scheduler_) scheduler_->withdraw();
}

void Playback::withdrawKeys() {
    if (scheduler_) scheduler_->withdraw();
}

void Playback::setFrequency(float hz) {
    switches_.frequency = hz;
    if (!running_ || !bank_.usesMixer()) return;
    try {
        bank_.music().setFrequency(toInt32(hz));
    } catch (const RuntimeError&) {
    }
}

int Playback::keysStarted() const {
    if (!bank_.usesMixer()) return fired_;
    return scheduler_ ? scheduler_->started() : keysPlaced_;
}

}  // namespace lumidex
