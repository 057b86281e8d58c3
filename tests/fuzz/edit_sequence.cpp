// Sequences of edits, undos and redos over ChartEdit and the undo history,
// with hostile values (coords off the chart, tempos of 0, NaN and infinity),
// small history limits, the saved mark, a reopen in the middle and steps
// that throw part-way. After every action: a chart that only applies what
// the listeners heard is the chart and the saved mark says "saved" only for
// the saved state (both checked every fourth action and at the end); the
// history keeps its limits; and the cached time sums answer what a plain
// walk over the cells answers.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <limits>
#include <memory>

#include "../chart/LiteralWalk.h"
#include "ChartFile.h"
#include "FuzzSupport.h"
#include "UndoHistory.h"

using namespace lumidex;

namespace {

bool sameBits(double a, double b) {
    uint64_t x, y;
    std::memcpy(&x, &a, sizeof x);
    std::memcpy(&y, &b, sizeof y);
    return x == y;
}

// Everything an edit can change, compared bit for bit (a NaN written alike
// compares alike).
bool sameChart(const ChartDocument& a, const ChartDocument& b) {
    for (int c = 0; c <= kMaxCoord; ++c) {
        const NoteEntry &x = a.cell(c), &y = b.cell(c);
        if (x.Kind != y.Kind || x.FxSndIndex != y.FxSndIndex || !sameBits(x.Speed, y.Speed) ||
            !sameBits(x.Tempo, y.Tempo))
            return false;
    }
    for (int k = 0; k <= kMaxKeySound; ++k)
        if (!(a.keySound(k) == b.keySound(k))) return false;
    return a.LastCoord == b.LastCoord && sameBits(a.Delay, b.Delay) &&
           a.LongCorrection == b.LongCorrection && a.KeyCount == b.KeyCount && a.Combo == b.Combo &&
           a.Header == b.Header;
}

struct Follower : ChartEditListener {
    ChartDocument doc;
    void chartChanged(const ChartChange& c) override { c.reapply(doc); }
};

void startChart(ChartDocument& doc) {
    doc.InitArea();
    doc.fillSpeedTempoFrom(0, 150, 150);
    for (int c = 0; c < 300; c += 6) doc.setNote(c, uint8_t(16 + c % 19), int16_t(c % 3));
    doc.KeyCount = 2;
}

double hostileNumber(FuzzedDataProvider& in) {
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    static const double kValues[] = {0, -1, 1e-300, 1e300, kInfinity, kNaN, 150, 75.5, 10000};
    if (in.ConsumeBool()) return kValues[in.ConsumeIntegralInRange<size_t>(0, 8)];
    return in.ConsumeFloatingPoint<double>();
}

int coordOf(FuzzedDataProvider& in) {
    return in.ConsumeBool() ? in.ConsumeIntegralInRange(-2, 400)
                            : in.ConsumeIntegralInRange(-10, kMaxCoord + 10);
}

// One write through the ChartEdit; off-chart coords and slots throw.
void write(ChartEdit& edits, FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 5)) {
        case 0:
            edits.setNote(coordOf(in), in.ConsumeIntegral<uint8_t>(),
                          in.ConsumeIntegral<int16_t>());
            break;
        case 1:
            edits.setSpeedTempo(coordOf(in), hostileNumber(in), hostileNumber(in));
            break;
        case 2:
            edits.setTempo(coordOf(in), hostileNumber(in));
            break;
        case 3:
            edits.setKeySound(
                in.ConsumeIntegralInRange(-1, kMaxKeySound + 1),
                {QString::number(in.ConsumeIntegral<uint8_t>()), QStringLiteral("1")});
            break;
        case 4:
            edits.setDelay(hostileNumber(in));
            edits.setLastCoord(in.ConsumeIntegralInRange(0, kMaxCoord));
            break;
        default:
            edits.setCombo(in.ConsumeIntegral<int32_t>());
            break;
    }
}

// A step of a few writes; some throw part-way, as a failing command does.
void step(ChartEdit& edits, FuzzedDataProvider& in) {
    try {
        EditStep s(edits, QStringLiteral("Fuzz"));
        for (int n = in.ConsumeIntegralInRange(1, 4); n > 0; --n) write(edits, in);
        if (in.ConsumeIntegralInRange(0, 7) == 0) throw RuntimeError(rterr::Overflow);
    } catch (const RuntimeError&) {
    }
}

void checkSums(const ChartDocument& doc, FuzzedDataProvider& in) {
    const int coord = coordOf(in);
    const bool positions = in.ConsumeBool();
    const std::optional<double> cached =
        positions ? doc.CoordToPosition(coord) : doc.CoordToFrames(coord);
    const std::optional<double> plain = walk::coordSum(doc, coord, positions);
    fuzz::check(cached.has_value() == plain.has_value() && (!cached || *cached == *plain),
                "a cached sum differs from the walk");
    const double t = in.ConsumeFloatingPointInRange<double>(-10, 1e6);
    // 0: nearest (frames or positions), 1: positions rounded up, 2: frames floor.
    const int mode = in.ConsumeIntegralInRange(0, 2);
    const bool overPositions = mode == 1 || (mode == 0 && positions);
    const std::optional<int> found = mode == 2       ? doc.FramesToCoordFloor(t)
                                     : overPositions ? doc.PositionToCoord(t, mode)
                                                     : doc.FramesToCoordNearest(t);
    fuzz::check(found == walk::find(doc, t, overPositions, mode),
                "a cached search differs from the walk");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    auto doc = std::make_unique<ChartDocument>();
    startChart(*doc);
    ChartEdit edits(*doc);
    const UndoLimits limits{in.ConsumeIntegralInRange<size_t>(1, 40),
                            in.ConsumeIntegralInRange<size_t>(64, 1 << 16)};
    UndoHistory history(edits, limits);
    auto follower = std::make_unique<Follower>();
    startChart(follower->doc);
    edits.addListener(follower.get());
    // The chart as saved (or opened), to hold the saved mark against.
    auto saved = std::make_unique<ChartDocument>(*doc);

    bool reopened = false;
    for (int action = 0; action < 32 && in.remaining_bytes() > 0; ++action) {
        switch (in.ConsumeIntegralInRange(0, 9)) {
            case 0:
                history.undo();
                break;
            case 1:
                history.redo();
                break;
            case 2:
                history.markSaved();
                *saved = *doc;
                break;
            case 3:
                // Reopen what a save would write: a new chart, a new history
                // (once an input: a save and a load cost many edits' time).
                if (reopened) break;
                reopened = true;
                try {
                    const QByteArray bytes = composeChart(*doc).bytes;
                    if (loadChartBytes(*doc, bytes, 0) == 1) {
                        edits.replaced();
                        loadChartBytes(follower->doc, bytes, 0);
                        *saved = *doc;
                    }
                } catch (const RuntimeError&) {
                }
                break;
            default:
                step(edits, in);
                break;
        }
        // The whole chart every few actions (a walk over every cell costs
        // as much as many edits), and after the last.
        if (action % 4 == 3 || in.remaining_bytes() == 0) {
            fuzz::check(sameChart(*doc, follower->doc),
                        "a listener's chart differs from the chart");
            if (history.atSaved())
                fuzz::check(sameChart(*doc, *saved), "saved mark on a changed chart");
        }
        fuzz::check(history.steps() <= limits.steps, "history keeps too many steps");
        fuzz::check(history.steps() <= 1 || history.bytes() <= limits.bytes,
                    "history keeps too many bytes");
        checkSums(*doc, in);
    }
    edits.removeListener(follower.get());
    return 0;
}
