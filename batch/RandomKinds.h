#pragma once
// The set of kinds that "random" notes are drawn from: a palette pick of kind
// 6 and "&Randomise" both take one kind per note from it. The user chooses the
// set in the "Random Note Kind" dialog; it starts as 16, 17, 18 and 19.
//
// The picks come from a generator with a fixed seed, so the same actions give
// the same chart in every run (and in tests).

#include <array>
#include <cstdint>
#include <random>
#include <vector>

namespace lumidex {

class RandomKindSet {
  public:
    static constexpr int kSlots = 51;  // RandKinds holds at most 51 kinds

    RandomKindSet();

    // One kind from the set, each equally likely.
    uint8_t RandomKind();

    // The dialog's confirmation: the checked kinds, ascending, become the set
    // (at most kSlots of them). An empty choice is refused and the set stays
    // as it was, so random notes never draw from a set the user did not pick.
    bool confirm(const std::vector<uint8_t>& kinds);

    // The kinds in use, RandKinds[0 .. RandCount - 1].
    std::vector<uint8_t> kinds() const;
    bool contains(int kind) const;
    int RandCount() const { return count_; }

  private:
    std::array<uint8_t, kSlots> RandKinds_{};
    int count_ = 0;
    std::mt19937 rng_;  // default seed: the same sequence in every run
};

}  // namespace lumidex
