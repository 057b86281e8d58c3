// Undo over long random runs of every kind of edit the core makes: drags,
// key index commits and note moves, the "Music Info" fields, the key list
// commands, and the batch operations (cut, paste, the kind transforms, key
// index fills, speed changes), with undos and redos mixed in. Undoing
// everything must give the starting chart exactly, redoing everything the
// final one; and a second chart that only applies what the listeners heard
// must follow along.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

#include "ChartFile.h"
#include "HeaderFields.h"
#include "KeyIndexEditing.h"
#include "KeyList.h"
#include "KindTransforms.h"
#include "RangeClipboard.h"
#include "SpeedChange.h"
#include "UndoHistory.h"
#include "chart/LiteralWalk.h"
#include "support/ChartRecords.h"

using namespace lumidex;

namespace {

using Snapshot = test::ChartSnapshot;

// Applies every change it hears to a chart of its own.
struct Follower : ChartEditListener {
    ChartDocument doc;
    int heard = 0;
    void chartChanged(const ChartChange& c) override {
        c.reapply(doc);
        ++heard;
    }
};

void startChart(ChartDocument& doc) {
    doc.fillSpeedTempoFrom(0, 150, 150);
    for (int c = 0; c < 600; c += 3) doc.setNote(c, uint8_t(16 + c % 19), int16_t(c % 4));
    for (int k = 1; k <= 3; ++k) doc.keySound(k) = {QString("k%1.wav").arg(k), "1.00"};
    doc.KeyCount = 3;
}

class RandomEdits {
  public:
    RandomEdits(ChartEdit& edits, unsigned seed) : edits_(edits), rng_(seed) {}

    // One user action of a random kind.
    void step() {
        const int from = coord();
        const int to = pick(0, 3) == 0 ? kMaxCoord : from + pick(0, 400);
        const SteppedRange range = SteppedRange::clipped(from, to, pick(1, 3));
        const ClipFields fields{pick(0, 1) == 1, pick(0, 1) == 1, pick(0, 1) == 1};
        const std::function<void()> actions[] = {
            [&] { clip_.Cut(edits_, range, fields); },
            [&] {
                clip_.Copy(edits_.doc(), range, fields);
                clip_.Paste(edits_, coord(), range.step, fields);
            },
            [&] {
                transformKinds(edits_, range, KindTransform(pick(0, kKindTransforms - 1)), kinds_);
            },
            [&] { fillKeyIndex(edits_, range, pick(0, 1) == 1); },
            [&] { rewriteTempoSegment(edits_, coord(), pick(1, 4) * 45.0, pick(1, 4) * 45.0); },
            [&] { keyListCommand(); },
            [&] { headerField(); },
            [&] { commitKeyIndex(edits_, coord(), QString::number(pick(0, 4))); },
            [&] { moveNote(edits_, coord(), pick(-24, 24)); }};
        const int which = pick(0, 12);
        which < 9 ? actions[which]() : drag();
    }

  private:
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    int coord() { return pick(0, 4) == 0 ? pick(0, kMaxCoord) : pick(0, 600); }

    // A press-to-release run of note writes, as mouse and keyboard make.
    void drag() {
        EditStep s(edits_, "Draw Note");
        int c = coord();
        for (int n = pick(1, 12); n > 0 && c <= kMaxCoord; --n, c += 3) {
            const uint8_t old = edits_.doc().cell(c).Kind, kind = uint8_t(pick(0, 2) * 17);
            edits_.setKind(c, kind);
            edits_.setCombo(edits_.doc().Combo - ComboWeight(old) + ComboWeight(kind));
            if (pick(0, 3) == 0) edits_.setFxSndIndex(c, int16_t(pick(0, 3)));
        }
    }

    // Adds, deletes or purges key sounds.
    void keyListCommand() {
        const int count = edits_.doc().KeyCount;
        const int which = pick(0, 2);
        if (which == 0) {
            EditStep s(edits_, "Add Key");
            edits_.setKeySound(count + 1, {QString("new%1.wav").arg(pick(0, 9)), "0.5"});
            edits_.setKeyCount(count + 1);
        } else if (which == 1) {
            deleteKey(edits_, pick(1, count + 1));
        } else {
            purgeUnusedKeys(edits_);
        }
    }

    void headerField() {
        const QString number = QString::number(pick(1, 40) * 1.5);
        const std::function<void()> fields[] = {
            [&] { acceptDelay(edits_, number); },
            [&] { acceptLength(edits_, QString::number(pick(1, kMaxCoord))); },
            [&] {
                const TempoField field = pick(0, 1) ? TempoField::Speed : TempoField::Tempo;
                acceptTempoField(edits_, field, coord(), number);
            },
            [&] { acceptLongCorrection(edits_, number); },
            [&] { acceptName(edits_, QString("song %1").arg(pick(0, 3))); }};
        fields[pick(0, 4)]();
    }

