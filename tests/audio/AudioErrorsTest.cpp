// The message shown when a sound cannot be opened, for each engine's codes.
// The sounds report test of lumidex-chart shows the rest: BASS's and
// DirectShow's file not found, Miles's file not found and unsupported format.
#include <gtest/gtest.h>

#include "AudioErrors.h"
#include "dshow/DShowTypes.h"

namespace lumidex {
namespace {

TEST(AudioErrors, NumbersShowAsTheEditorShowsThem) {
    const std::pair<int32_t, const char*> cases[] = {
        {bassErrorNumber(-1), "0xBA54FFFF: Unknown error"},
        {bassErrorNumber(8), "0xBA550008: Audio hardware not found"},
        {bassErrorNumber(41), "0xBA550029: Unsupported format"},
        {bassErrorNumber(3), "0xBA550003: "},
        {milesErrorNumber(2), "0xA1100002: "},
        {E_ACCESSDENIED, "0x80070005: "},
        // A run-time error carried as a result code shows as its own number.
        {hresult(0x800A0035u), "53: File not found"},
        {53, "53: File not found"}};
    for (const auto& [code, text] : cases)
        EXPECT_EQ(fileOpenErrorText(code), QStringLiteral("File open error!\nError code ") + text);
}

}  // namespace
}  // namespace lumidex
