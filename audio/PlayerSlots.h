#pragma once
// The window's two arrays of players: slot 0 the background music, slot k
// (1..2000) key sound k, one CBass and one CMSS per slot. A player is created
// the first time its slot is used and then kept.

#include <array>
#include <memory>

#include "CBass.h"
#include "CMSS.h"

namespace lumidex {

class PlayerSlots {
  public:
    static constexpr int kSlots = 2001;

    // The slot's player, created on first use. Throws
    // RuntimeError(SubscriptOutOfRange) for a slot outside 0..2000.
    CBass& bass(int slot);
    CMSS& miles(int slot);

    // The slot's player if it has been created, else null (also for a slot
    // outside 0..2000).
    CBass* existingBass(int slot) const;
    CMSS* existingMiles(int slot) const;

    // Takes a slot's player out (null when it has none), or puts one in,
    // replacing what was there; for moving loaded sounds between slots.
    // Slots outside 0..2000 take nothing and drop what is put.
    std::unique_ptr<CBass> takeBass(int slot);
    std::unique_ptr<CMSS> takeMiles(int slot);
    void put(int slot, std::unique_ptr<CBass> player);
    void put(int slot, std::unique_ptr<CMSS> player);

    // Frees the sound of every player created so far (the players stay).
    void releaseAll();

  private:
    static void check(int slot);

    std::array<std::unique_ptr<CBass>, kSlots> bass_;
    std::array<std::unique_ptr<CMSS>, kSlots> miles_;
};

}  // namespace lumidex
