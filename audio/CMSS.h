#pragma once
// A player of one sound through the Miles layer, with CBass's operations in
// the same slot order, except BytesPerSecond, BitsPerSecond, DXVer and the
// Volume getter. Loads MP3 and WAV only. Miles must be started
// (AIL_quick_startup) for a sound to load. Use it on one thread only.

#include <QByteArray>
#include <QString>

#include <cstdint>

#include "Miles.h"

namespace lumidex {

class CMSS {
  public:
    CMSS() = default;
    ~CMSS() { Free(); }
    CMSS(const CMSS&) = delete;
    CMSS& operator=(const CMSS&) = delete;

    // Unloads the sound and releases the file image. Duration and Frequency
    // keep their values.
    void Free();

    // LoadFile's failures.
    static constexpr int32_t kFileNotFound = 3;  // not found or not readable
    static constexpr int32_t kUnsupported = 5;   // Miles cannot use the data

    // As CBass::LoadFile, with other results: 0 loaded; kFileNotFound;
    // kUnsupported (not MP3 or WAV, or Miles not started). A player that
    // still holds a sound releases it first.
    int32_t LoadFile(const QString& pvx_music_path, const QString& fn);
    // The same with the file image already read, shared, not copied: 0 or
    // kUnsupported.
    int32_t LoadImage(const QByteArray& image);

    void Play();
    void StopPlay();

    uint32_t Handle() const { return handle_; }
    uint32_t HandleDec() const { return handleDec_; }
    // True exactly while Miles reports the sound as playing.
    bool Active();
    bool BGM() const { return bgm_; }
    void setBGM(bool v) { bgm_ = v; }

    double Position();
    // Asks Miles for Pos x 1000 ms, rounded half to even (1.2345 s asks for
    // 1234 ms). Throws RuntimeError(Overflow) when that does not fit 32 bits.
    void setPosition(double Pos);
    // The length stored by the last successful LoadFile.
    double Duration() const { return duration_; }
    QString Mode() const { return QString(); }
    uint8_t Bits() const { return 0; }
    // The last playing frequency given to setFrequency (44100 before any): a
    // speed relative to 44100, as CBass's.
    int32_t Frequency() const { return frequency_; }
    void setFrequency(int32_t nFreq);
    // v as given, with a pan of 0.5 (centre).
    void setVolume(float v);

  private:
    QByteArray buffer_;
    uint32_t handle_ = 0;
    bool bgm_ = false;
    uint32_t handleDec_ = 0;
    double duration_ = 0;
    int32_t frequency_ = 44100;
};

}  // namespace lumidex
