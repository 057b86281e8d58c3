// Chart loading from arbitrary bytes: decoding, element picking and filling
// the model, everything LoadFile does once it has read the file. The last
// byte picks the open command (plain or rounded) and the note grid.

#include <fuzzer/FuzzedDataProvider.h>

#include <memory>

#include "ChartFile.h"
#include "FuzzSupport.h"

using namespace lumidex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const uint8_t options = in.ConsumeIntegral<uint8_t>();
    const std::vector<uint8_t> chart = in.ConsumeRemainingBytes<uint8_t>();

    static const double kGrids[] = {1, 2, 3, 4, 6};
    // One document for every input, as in the editor: a load sets every
    // value the chart before it left, except the grid, which is set here.
    static const auto doc = std::make_unique<ChartDocument>();
    doc->AlignCoord = kGrids[(options >> 1) % 5];
    if (!loadChartBytes(*doc, fuzz::bytesOf(chart.data(), chart.size()), options & 1)) return 0;

    // The capacities the loader promises to keep.
    fuzz::check(doc->LastCoord >= 0 && doc->LastCoord <= kMaxCoord, "LastCoord off the chart");
    fuzz::check(doc->TempoCount >= 0 && doc->TempoCount <= kMaxTempoRecord, "too many tempos");
    fuzz::check(doc->KeyCount >= 0 && doc->KeyCount <= kMaxKeySound, "too many key sounds");
    // Long-note bodies and the kinds above 145 are counted, never stored.
    for (int coord = 0; coord <= kMaxCoord; ++coord) {
        const int kind = doc->cell(coord).Kind;
        fuzz::check(kind < 128 || isLongStart(kind) || isLongEnd(kind),
                    "a kind that is not stored");
    }
    totalFrames(*doc);
    return 0;
}
