// The editing rules on their own, where a table or a detail the window
// cannot show says it better: the note under the pointer, the mouse's
// clicks and drags, the keyboard's kinds, chords and steps, the key index
// box and its texts, and the tempo-segment rewrite. Runs of typing in the
// "Music Info" boxes: which keystrokes join one undo step and what ends a run.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

#include "HeaderFields.h"
#include "KeyIndexBox.h"
#include "KeyIndexEditing.h"
#include "KeyboardEntry.h"
#include "MouseEditing.h"
#include "TypingRun.h"
#include "support/ChartRecords.h"

namespace lumidex {
namespace {

class EditRules : public ::testing::Test, protected test::LoggedChart {
  protected:
    EditRules() {
        doc.fillSpeedTempoFrom(0, 150, 150);
        doc.LastCoord = 600;
    }
};

TEST_F(EditRules, NoteNearPrefersTheCoordAboveAndFallsBackToTheGrid) {
    doc.setKind(102, 16);
    doc.setKind(0, 17);
    struct Case {
        int c0;
        std::optional<int> near;
        int grid;
    } cases[] = {
        {101, 102, 102},     {102, 102, 102}, {103, 102, 103 / 3 * 3},      {100, std::nullopt, 99},
        {0, 0, 0},           {-1, 0, 0},      {30000, std::nullopt, 30000}, {4, std::nullopt, 3},
        {5, std::nullopt, 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.c0);
        EXPECT_EQ(noteNear(doc, c.c0), c.near);
        if (!c.near) {
            EXPECT_EQ(gridCoordNear(c.c0), c.grid);
        }
    }
}

// Canvas rows as the view has them at a view base: that coord on row 350,
// 14 rows to 3 coords, upward.
struct RowsAt : CanvasRows {
    explicit RowsAt(int viewBase = 0) : base(viewBase) {}
    int HeightToCoord(int row) const override {
        return base + int(std::lround((350 - row) * 3 / 14.0));
    }
    int CoordToHeight(int coord) const override {
        return int(std::lround(350 - (coord - base) * 14 / 3.0));
    }
    int base;
};

TEST_F(EditRules, ADragWritesEveryThirdCoordUpToThePointerInOneStep) {
    int selected = 18, last = -1;
    bool held = false;
    RandomKindSet kinds;
    MouseEditing mouse(edits, {selected, held, last}, kinds);
    const RowsAt rows;
    doc.setKind(80, 17);
    struct Case {
        int press;
        std::vector<int> moves;  // pointer coords, one event each
        int from, to;            // every third coord written, in one step
    } cases[] = {
        {3, {20}, 3, 21},                // one fast event reaches the grid coord under it
        {60, {30}, 30, 60},              // downward too
        {3, {80}, 3, 78},                // toward a note: the steps stop short of it
        {99, {101, 104, 105}, 99, 105},  // a slow drag: one step per event, as before
        {29997, {30010}, 29997, 30000},  // nothing beyond the chart is written
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.press);
        log.steps.clear();
        mouse.press(kButtonLeft, rows.CoordToHeight(c.press), rows);
        for (int m : c.moves) mouse.move(kButtonLeft, rows.CoordToHeight(m), rows);
        mouse.release();
        ASSERT_EQ(log.steps.size(), 1u);
        std::vector<int> written;
        for (const CellChange& cell : log.steps[0].cells) written.push_back(cell.coord);
        std::sort(written.begin(), written.end());
        std::vector<int> every3;
        for (int k = c.from; k <= c.to; k += 3) every3.push_back(k);
        EXPECT_EQ(written, every3);
        for (int k : written) doc.setKind(k, 0);
    }
    // The random kind draws one pick per coord written.
    selected = 6;
    RandomKindSet same;  // the same fixed sequence
    mouse.press(kButtonLeft, rows.CoordToHeight(99), rows);
    mouse.move(kButtonLeft, rows.CoordToHeight(159), rows);
    mouse.release();
    for (int c = 99; c <= 159; c += 3) EXPECT_EQ(doc.cell(c).Kind, same.RandomKind()) << c;
}

TEST_F(EditRules, ClicksWriteTheChosenKindKeepComboRealAndNameTheirStep) {
    int selected = -1, last = -1;
    bool held = false;
    RandomKindSet kinds;
    MouseEditing mouse(edits, {selected, held, last}, kinds);
    const RowsAt rows;
    struct Case {
        int selected, buttons, coord;  // a click at coord's row
        int at, kind, combo;           // the cell aimed at, its kind and Combo afterwards
        const char* action;            // the step recorded; "" none
    } cases[] = {
        {16, kButtonLeft, 101, 102, 16, 3, "Draw Note"},  // the note above; a note replaced
        {16, kButtonLeft, 97, 96, 16, 4, "Draw Note"},    // nothing near: the grid coord
        {16, kButtonRight, 93, 93, 0, 1, "Erase Note"},   // a tower counts 2
        {0, kButtonLeft, 102, 102, 0, 2, "Draw Note"},    // the black image erases
        {-1, kButtonLeft, 96, 96, 0, 3, ""},              // nothing chosen
        {16, kButtonLeft | kButtonRight, 102, 102, 17, 3, ""},
        {16, kButtonLeft, -2, 0, 0, 3, ""},  // below coord 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.coord);
        doc.setKind(102, 17);
        doc.setKind(93, 24);
        doc.setKind(96, 0);
        doc.Combo = 3;
        log.steps.clear();
        selected = c.selected;
        mouse.press(c.buttons, rows.CoordToHeight(c.coord), rows);
        mouse.release();
        EXPECT_EQ(doc.cell(c.at).Kind, c.kind);
        EXPECT_EQ(doc.Combo, c.combo);
        EXPECT_EQ(log.actions(),
                  *c.action ? std::vector<QString>{c.action} : std::vector<QString>{});
    }
}

TEST_F(EditRules, ArrowsWriteAtTheAlignedBaselineAndStepTheView) {
    KeyboardEntry keys(edits);
    struct Case {
        double align, base;
        int keyStep, key, shift, coord, kind;
        std::optional<int> scrollBy;
    } cases[] = {
        {1, 99, 3, kKeyUp, 0, 99, 16, 3},
        {6, 100, 3, kKeyLeft, 0, 102, 18, 3},
        {1, 99, 12, kKeyDown, 0, 99, 17, 12},
        {1, 99, 3, kKeyLeft, kCtrlMask, 99, 26, 3},
        {1, 99, 3, kKeyRight, kCtrlMask, 99, 27, 3},
        {1, 670, 3, kKeyUp, 0, -1, 0, std::nullopt},  // past LastCoord + 72: nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.base);
        doc.AlignCoord = c.align;
        const int comboBefore = doc.Combo;
        const KeyOutcome out = keys.keyDown(c.key, c.shift, {c.base, false, c.keyStep});
        keys.keyUp(c.key, {c.base, false, c.keyStep});
        EXPECT_EQ(out.scrollBy, c.scrollBy);
        if (c.coord >= 0) {
            EXPECT_EQ(doc.cell(c.coord).Kind, c.kind);
            EXPECT_EQ(doc.Combo, comboBefore + 1);
            doc.setKind(c.coord, 0);
            doc.Combo = 0;
        }
    }
    // While playing the note goes to the baseline and the view stays.
    doc.AlignCoord = 1;
    const KeyOutcome playing = keys.keyDown(kKeyUp, 0, {250, true, 3});
    EXPECT_EQ(doc.cell(250).Kind, 16);
    EXPECT_FALSE(playing.scrollBy);
}

TEST_F(EditRules, ShiftChordsWriteOneDiagonalAndAdvanceOnce) {
    KeyboardEntry keys(edits);
    const KeyContext at{99, false, 3};
    keys.keyDown(kKeyShift, kShiftMask, at);
    const KeyOutcome first = keys.keyDown(kKeyUp, kShiftMask, at);
    EXPECT_FALSE(first.scrollBy);
    EXPECT_EQ(doc.cell(99).Kind, 16);
    EXPECT_TRUE(log.steps.empty());  // the chord is one step, still open
    // The second arrow is written at the first one's coord even if the
    // baseline has moved meanwhile.
    const KeyOutcome second = keys.keyDown(kKeyLeft, kShiftMask, {101, false, 3});
    EXPECT_EQ(doc.cell(99).Kind, 20);
    EXPECT_EQ(doc.cell(101).Kind, 0);
    EXPECT_EQ(second.scrollBy, 3);
    EXPECT_EQ(doc.Combo, 1);
    EXPECT_EQ(log.actions(), std::vector<QString>{"Type Note"});
    EXPECT_FALSE(keys.keyUp(kKeyLeft, at).scrollBy);
    EXPECT_FALSE(keys.keyUp(kKeyUp, at).scrollBy);

    // Shift+Down alone: the view advances when Down is released.
    keys.keyDown(kKeyDown, kShiftMask, {102, false, 3});
    EXPECT_EQ(keys.pendingChordKind(), 17);
    EXPECT_EQ(keys.keyUp(kKeyDown, at).scrollBy, 3);
    EXPECT_EQ(log.steps.size(), 2u);

    // Held keys block their repeats until released, or until the focus goes.
    keys.keyUp(kKeyShift, at);
    keys.keyDown(kKeyRight, 0, {200, false, 3});
    keys.keyDown(kKeyRight, 0, {203, false, 3});
    EXPECT_EQ(doc.cell(203).Kind, 0);
    keys.reset();
    keys.keyDown(kKeyRight, 0, {203, false, 3});
    EXPECT_EQ(doc.cell(203).Kind, 19);
}

TEST_F(EditRules, NoteStepAndBackspace) {
    KeyboardEntry keys(edits);
    doc.setKind(110, 16);
    // "Note": the step reaches the next note above the baseline.
    EXPECT_EQ(keys.keyDown(kKeySpace, 0, {99, false, -1}).scrollBy, 11);
    // None above: one coord down.
    EXPECT_EQ(keys.keyDown(kKeySpace, 0, {110, false, -1}).scrollBy, -1);
    doc.setKind(99, 24);
    doc.Combo = 2;
    const KeyOutcome back = keys.keyDown(kKeyBackspace, 0, {102, false, 3});
    EXPECT_EQ(doc.cell(99).Kind, 0);
    EXPECT_EQ(doc.Combo, 0);
    EXPECT_EQ(back.scrollBy, -3);
    // Not below coord 0.
    EXPECT_FALSE(keys.keyDown(kKeyBackspace, 0, {2, false, 3}).scrollBy);
}

TEST_F(EditRules, KeyIndexTexts) {
    struct Case {
        const char* text;
        std::optional<int16_t> index;
    } texts[] = {{"", 0},        {"12", 12},   {"2.5", 2}, {"3.5", 4},    {"x", {}},
                 {"2000", 2000}, {"2001", {}}, {"-1", {}}, {"1e999", {}}, {" 7 ", 7}};
    for (const Case& c : texts) EXPECT_EQ(keyIndexFromText(c.text), c.index) << c.text;

    doc.setNote(100, 16, 3);
    EXPECT_FALSE(commitKeyIndex(edits, 100, "x"));
    EXPECT_EQ(doc.cell(100).FxSndIndex, 3);
    EXPECT_TRUE(commitKeyIndex(edits, 100, "7.5"));
    EXPECT_EQ(doc.cell(100).FxSndIndex, 8);
    // A move that would leave the chart changes nothing.
    EXPECT_EQ(moveNote(edits, 0, -1), std::nullopt);
    EXPECT_EQ(log.actions(), std::vector<QString>{"Key Index"});
}

// A box that only keeps what the rules told it, on a strip of 469 rows.
struct FakeKeyBox : KeyBoxSurface {
    bool isOpen() const override { return shown; }
    QString text() const override { return typed; }
    int top() const override { return row; }
    int stripHeight() const override { return 469; }
    void open() override { shown = true; }
    void close() override { shown = false; }
    void place(int top, const QString& text) override { row = top, typed = text; }
    void showText(const QString& text) override { typed = text; }
    void moveWithNote(double d) override { row -= int(std::lround(14 / 3.0 * d)); }
    void scrollPage(bool up) override { pages += up ? 1 : -1; }
    void focusCanvas() override { canvasFocused = true; }
    void repaint() override {}
    void beep() override { ++beeps; }

