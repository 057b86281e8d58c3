// The chart checks on charts made for each kind of finding, and the
// findings as the editor keeps them: refreshed only when they change,
// counted for the status bar, and the coord each one concerns.

#include <gtest/gtest.h>

#include <QStringList>

#include <functional>

#include "ChartCheck.h"
#include "FindingList.h"
#include "support/ChartText.h"

namespace lumidex {
namespace {

using test::Note;

// "code place number" of each finding, one a line.
std::string summary(const std::vector<ChartFinding>& findings) {
    QStringList out;
    for (const ChartFinding& f : findings) out << f.line().section(QLatin1Char(':'), 0, 0);
    return out.join(QLatin1Char('\n')).toStdString();
}
std::string joined(const QStringList& lines) {
    return lines.join(QLatin1Char('\n')).toStdString();
}

ChartDocument chartWith(const std::vector<Note>& notes, int keys, int lastCoord) {
    ChartDocument doc;
    doc.KeyCount = keys;
    for (int k = 1; k <= keys; ++k) doc.keySound(k).Snd = QStringLiteral("k%1.wav").arg(k);
    for (const Note& n : notes) doc.setNote(int(n.coord), uint8_t(n.kind), int16_t(n.key));
    doc.LastCoord = lastCoord;
    return doc;
}

TEST(ChartCheck, FindsEachMistake) {
    struct Case {
        const char* name;
        std::vector<Note> notes;
        int keys;
        QStringList found;
        int lastCoord = kMaxCoord;
    };
    const std::vector<Note> gaps = {{0, 22, 1},   {11, 16, 1},  {23, 23, 1},
                                    {29, 5, 1},   {35, 24, 1},  {82, 16, 1},
                                    {100, 24, 1}, {148, 21, 1}, {160, 16, 1}};
    const Case cases[] = {
        {"clean", {{0, 20, 1}, {12, 24, 2}, {60, 16, 1}, {72, 128, 2}, {96, 130, 0}}, 2, {}},
        {"key past the list and negative; erased and long-end indices ignored",
         {{0, 16, 1}, {12, 16, 3}, {24, 16, -2}, {36, 0, 9}, {48, 128, 1}, {72, 130, 7}},
         2,
         {"key-past-list coord 12", "key-past-list coord 24", "key-unused key 2"}},
        {"unused keys", {{0, 5, 2}}, 3, {"key-unused key 1", "key-unused key 3"}},
        {"long notes",
         {{0, 130, 0}, {24, 128, 1}, {48, 131, 1}, {60, 133, 0}, {72, 136, 0}, {96, 143, 1}},
         1,
         {"long-end-alone coord 0", "long-head-open coord 24", "long-end-alone coord 72",
          "long-head-open coord 96"}},
        {"notes past the length",
         {{0, 16, 1}, {121, 0, 1}, {150, 5, 1}, {30000, 16, 1}},
         1,
         {"note-past-length coord 150", "note-past-length coord 30000"},
         120},
        {"gaps",
         gaps,
         1,
         {"diagonal-gap coord 0", "tower-gap coord 35"}},  // the auto-play row does not count
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(summary(checkChart(chartWith(c.notes, c.keys, c.lastCoord))), joined(c.found));
    }
}

TEST(FindingList, RefreshesCountsAndPointsAtCoords) {
    ChartDocument doc;
    doc.KeyCount = 0;
    doc.LastCoord = 100;
    FindingList list;
    struct Step {
        std::function<void()> edit;
        bool changed;
        const char* count;
        const char* saved;
    } steps[] = {
        {[] {}, false, "No findings", "Saved with no findings"},
        {[&] { doc.setNote(12, 1, 0); }, true, "1 finding", "Saved with 1 finding"},  // kind-unused
        {[] {}, false, "1 finding", "Saved with 1 finding"},
        {[&] { doc.setNote(200, 16, 0); }, true, "2 findings", "Saved with 2 findings"},
        {[&] { doc.LastCoord = 300; }, true, "1 finding", "Saved with 1 finding"},
    };
    for (const Step& s : steps) {
        s.edit();
        EXPECT_EQ(list.refresh(doc), s.changed) << s.count;
        EXPECT_EQ(list.countText(), QLatin1String(s.count));
        EXPECT_EQ(list.savedText(), QLatin1String(s.saved));
    }
    EXPECT_EQ(FindingList::coordOf(list.findings().at(0)), 12);
    EXPECT_EQ(FindingList::coordOf({QStringLiteral("key-unused"), ChartFinding::Key, 3, {}}),
              std::nullopt);
}

TEST(FindingList, OnlyStepsOnWhatTheChecksReadAskForARefresh) {
    const auto cell = [](uint8_t kind, int16_t key, double tempo) {
        return NoteEntry{kind, key, tempo, tempo};
    };
    const auto scalars = [](int lastCoord, int keyCount, double delay) {
        ChartScalars s;
        s.LastCoord = lastCoord;
        s.KeyCount = keyCount;
        s.Delay = delay;
        return s;
    };
    struct Case {
        ChartChange change;
        bool refresh;
    } cases[] = {
        {{{}, {{5, cell(0, 0, 120), cell(16, 0, 120)}}, {}, {}, {}}, true},   // a note drawn
        {{{}, {{5, cell(16, 1, 120), cell(16, 2, 120)}}, {}, {}, {}}, true},  // its key index
        {{{}, {{5, cell(16, 1, 120), cell(16, 1, 90)}}, {}, {}, {}}, false},  // a speed change
        {{{}, {}, {{1, {}, {QStringLiteral("a.wav"), {}}}}, {}, {}}, true},   // the key list
        {{{}, {}, {}, scalars(48, 2, 0), scalars(96, 2, 0)}, true},           // "Note Length"
        {{{}, {}, {}, scalars(48, 2, 0), scalars(48, 3, 0)}, true},           // the key count
        {{{}, {}, {}, scalars(48, 2, 0), scalars(48, 2, 12)}, false},         // "BGM Delay"
    };
    for (const Case& c : cases) EXPECT_EQ(FindingList::mayChange(c.change), c.refresh);
}

}  // namespace
}  // namespace lumidex