    ChartEdit& edits_;
    std::mt19937 rng_;
    RandomKindSet kinds_;
    RangeClipboard clip_;
};

// A started chart under random edits, with its history and a follower.
struct EditedChart {
    EditedChart(UndoLimits limits, unsigned seed) : history(edits, limits), random(edits, seed) {
        startChart(follower.doc);
        edits.addListener(&follower);
    }
    ~EditedChart() { edits.removeListener(&follower); }
    static ChartDocument& started(ChartDocument& d) {
        startChart(d);
        return d;
    }

    ChartDocument doc;
    ChartEdit edits{started(doc)};
    UndoHistory history;
    Follower follower;
    RandomEdits random;
};

}  // namespace

TEST(UndoProperty, UndoingEverythingGivesTheStartAndRedoingGivesTheEnd) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
        EditedChart chart({100000, size_t(1) << 40}, seed);
        auto& [doc, edits, history, follower, random] = chart;
        std::mt19937 rng(seed * 7919);
        const Snapshot start(doc);

        // The states along the history, and where undo and redo stand.
        std::vector<size_t> states{Snapshot(doc).hash()};
        size_t done = 0;
        for (int action = 0; action < 250; ++action) {
            if (rng() % 5 == 0) {
                if (rng() % 2 == 0) {
                    if (history.undo()) --done;
                } else if (history.redo()) {
                    ++done;
                }
                ASSERT_EQ(Snapshot(doc).hash(), states[done])
                    << "seed " << seed << " action " << action;
                continue;
            }
            const int heard = follower.heard;
            random.step();
            if (follower.heard == heard) continue;  // the step changed nothing
            states.resize(++done);
            states.push_back(Snapshot(doc).hash());
        }
        ASSERT_EQ(history.steps(), states.size() - 1);
        EXPECT_GT(history.steps(), 100u);  // a long run, not one cut short by redo drops
        const Snapshot end(doc);
        while (history.undo()) --done;
        EXPECT_EQ(done, 0u);
        EXPECT_TRUE(Snapshot(doc) == start) << "seed " << seed;
        EXPECT_TRUE(Snapshot(follower.doc) == start) << "seed " << seed;
        while (history.redo()) ++done;
        EXPECT_EQ(done, states.size() - 1);
        EXPECT_TRUE(Snapshot(doc) == end) << "seed " << seed;
        EXPECT_TRUE(Snapshot(follower.doc) == end) << "seed " << seed;
    }
}

// Hostile values (tempos of 0 and NaN, coords off the chart), a small
// history, steps that throw part-way, the saved mark and a reopen in the
// middle: the listeners still follow, the mark says "saved" only for the
// saved chart, the history keeps its limit, and the cached sums answer what
// the plain walk over the cells answers.
TEST(UndoProperty, HostileStepsSmallHistorySavedMarkAndReopen) {
    EditedChart chart({20, size_t(1) << 16}, 11);
    auto& [doc, edits, history, follower, random] = chart;
    std::mt19937 rng(97);
    const auto pick = [&](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(rng);
    };
    const double hostile[] = {0, std::nan(""), -150, 1e-300, 1e300};
    size_t saved = Snapshot(doc).hash();
    for (int action = 0; action < 300; ++action) {
        const int which = pick(0, 9);
        if (action == 150) {
            // Reopened as saved; a chart a hostile tempo left untimeable cannot be saved.
            QByteArray bytes;
            try {
                bytes = composeChart(doc).bytes;
            } catch (const RuntimeError&) {
                continue;
            }
            ASSERT_EQ(loadChartBytes(doc, bytes, 0), 1);
            edits.replaced();
            ASSERT_EQ(loadChartBytes(follower.doc, bytes, 0), 1);
            saved = Snapshot(doc).hash();
        } else if (which == 0) {
            history.undo();
        } else if (which == 1) {
            history.redo();
        } else if (which == 2) {
            history.markSaved();
            saved = Snapshot(doc).hash();
        } else if (which == 4) {
            try {
                EditStep step(edits, "Hostile");
                edits.setTempo(pick(0, 700), hostile[pick(0, 4)]);
                edits.setNote(pick(0, 1) ? kCellCount : pick(0, 700), 20, 1);  // may throw
            } catch (const RuntimeError&) {
            }
        } else {
            random.step();
        }
        const size_t now = Snapshot(doc).hash();
        ASSERT_EQ(now, Snapshot(follower.doc).hash()) << "action " << action;
        if (history.atSaved()) {
            ASSERT_EQ(now, saved) << "action " << action;
        }
        ASSERT_LE(history.steps(), 20u);
        const int coord = pick(0, kMaxCoord);
        ASSERT_EQ(doc.CoordToPosition(coord), walk::coordSum(doc, coord, true))
            << "action " << action;
        const double t = pick(0, 2000) * 0.7;
        ASSERT_EQ(doc.FramesToCoordNearest(t), walk::find(doc, t, false, 0)) << "action " << action;
    }
}
