// Load, save, load again: every chart the editor can hold comes back from
// its file, or the save says what differs. The first byte picks the open
// command (plain or rounded) and the note grid of the first load; the save
// and the reopen are those of the editor (grid 1, plain open).

#include <fuzzer/FuzzedDataProvider.h>

#include <memory>

#include "ChartFile.h"
#include "FuzzSupport.h"

using namespace lumidex;

namespace {

bool sameNotes(const ChartDocument& a, const ChartDocument& b) {
    for (int c = 0; c <= kMaxCoord; ++c) {
        const NoteEntry &x = a.cell(c), &y = b.cell(c);
        if (x.Kind != y.Kind) return false;
        if (x.Kind != 0 && !isLongEnd(x.Kind) && x.FxSndIndex != y.FxSndIndex) return false;
    }
    return true;
}

// The composed file, or nothing when the chart cannot be written (a save
// then fails with its message).
std::optional<QByteArray> compose(const ChartDocument& doc) {
    try {
        return composeChart(doc).bytes;
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const uint8_t options = in.ConsumeIntegral<uint8_t>();
    const std::vector<uint8_t> chart = in.ConsumeRemainingBytes<uint8_t>();
    static const double kGrids[] = {1, 2, 3, 4, 6};

    auto first = std::make_unique<ChartDocument>();
    first->AlignCoord = kGrids[(options >> 1) % 5];
    if (!loadChartBytes(*first, fuzz::bytesOf(chart.data(), chart.size()), options & 1)) return 0;
    // Every value a load keeps is one a chart can hold and time.
    fuzz::check(first->CoordToFrames(kMaxCoord).has_value(), "a loaded chart cannot be timed");

    const std::optional<QByteArray> saved = compose(*first);
    if (!saved) return 0;
    const ReopenDifference told = reopenDifference(*first, *saved);

    auto second = std::make_unique<ChartDocument>();
    fuzz::check(loadChartBytes(*second, *saved, 0) == 1, "a saved chart does not load");
    if (!sameNotes(*first, *second)) fuzz::check(told.notes > 0, "notes lost without a word");
    if (!told.empty()) return 0;

    // Nothing differs: the file is a fixed point of load and save.
    const std::optional<QByteArray> again = compose(*second);
    fuzz::check(again.has_value(), "a reopened chart cannot be saved");
    fuzz::check(*again == *saved, "the second save differs from the first");
    return 0;
}
