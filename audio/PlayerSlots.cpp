#include "PlayerSlots.h"

#include "RuntimeError.h"

namespace lumidex {

void PlayerSlots::check(int slot) {
    if (slot < 0 || slot >= kSlots) throw RuntimeError(rterr::SubscriptOutOfRange);
}

CBass& PlayerSlots::bass(int slot) {
    check(slot);
    if (!bass_[slot]) bass_[slot] = std::make_unique<CBass>();
    return *bass_[slot];
}

CMSS& PlayerSlots::miles(int slot) {
    check(slot);
    if (!miles_[slot]) miles_[slot] = std::make_unique<CMSS>();
    return *miles_[slot];
}

CBass* PlayerSlots::existingBass(int slot) const {
    return slot >= 0 && slot < kSlots ? bass_[slot].get() : nullptr;
}

CMSS* PlayerSlots::existingMiles(int slot) const {
    return slot >= 0 && slot < kSlots ? miles_[slot].get() : nullptr;
}

std::unique_ptr<CBass> PlayerSlots::takeBass(int slot) {
    return slot >= 0 && slot < kSlots ? std::move(bass_[slot]) : nullptr;
}

std::unique_ptr<CMSS> PlayerSlots::takeMiles(int slot) {
    return slot >= 0 && slot < kSlots ? std::move(miles_[slot]) : nullptr;
}

void PlayerSlots::put(int slot, std::unique_ptr<CBass> player) {
    if (slot >= 0 && slot < kSlots) bass_[slot] = std::move(player);
}

void PlayerSlots::put(int slot, std::unique_ptr<CMSS> player) {
    if (slot >= 0 && slot < kSlots) miles_[slot] = std::move(player);
}

void PlayerSlots::releaseAll() {
    for (int slot = 0; slot < kSlots; ++slot) {
        if (miles_[slot]) miles_[slot]->Free();
        if (bass_[slot]) bass_[slot]->Free();
    }
}

}  // namespace lumidex
