#pragma once
// The error numbers the editor shows when a sound cannot be opened, and the
// text that goes with each.
//
// BASS and Miles players answer a small code from LoadFile; the editor turns
// it into a 32-bit error number by adding the engine's base (BASS codes
// become 0xBA55xxxx, Miles codes 0xA110xxxx). DirectShow failures are their
// result codes as they are. A run-time error carried as a result code
// (0x800Axxxx) shows as its own number.

#include <QString>

#include <cstdint>

namespace lumidex {

// The error number of a failed CBass::LoadFile or CMSS::LoadFile result
// (wrapping around 32 bits, so BASS's -1 becomes 0xBA54FFFF).
constexpr int32_t bassErrorNumber(int32_t code) {
    return static_cast<int32_t>(static_cast<uint32_t>(code) + 0xBA550000u);
}
constexpr int32_t milesErrorNumber(int32_t code) {
    return static_cast<int32_t>(static_cast<uint32_t>(code) + 0xA1100000u);
}

// The text for an error number of the BASS, Miles or DirectShow layer:
// "File not found", "Unsupported format" and so on; empty for a number the
// editor does not know by name.
QString soundErrorText(int32_t n);

// The message shown when a sound cannot be opened: "File open error!", a line
// feed, "Error code " and then either n in decimal with the run-time error's
// description (for 0 <= n < 0x10000) or "0x", n in upper-case hexadecimal and
// soundErrorText(n).
QString fileOpenErrorText(int32_t n);

}  // namespace lumidex
