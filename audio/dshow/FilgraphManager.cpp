#include "FilgraphManager.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

#include "GstGraph.h"

namespace lumidex {

double volumeToAmplitude(int32_t volume) {
    if (volume <= kVolumeSilent) return 0.0;
    return std::pow(10.0, volume / 2000.0);  // hundredths of a dB: 20 dB per decade
}

FilgraphManager::FilgraphManager() = default;
FilgraphManager::~FilgraphManager() = default;

HRESULT FilgraphManager::RenderFile(const QString& fileName) {
    graph_.reset();
    state_ = State_Stopped;
    duration_ = 0;
    position_ = 0;
    const QFileInfo info(fileName);
    if (fileName.isEmpty() || !info.exists() || info.isDir()) return VFW_E_NOT_FOUND;
    if (!info.isReadable()) return E_ACCESSDENIED;
    // A pipe or a device would block the reading thread: only files play.
    if (!info.isFile()) return VFW_E_NOT_FOUND;
    HRESULT result = E_FAIL;
    graph_ = GstGraph::open(QFile::encodeName(info.absoluteFilePath()), &result);
    if (!graph_) return result;
    graph_->setAmplitude(volumeToAmplitude(volume_));
    if (!graph_->duration(&duration_)) duration_ = 0;
    return S_OK;
}

HRESULT FilgraphManager::Run() {
    state_ = State_Running;
    if (graph_) graph_->play();
    return S_OK;
}

HRESULT FilgraphManager::Stop() {
    state_ = State_Stopped;
    if (graph_) graph_->pause();
    return S_OK;
}

HRESULT FilgraphManager::GetState(int32_t msTimeout, OAFilterState* state) {
    if (!state) return E_POINTER;
    *state = state_;
    if (graph_ && graph_->settling(msTimeout)) return VFW_S_STATE_INTERMEDIATE;
    return S_OK;
}

HRESULT FilgraphManager::get_Duration(REFTIME* length) {
    if (!length) return E_POINTER;
    *length = 0;
    if (!graph_) return E_UNEXPECTED;
    // Some streams learn their length only while playing.
    if (duration_ <= 0 && !graph_->duration(&duration_)) duration_ = 0;
    *length = duration_;
    return S_OK;
}

HRESULT FilgraphManager::get_CurrentPosition(REFTIME* time) {
    if (!time) return E_POINTER;
    *time = 0;
    if (!graph_) return E_UNEXPECTED;
    if (FAILED(graph_->failure())) return graph_->failure();
    double at = 0;
    if (graph_->atEnd()) {
        position_ = duration_;
    } else if (!graph_->settling(0) && graph_->position(&at)) {
        // While a start or a seek settles, the last known position stands, so
        // the position never jumps back to where the stream was.
        position_ = duration_ > 0 ? std::min(at, duration_) : at;
    }
    *time = position_;
    return S_OK;
}

HRESULT FilgraphManager::put_CurrentPosition(REFTIME time) {
    if (!graph_) return E_UNEXPECTED;
    if (!std::isfinite(time)) return E_INVALIDARG;
    time = std::max(0.0, time);
    if (duration_ > 0) time = std::min(time, duration_);
    if (!graph_->seek(time)) return E_FAIL;
    position_ = time;
    return S_OK;
}

HRESULT FilgraphManager::WaitForCompletion(int32_t msTimeout, int32_t* evCode) {
    if (!evCode) return E_POINTER;
    *evCode = 0;
    if (!graph_) return E_UNEXPECTED;
    if (!graph_->waitForEnd(msTimeout)) return E_ABORT;
    if (FAILED(graph_->failure())) return graph_->failure();
    *evCode = EC_COMPLETE;
    return S_OK;
}

HRESULT FilgraphManager::put_Volume(int32_t volume) {
    if (volume < kVolumeSilent || volume > kVolumeFull) return E_INVALIDARG;
    volume_ = volume;
    if (graph_) graph_->setAmplitude(volumeToAmplitude(volume_));
    return S_OK;
}

HRESULT FilgraphManager::get_Volume(int32_t* volume) {
    if (!volume) return E_POINTER;
    *volume = volume_;
    return S_OK;
}

HRESULT FilgraphManager::audioFormat(AudioFormat* format) {
    if (!format) return E_POINTER;
    *format = AudioFormat();
    if (!graph_) return E_UNEXPECTED;
    return graph_->audioFormat(&format->channels, &format->rate) ? S_OK : E_FAIL;
}

}  // namespace lumidex