    bool shown = false, canvasFocused = false;
    QString typed;
    int row = 0, beeps = 0, pages = 0;
};

TEST_F(EditRules, KeyIndexBoxWalksStoresRefusesMovesAndPages) {
    // 106 is a long-note end, which the walk skips; the view drew 0..180.
    for (auto [c, k] : {std::pair{100, 16}, {101, 24}, {106, 130}, {110, 128}, {300, 17}})
        doc.setNote(c, uint8_t(k), 0);
    doc.Combo = 10;
    FakeKeyBox surface;
    KeyIndexBox box(edits, surface);
    const RowsAt rows(99);
    const int first = 0, last = 180;
    box.click(rows.CoordToHeight(110), rows);
    EXPECT_TRUE(surface.shown);
    EXPECT_EQ(surface.row, rows.CoordToHeight(110) - 7);
    const struct {
        int key, shift;
        const char* typed;
        int coord;          // the box's afterwards...
        const char* shown;  // ...and its text
        int beeps;          // in all
    } keys[] = {
        {kKeyUp, 0, "12", 110, "12", 0},        // stored; the note at 300 was not drawn
        {kKeyDown, 0, "2001", 110, "2001", 1},  // refused
        {kKeyDown, 0, "12", 101, "", 1},       {kKeyDown, 0, "", 100, "", 1},
        {kKeyUp, kAltMask, "5", 101, "5", 1},  // the note moves onto the tower, the box along
        {kKeyPgDown, 0, "5", 5, "0", 1},       // a page down, showing 0 too
        {kKeyPgDown, 0, "0", 5, "0", 1},       // below coord 96: nothing
        {kKeyPgUp, 0, "0", 101, "5", 1},       {kKeyEnter, 0, "", 101, "", 1},
    };
    for (const auto& k : keys) {
        SCOPED_TRACE(::testing::Message() << k.key << " " << k.typed);
        surface.typed = k.typed;
        EXPECT_TRUE(box.keyDown(k.key, k.shift, {rows, first, last, 1}));
        EXPECT_EQ(box.coord(), k.coord);
        EXPECT_EQ(surface.typed, k.shown);
        EXPECT_EQ(surface.beeps, k.beeps);
    }
    EXPECT_TRUE(surface.canvasFocused);
    EXPECT_EQ(surface.pages, 0);
    EXPECT_EQ(surface.row, rows.CoordToHeight(100) - 7 - 5);
    surface.row = -3;  // at the top of the strip the note stays
    box.keyDown(kKeyUp, kAltMask, {rows, first, last, 1});
    EXPECT_EQ(box.coord(), 101);
    EXPECT_FALSE(box.keyDown(kKeyLeft, 0, {rows, first, last, 1}));  // the box's own
    surface.typed = "x";
    EXPECT_FALSE(box.leave());
    EXPECT_TRUE(surface.shown);
    surface.typed = "";
    EXPECT_TRUE(box.leave());
    EXPECT_FALSE(surface.shown);
    EXPECT_EQ((std::vector<int>{doc.cell(110).FxSndIndex, doc.cell(100).Kind, doc.cell(101).Kind,
                                doc.cell(101).FxSndIndex, doc.Combo}),
              (std::vector<int>{12, 0, 16, 0, 8}));
    EXPECT_EQ(log.actions(),
              (std::vector<QString>{"Key Index", "Move Note", "Key Index", "Key Index"}));
    // Beside a long-note end the box opens on it; beside nothing it stays shut.
    box.click(rows.CoordToHeight(106), rows);
    EXPECT_EQ(box.coord(), 106);
    box.leave();
    box.click(rows.CoordToHeight(90), rows);
    EXPECT_FALSE(surface.shown);
}

TEST_F(EditRules, TempoFieldsRewriteTheSegmentAroundTheScrollPosition) {
    for (int c = 1000; c <= kMaxCoord; ++c) doc.setSpeed(c, 300);
    for (const char* refused : {"0", "-1", "abc", ""})
        EXPECT_FALSE(acceptTempoField(edits, TempoField::Speed, 500, refused)) << refused;
    EXPECT_TRUE(log.steps.empty());
    ASSERT_TRUE(acceptTempoField(edits, TempoField::Speed, 500, "1.5"));
    EXPECT_EQ(doc.cell(0).Speed, 1.5);
    EXPECT_EQ(doc.cell(999).Speed, 1.5);
    EXPECT_EQ(doc.cell(1000).Speed, 300);
    EXPECT_EQ(doc.cell(999).Tempo, 150);  // the other field is untouched
    EXPECT_EQ(doc.Header.BPM, "1.5");
    EXPECT_EQ(log.actions(), std::vector<QString>{"Change Speed"});

    // A chart without tempo: the first entry fills every cell.
    ChartDocument empty;
    ChartEdit fresh(empty);
    ASSERT_TRUE(acceptTempoField(fresh, TempoField::Tempo, 0, "120"));
    EXPECT_EQ(empty.cell(kMaxCoord).Tempo, 120);
    EXPECT_EQ(empty.cell(kMaxCoord).Speed, 0);
    EXPECT_EQ(empty.Header.BPMO, "120");  // a tempo entry is the tempo's header text
    EXPECT_EQ(empty.Header.BPM, ChartDocument().Header.BPM);
}

TEST_F(EditRules, HeaderNumbersAFileCannotHoldAreRefusedWithAReason) {
    const QString tempo = "The tempo must be from 1 to 10000 BPM.";
    const QString speed = "The speed must be from 1 to 10000 BPM.";
    const QString delay = "The delay must be from -5184000 to 5184000 frames (a day either way).";
    const QString correction = "The long-note correction must be from -1200 to 1200.";
    const struct {
        HeaderBox box;
        const char* text;
        QString refusal;
    } cases[] = {
        {HeaderBox::Tempo, "1", ""},
        {HeaderBox::Tempo, "10000", ""},
        {HeaderBox::Tempo, "0.99", tempo},
        {HeaderBox::Tempo, "1e23", tempo},
        {HeaderBox::Speed, "10000.01", speed},
        {HeaderBox::Delay, "-5184000", ""},
        {HeaderBox::Delay, "5184000.5", delay},
        {HeaderBox::Delay, "1e300", delay},
        {HeaderBox::LongCorrection, "-1200", ""},
        {HeaderBox::LongCorrection, "1201", correction},
        {HeaderBox::Length, "30001", "The note length must be from 1 to 30000."},
        {HeaderBox::Length, "0", "The note length must be from 1 to 30000."},
        {HeaderBox::Tempo, "-1", tempo},
        {HeaderBox::BGMVolume, "loud", "Not a number: \"loud\"."},
    };
    const std::map<HeaderBox, std::function<bool(const QString&)>> accept = {
        {HeaderBox::Tempo,
         [&](auto t) { return acceptTempoField(edits, TempoField::Tempo, 0, t); }},
        {HeaderBox::Speed,
         [&](auto t) { return acceptTempoField(edits, TempoField::Speed, 0, t); }},
        {HeaderBox::Delay, [&](auto t) { return acceptDelay(edits, t); }},
        {HeaderBox::LongCorrection, [&](auto t) { return acceptLongCorrection(edits, t); }},
        {HeaderBox::Length, [&](auto t) { return acceptLength(edits, t); }},
        {HeaderBox::BGMVolume, [&](auto t) { return acceptBgmVolume(edits, t); }}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.text);
        EXPECT_EQ(headerRefusal(k.box, k.text), k.refusal);
        EXPECT_EQ(accept.at(k.box)(k.text), k.refusal.isEmpty());
    }
    // A value is kept as the file gives it back.
    ASSERT_TRUE(acceptDelay(edits, "0.1234567890123456789"));
    EXPECT_EQ(doc.Delay, 0.123456789012346);
}

