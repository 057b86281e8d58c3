#pragma once
// A player of one sound through the BASS layer: the background music or one
// key sound, loaded whole into memory and decoded while it plays.
//
// The operations, in slot order, are the AudioPlayer set CMSS shares (CMSS
// lacks BytesPerSecond, BitsPerSecond, DXVer and the Volume getter).
// Positions and durations are seconds; Volume is 0 (silent) to 1 (full);
// Frequency is the playing frequency in Hz, which sets speed and pitch
// together: 44100 plays every sound at its own speed, whatever its sample rate.
// BASS must be initialised (BASS_Init) for a sound to load. Use it on one
// thread only.

#include <QByteArray>
#include <QString>

#include <cstdint>

#include "Bass.h"

namespace lumidex {

class CBass {
  public:
    CBass() = default;
    ~CBass() { Free(); }
    CBass(const CBass&) = delete;
    CBass& operator=(const CBass&) = delete;

    // Releases the stream and the file image; harmless when empty.
    void Free();

    // Loads pvx_music_path + fn, or the PAK entry SoundFile.h describes.
    // 0 success; 2 the file was not found or not readable; any other value is
    // the BASS error of the failed stream creation (41 an unsupported format,
    // 8 BASS not initialised). A player that still holds a sound releases it
    // first. On failure the player is empty.
    int32_t LoadFile(const QString& pvx_music_path, const QString& fn);
    // The same with the file image already read: the player shares the bytes
    // (nothing is copied) and plays from them. 0 or the BASS error.
    int32_t LoadImage(const QByteArray& image);

    // From the current position; nothing when empty.
    void Play();
    // Stops where it is; nothing when empty.
    void StopPlay();

    uint32_t Handle() const { return handle_; }        // 0 when empty
    uint32_t HandleDec() const { return handleDec_; }  // always 0
    // Playing, and false once the sound has been heard to its end or stopped.
    bool Active();
    bool BGM() const { return bgm_; }  // the caller's mark, stored only
    void setBGM(bool v) { bgm_ = v; }

    // 0 when empty.
    double Position();
    // Seeks to BytesPerSecond x Pos bytes (rounded half to even); past the end
    // it rests at the end. Throws RuntimeError(Overflow) when the byte count
    // does not fit 32 bits.
    void setPosition(double Pos);
    double Duration();

    // Channels x rate x 2 (x 1 for 8-bit streams): 176400 for 44100 Hz stereo.
    // Throws RuntimeError(Overflow) when that does not fit 32 bits.
    int32_t BytesPerSecond();
    // The average bit rate in kbit/s of a file of FileLength bytes. Throws
    // RuntimeError(DivisionByZero) for a sound of no duration and
    // RuntimeError(Overflow) when the answer does not fit 16 bits.
    int32_t BitsPerSecond(int32_t FileLength);
    // "Mono", "Stereo" or the channel count followed by " MultiChannel".
    QString Mode();
    // 8, 32 (float) or 16.
    uint8_t Bits();
    int32_t Frequency();
    void setFrequency(int32_t freq);
    uint8_t DXVer();
    float Volume();
    void setVolume(float v);

  private:
    void refreshInfo();

    QByteArray buffer_;  // the file image the stream plays from
    uint32_t handle_ = 0;
    bool bgm_ = false;
    uint32_t handleDec_ = 0;
    BASS_CHANNELINFO info_{};
};

}  // namespace lumidex
