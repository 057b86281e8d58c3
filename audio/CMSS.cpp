#include "CMSS.h"

#include "Numbers.h"
#include "SoundFile.h"

namespace lumidex {

void CMSS::Free() {
    AIL_quick_unload(handle_);
    buffer_ = QByteArray();
    handle_ = 0;
    handleDec_ = 0;
}

int32_t CMSS::LoadFile(const QString& pvx_music_path, const QString& fn) {
    // The sound plays from buffer_, so the old one goes before buffer_ changes.
    if (handle_ != 0) Free();
    QByteArray bytes;
    if (!readSoundFile(pvx_music_path, fn, bytes)) return kFileNotFound;
    return LoadImage(bytes);
}

int32_t CMSS::LoadImage(const QByteArray& image) {
    if (handle_ != 0) Free();
    buffer_ = image;
    handle_ = AIL_quick_load_mem(buffer_.constData(), U32(buffer_.size()));
    if (handle_ == 0) {
        buffer_ = QByteArray();
        return kUnsupported;
    }
    duration_ = AIL_quick_ms_length(handle_) / 1000.0;
    return 0;
}

void CMSS::Play() {
    if (handle_ != 0) AIL_quick_play(handle_, 1);
}

void CMSS::StopPlay() {
    if (handle_ != 0) AIL_quick_halt(handle_);
}

bool CMSS::Active() {
    return AIL_quick_status(handle_) == QSTAT_PLAYING;
}

double CMSS::Position() {
    return AIL_quick_ms_position(handle_) * 0.001;
}

void CMSS::setPosition(double Pos) {
    AIL_quick_set_ms_position(handle_, toInt32(Pos * 1000));
}

void CMSS::setFrequency(int32_t nFreq) {
    frequency_ = nFreq;
    AIL_quick_set_speed(handle_, nFreq);
}

void CMSS::setVolume(float v) {
    AIL_quick_set_volume(handle_, v, 0.5f);
}

}  // namespace lumidex
