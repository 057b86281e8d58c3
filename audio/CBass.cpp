#include "CBass.h"

#include "Numbers.h"
#include "RuntimeError.h"
#include "SoundFile.h"

namespace lumidex {

namespace {

// BASS positions travel as 32-bit byte counts here: the high half is dropped.
QWORD low32(QWORD bytes) {
    return QWORD(uint32_t(bytes));
}

}  // namespace

void CBass::Free() {
    BASS_StreamFree(handle_);
    handle_ = 0;
    handleDec_ = 0;
    buffer_ = QByteArray();
}

int32_t CBass::LoadFile(const QString& pvx_music_path, const QString& fn) {
    // The stream plays from buffer_, so the old one goes before buffer_ changes.
    if (handle_ != 0) Free();
    QByteArray bytes;
    if (!readSoundFile(pvx_music_path, fn, bytes)) return BASS_ERROR_FILEOPEN;
    return LoadImage(bytes);
}

int32_t CBass::LoadImage(const QByteArray& image) {
    if (handle_ != 0) Free();
    buffer_ = image;
    handle_ =
        BASS_StreamCreateFile(TRUE, buffer_.constData(), 0, QWORD(buffer_.size()), BASS_UNICODE);
    if (handle_ == 0) {
        const int32_t error = BASS_ErrorGetCode();
        buffer_ = QByteArray();
        return error;
    }
    return 0;
}

void CBass::Play() {
    if (handle_ != 0) BASS_ChannelPlay(handle_, FALSE);
}

void CBass::StopPlay() {
    if (handle_ != 0) BASS_ChannelStop(handle_);
}

bool CBass::Active() {
    return BASS_ChannelIsActive(handle_) != BASS_ACTIVE_STOPPED;
}

double CBass::Position() {
    const QWORD bytes = BASS_ChannelGetPosition(handle_, BASS_POS_BYTE);
    if (bytes == QWORD(-1)) return 0;
    const double seconds = BASS_ChannelBytes2Seconds(handle_, low32(bytes));
    return seconds < 0 ? 0 : seconds;
}

void CBass::setPosition(double Pos) {
    const int32_t bytes = toInt32(BytesPerSecond() * Pos);
    BASS_ChannelSetPosition(handle_, QWORD(uint32_t(bytes)), BASS_POS_BYTE);
}

double CBass::Duration() {
    const QWORD bytes = BASS_ChannelGetLength(handle_, BASS_POS_BYTE);
    if (bytes == QWORD(-1)) return 0;
    const double seconds = BASS_ChannelBytes2Seconds(handle_, low32(bytes));
    return seconds < 0 ? 0 : seconds;
}

int32_t CBass::BytesPerSecond() {
    refreshInfo();
    const int64_t perSecond =
        int64_t(info_.chans) * int64_t(info_.freq) * ((info_.flags & BASS_SAMPLE_8BITS) ? 1 : 2);
    if (perSecond > INT32_MAX) throw RuntimeError(rterr::Overflow);
    return int32_t(perSecond);
}

int32_t CBass::BitsPerSecond(int32_t FileLength) {
    const double duration = Duration();
    if (duration == 0) throw RuntimeError(rterr::DivisionByZero);
    return toInt16(double(FileLength) * 8 / duration / 1000);
}

QString CBass::Mode() {
    refreshInfo();
    if (info_.chans == 1) return QStringLiteral("Mono");
    if (info_.chans == 2) return QStringLiteral("Stereo");
    return QString::number(info_.chans) + QStringLiteral(" MultiChannel");
}

uint8_t CBass::Bits() {
    refreshInfo();
    if (info_.flags & BASS_SAMPLE_8BITS) return 8;
    if (info_.flags & BASS_SAMPLE_FLOAT) return 32;
    return 16;
}

int32_t CBass::Frequency() {
    float value = 0;
    BASS_ChannelGetAttribute(handle_, BASS_ATTRIB_FREQ, &value);
    return toInt32(value);
}

void CBass::setFrequency(int32_t freq) {
    BASS_ChannelSetAttribute(handle_, BASS_ATTRIB_FREQ, float(freq));
}

uint8_t CBass::DXVer() {
    BASS_INFO info{};
    BASS_GetInfo(&info);
    return uint8_t(info.dsver);
}

float CBass::Volume() {
    float value = 0;
    BASS_ChannelGetAttribute(handle_, BASS_ATTRIB_VOL, &value);
    return value;
}

void CBass::setVolume(float v) {
    BASS_ChannelSetAttribute(handle_, BASS_ATTRIB_VOL, v);
}

void CBass::refreshInfo() {
    // An empty player reports an empty record, not the last sound's.
    if (!BASS_ChannelGetInfo(handle_, &info_)) info_ = BASS_CHANNELINFO{};
}

}  // namespace lumidex
