// Runs of typing in the "Music Info" boxes: which keystrokes join one undo
// step and what ends a run.

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "HeaderFields.h"
#include "TypingRun.h"

using namespace lumidex;

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
                if (box == &name)
                    acceptName(edits, text);
                else
                    acceptBgm(edits, text);
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

TEST(TypingRun, AJoinedRunKeepsTheSavedState) {
    ChartDocument doc;
    ChartEdit edits{doc};
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