// ---- runs of typing ----------------------------------------------------------

TEST(TypingRun, KeystrokesJoinUntilAPauseTheBoxIsLeftOrSomethingElseHappens) {
    struct Case {
        const char* script;  // per character: n/b a keystroke in the name/BGM box, 100 ms
                             // after the last; p a pause of 1.5 s; e the box left; d another
                             // change; u an undo; s a save; = a keystroke changing nothing
        size_t steps;        // undo steps afterwards
        const char* undone;  // the name after one more undo
    };
    const Case cases[] = {{"nnn", 1, ""},    {"nnpn", 2, "nn"}, {"nnenn", 2, "nn"},
                          {"nnbn", 3, "nn"}, {"nndn", 3, "nn"}, {"nnpnun", 2, "nn"},
                          {"nnsn", 2, "nn"}, {"n=n", 1, ""},    {"d=n", 2, ""}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.script);
        ChartDocument doc;
        ChartEdit edits{doc};
        UndoHistory history{edits};
        TypingRun run{history};
        int64_t now = 0;
        QString name, bgm;
        const auto type = [&](QString& text, const void* box, bool change) {
            now += 100;
            if (change) text += QLatin1Char('x');
            run.typed(box, now, [&] {
                if (box == &name) {
                    acceptName(edits, text);
                } else {
                    acceptBgm(edits, text);
                }
            });
        };
        const std::map<char, std::function<void()>> act = {
            {'n', [&] { type(name, &name, true); }},
            {'=', [&] { type(name, &name, false); }},
            {'b', [&] { type(bgm, &bgm, true); }},
            {'p', [&] { now += 1500; }},
            {'e', [&] { run.end(); }},
            {'d', [&] { edits.setKind(5, 16); }},
            {'u', [&] { name.chop(1), history.undo(); }},
            {'s', [&] { history.markSaved(); }}};
        for (const char* c = k.script; *c; ++c) act.at (*c)();
        EXPECT_EQ(history.steps(), k.steps);
        history.undo();
        EXPECT_EQ(doc.Header.Name, QString(QString::fromLatin1(k.undone).size(), 'x'));
    }
}

TEST_F(EditRules, AJoinedTypingRunKeepsTheSavedState) {
    UndoHistory history{edits};
    for (const char* text : {"a", "ab"}) acceptName(edits, text);
    history.markSaved();
    acceptName(edits, "abc");
    EXPECT_FALSE(history.joinNewest());  // the saved state lies between them
    acceptName(edits, "abcd");
    ASSERT_TRUE(history.joinNewest());
    EXPECT_FALSE(history.atSaved());
    history.undo();
    EXPECT_TRUE(history.atSaved());
    EXPECT_EQ(doc.Header.Name, "ab");
}

}  // namespace
}  // namespace lumidex
