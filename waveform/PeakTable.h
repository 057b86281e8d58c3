#pragma once
// The music's envelope at several resolutions: for every block of 128 source
// frames the peak (largest absolute sample over all channels) and the RMS
// (over all samples of all channels), and above that levels of 4, 16, 64 ...
// blocks, so the envelope of any stretch of music costs a few look-ups
// whatever its length. Values are 0..1 of full scale, kept in 16 bits
// (louder samples count as full scale): 4 bytes a block, about 1.1 MiB for
// ten minutes at 44.1 kHz, all levels included.
//
// Built once (append, then finish), read from any thread afterwards.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumidex::waveform {

struct Envelope {
    float peak = 0;
    float rms = 0;
};

class PeakTable {
  public:
    static constexpr int kBlockFrames = 128;
    static constexpr int kFanOut = 4;

    PeakTable() = default;
    PeakTable(int sampleRate, int channels) : sampleRate_(sampleRate), channels_(channels) {}

    // Appends a block of frames of interleaved samples; only the last block
    // may hold fewer than kBlockFrames frames.
    void appendBlock(const float* samples, int frames);
    // Appends a block as stored (the cache's form) that covers frames frames.
    void appendStored(uint16_t peak, uint16_t rms, int frames);
    // Builds the coarser levels; call once after the last block.
    void finish();

    int sampleRate() const { return sampleRate_; }
    int channels() const { return channels_; }
    int64_t blocks() const { return int64_t(peak_.empty() ? 0 : peak_[0].size()); }
    // Frames covered: whole blocks (the last one may be partial in the music).
    int64_t frames() const { return frames_; }
    double seconds() const { return sampleRate_ > 0 ? double(frames_) / sampleRate_ : 0; }
    size_t bytes() const;

    // The envelope of source frames [from, to): every block that overlaps
    // them counts. Nothing (0, 0) outside the table.
    Envelope span(double from, double to) const;

    // Stored values of the finest level, block by block.
    uint16_t storedPeak(int64_t block) const { return peak_[0][size_t(block)]; }
    uint16_t storedRms(int64_t block) const { return rms_[0][size_t(block)]; }

  private:
    // Blocks of the finest level under value index of level lvl (the last
    // value of a level may stand for fewer than the others).
    int64_t weight(size_t lvl, size_t index) const;

    int sampleRate_ = 0;
    int channels_ = 0;
    int64_t frames_ = 0;
    // Level 0 is the finest; level k holds one value per kFanOut^k blocks.
    std::vector<std::vector<uint16_t>> peak_;
    std::vector<std::vector<uint16_t>> rms_;
};

}  // namespace lumidex::waveform
