#include "RandomKinds.h"

#include <algorithm>

namespace lumidex {

RandomKindSet::RandomKindSet() {
    confirm({16, 17, 18, 19});
}

uint8_t RandomKindSet::RandomKind() {
    // r in [0, 1) from 32 random bits, the same on every platform.
    const double r = double(rng_()) / 4294967296.0;
    return RandKinds_[size_t(r * count_)];
}

bool RandomKindSet::confirm(const std::vector<uint8_t>& kinds) {
    if (kinds.empty()) return false;
    count_ = int(std::min<size_t>(kinds.size(), kSlots));
    std::copy_n(kinds.begin(), count_, RandKinds_.begin());
    return true;
}

std::vector<uint8_t> RandomKindSet::kinds() const {
    return {RandKinds_.begin(), RandKinds_.begin() + count_};
}

bool RandomKindSet::contains(int kind) const {
    return std::find(RandKinds_.begin(), RandKinds_.begin() + count_, kind) !=
           RandKinds_.begin() + count_;
}

}  // namespace lumidex
