// The key list panel driven through the real window with scripted dialogs:
// the list text, the renumbered cells and Modified after every command, and
// the preview loading a key on demand.

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "AudioTestSupport.h"
#include "CBass.h"
#include "DocumentCommands.h"
#include "FilgraphManager.h"
#include "KeyList.h"
#include "support/WindowFixture.h"

namespace lumidex::testing {
namespace {

using Kind = ScriptedDialogs::Kind;

class KeyListWindowTest : public WindowTest {
  protected:
    // The test chart open, with the key sounds named (volume "1.00") and
    // nothing modified.
    void startWithKeys(const QStringList& names) {
        start({writeChart()});
        control<QLineEdit>("txMusicPath")->setText(QString());  // sounds beside the chart
        {
            EditStep step(window->edits, QStringLiteral("setup"));
            for (int k = 1; k <= names.size(); ++k)
                window->edits.setKeySound(k, {names[k - 1], QStringLiteral("1.00")});
            window->edits.setKeyCount(int32_t(names.size()));
            for (int c = 0; c <= 48; ++c) window->edits.setFxSndIndex(c, 0);  // the chart's own
        }
        window->state.Modified = 0;
        mark();
    }
    // A note of kind 16 with key index at coord.
    void note(int coord, int16_t index) {
        window->edits.setNote(coord, 16, index);
        window->state.Modified = 0;
    }
    int16_t indexAt(int coord) const { return window->doc.cell(coord).FxSndIndex; }

    QStringList lines() const {
        QStringList all;
        for (int i = 0; i < control<QListWidget>("lsKey")->count(); ++i)
            all << control<QListWidget>("lsKey")->item(i)->text();
        return all;
    }
    QPoint itemCentre(int row) const {
        return control<QListWidget>("lsKey")
            ->visualItemRect(control<QListWidget>("lsKey")->item(row))
            .center();
    }
    void clickItem(int row) {
        QTest::mouseClick(control<QListWidget>("lsKey")->viewport(), Qt::LeftButton, {},
                          itemCentre(row));
    }
    void select(int row) { control<QListWidget>("lsKey")->setCurrentRow(row); }
};

TEST_F(KeyListWindowTest, AddKeyAsksNameThenVolume) {
    struct Case {
        std::deque<QString> answers;
        int prompts;        // input boxes shown
        const char* added;  // the new line, or nullptr
    };
    const Case cases[] = {
        {{"hat.wav", "0.7"}, 2, "[3]0.7 hat.wav"},
        {{"hat.wav"}, 2, "[3]1.00 hat.wav"},              // the default volume taken
        {{""}, 1, nullptr},                               // Cancel on the name
        {{"hat.wav", ""}, 2, nullptr},                    // Cancel on the volume
        {{"ü€.wav", "loud", "0.9"}, 4, "[3]0.9 ü€.wav"},  // a beep, and the box again
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prompts);
        startWithKeys({"kick.wav", "snare.wav"});
        ui.inputAnswers = c.answers;
        control<QPushButton>("cmdKeyAdd")->click();
        const auto shown = shownSinceMark();
        ASSERT_EQ(int(shown.size()), c.prompts);
        EXPECT_EQ(shown[0].text, kKeyFilePrompt);
        EXPECT_EQ(shown[0].initial, QString());
        if (c.prompts == 2) {
            EXPECT_EQ(shown[1].initial, QStringLiteral("1.00"));
        }
        QStringList expected = {"[1]1.00 kick.wav", "[2]1.00 snare.wav"};
        if (c.added) expected << QString::fromUtf8(c.added);
        EXPECT_EQ(lines(), expected);
        EXPECT_EQ(window->doc.KeyCount, expected.size());
        EXPECT_EQ(window->state.Modified, c.added ? 1 : 0);
    }
}

TEST_F(KeyListWindowTest, BatchAddNamesEachFileByItsParentFolder) {
    startWithKeys({"kick.wav"});
    ui.multiAnswers = {{"/home/a/music/drums/tom.wav", "", "/clap.ogg", "rel/x/y.wav"}};
    control<QAction>("mnKeyAddBatch")->trigger();
    ASSERT_EQ(ui.shown.back().kind, Kind::OpenMulti);
    EXPECT_EQ(ui.shown.back().title, kOpenCaption);
    EXPECT_EQ(ui.shown.back().text, kKeySoundFilter);
    EXPECT_EQ(ui.shown.back().initial, window->state.ChartDir);  // the music folder
    EXPECT_EQ(lines(), QStringList({"[1]1.00 kick.wav", "[2]1.00 drums/tom.wav",
                                    "[3]1.00 /clap.ogg", "[4]1.00 x/y.wav"}));
    EXPECT_EQ(window->state.Modified, 1);

    window->state.Modified = 0;
    ui.multiAnswers = {{QString()}};  // cancelled
    control<QAction>("mnKeyAddBatch")->trigger();
    EXPECT_EQ(window->doc.KeyCount, 4);
    EXPECT_EQ(window->state.Modified, 0);
}

TEST_F(KeyListWindowTest, TwoThousandKeysStopABatchAndRefuseAnAdd) {
    startWithKeys({"kick.wav"});
    QStringList files;
    for (int i = 0; i < 2005; ++i) files << QStringLiteral("/m/d/%1.wav").arg(i);
    ui.multiAnswers = {files};
    control<QAction>("mnKeyAddBatch")->trigger();
    EXPECT_EQ(window->doc.KeyCount, kMaxKeySound);
    EXPECT_EQ(control<QListWidget>("lsKey")->count(), kMaxKeySound);
    EXPECT_EQ(lines().back(), QStringLiteral("[2000]1.00 d/1998.wav"));

    mark();
    control<QAction>("mnKeyAdd")->trigger();
    EXPECT_TRUE(shownSinceMark().empty());
    EXPECT_EQ(window->doc.KeyCount, kMaxKeySound);
}

TEST_F(KeyListWindowTest, EditOffersTheKeyAndStoresTheAnswers) {
    startWithKeys({"kick.wav", "snare.wav", "hat.wav"});
    window->doc.keySound(2).Volume = QStringLiteral("0.5");  // as loaded
    window->keyList->fillKeyList();
    select(1);
    ui.inputAnswers = {"clap.wav", "0.25"};
    control<QPushButton>("cmdKeyEdit")->click();
    const auto shown = shownSinceMark();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].initial, QStringLiteral("snare.wav"));
    EXPECT_EQ(shown[1].initial, QStringLiteral("0.5"));
    EXPECT_EQ(lines()[1], QStringLiteral("[2]0.25 clap.wav"));
    EXPECT_EQ(control<QListWidget>("lsKey")->currentRow(), 1);  // the selection stays
    EXPECT_EQ(window->state.Modified, 1);

    // A double click edits too; an empty volume changes nothing.
    window->state.Modified = 0;
    ui.inputAnswers = {"tom.wav", ""};
    clickItem(2);  // the first click of the two selects
    QTest::mouseDClick(control<QListWidget>("lsKey")->viewport(), Qt::LeftButton, {},
                       itemCentre(2));
    EXPECT_EQ(ui.shown.back().initial, QStringLiteral("1.00"));
    EXPECT_EQ(lines()[2], QStringLiteral("[3]1.00 hat.wav"));
    EXPECT_EQ(window->state.Modified, 0);

    // Nothing selected: edit and delete ask nothing and change nothing.
    control<QListWidget>("lsKey")->setCurrentRow(-1);
    mark();
    control<QAction>("mnKeyEdit")->trigger();
    control<QAction>("mnKeyDelete")->trigger();
    EXPECT_TRUE(shownSinceMark().empty());
    EXPECT_EQ(window->doc.KeyCount, 3);
}

TEST_F(KeyListWindowTest, DeleteRenumbersEveryCell) {
    for (MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
        startWithKeys({"a.wav", "b.wav", "c.wav", "d.wav"});
        // Notes of each key, one far above LastCoord and an erased cell that
        // keeps its index.
        const std::pair<int, int16_t> cells[] = {{100, 1}, {112, 2},   {124, 3},
                                                 {136, 4}, {29000, 4}, {30000, 2}};
        for (auto [coord, index] : cells) note(coord, index);
        window->edits.setKind(30000, 0);
        window->state.Modified = 0;
        select(1);
        ui.messageAnswers = {answer};
        control<QPushButton>("cmdKeyDelete")->click();
        const auto shown = shownSinceMark();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, kDeleteKeyQuestion);
        EXPECT_EQ(shown[0].icon, MsgIcon::Question);
        EXPECT_EQ(shown[0].buttons, MsgButtons::YesNo);
        if (answer == MsgAnswer::No) {
            EXPECT_EQ(lines().size(), 4);
            EXPECT_EQ(indexAt(112), 2);
            EXPECT_EQ(window->state.Modified, 0);
            continue;
        }
        EXPECT_EQ(lines(), QStringList({"[1]1.00 a.wav", "[2]1.00 c.wav", "[3]1.00 d.wav"}));
        EXPECT_EQ(window->doc.KeyCount, 3);
        const std::pair<int, int16_t> after[] = {{100, 1}, {112, 0},   {124, 2},
                                                 {136, 3}, {29000, 3}, {30000, 0}};
        for (auto [coord, index] : after) EXPECT_EQ(indexAt(coord), index) << coord;
        EXPECT_EQ(window->state.Modified, 1);
    }
}

TEST_F(KeyListWindowTest, PurgeKeepsUsedKeysInOrder) {
    const QStringList all = {"[1]1.00 a.wav", "[2]1.00 b.wav", "[3]1.00 c.wav", "[4]1.00 d.wav",
                             "[5]1.00 e.wav"};
    struct Case {
        const char* name;
        MsgAnswer answer;
        std::vector<std::pair<int, int16_t>> before;
        QStringList keys;
        std::vector<std::pair<int, int16_t>> after;
    };
    const Case cases[] = {
        {"notes use 2 and 5",
         MsgAnswer::Yes,
         {{100, 2}, {112, 5}, {124, 2}, {25000, 5}},
         {"[1]1.00 b.wav", "[2]1.00 e.wav"},
         {{100, 1}, {112, 2}, {124, 1}, {25000, 2}}},
        {"no note uses a key", MsgAnswer::Yes, {{100, 0}}, {}, {{100, 0}}},
        {"a note past the list",
         MsgAnswer::Yes,
         {{100, 3}, {112, 9}},
         {"[1]1.00 c.wav"},
         {{100, 1}, {112, 0}}},
        {"answered No", MsgAnswer::No, {{100, 3}, {112, 9}}, all, {{100, 3}, {112, 9}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startWithKeys({"a.wav", "b.wav", "c.wav", "d.wav", "e.wav"});
        for (auto [coord, index] : c.before) note(coord, index);
        ui.messageAnswers = {c.answer};
        control<QAction>("mnKeyPurge")->trigger();
        EXPECT_EQ(ui.shown.back().text, kPurgeKeysQuestion);
        EXPECT_EQ(ui.busyDepth, 0);
        EXPECT_EQ(lines(), c.keys);
        EXPECT_EQ(window->doc.KeyCount, c.keys.size());
        for (auto [coord, index] : c.after) EXPECT_EQ(indexAt(coord), index) << coord;
        EXPECT_EQ(window->state.Modified, c.answer == MsgAnswer::Yes ? 1 : 0);
    }
}

TEST_F(KeyListWindowTest, ClickLoadsAMissingKeyOnceAndPlaysIt) {
    startWithKeys({"tone.wav", "missing.wav"});
    ASSERT_TRUE(test::writeTone(path(QStringLiteral("tone.wav")), 0.2));
    clickItem(1);
    EXPECT_FALSE(control<QPushButton>("cmdCloseKey")->isEnabled());  // no sound, no message
    EXPECT_TRUE(shownSinceMark().empty());

    clickItem(0);
    CBass* player = window->players.existingBass(1);
    ASSERT_NE(player, nullptr);
    const uint32_t handle = player->Handle();
    EXPECT_NE(handle, 0u);
    EXPECT_TRUE(control<QPushButton>("cmdCloseKey")->isEnabled());
    clickItem(0);
    EXPECT_EQ(player->Handle(), handle);  // not loaded again
    EXPECT_EQ(window->state.Modified, 0);

    // Once heard to its end, a click plays it again from the start.
    QTRY_VERIFY_WITH_TIMEOUT(!player->Active(), 10000);
    clickItem(0);
    EXPECT_TRUE(player->Active());
    EXPECT_LT(player->Position(), 0.1);
}

TEST_F(KeyListWindowTest, DirectShowPreviewRunsToTheEndAndStops) {
    startWithKeys({"tone.wav"});
    ASSERT_TRUE(test::writeTone(path(QStringLiteral("tone.wav")), 0.1));
    control<QAction>("mnDecoder", 2)->trigger();
    clickItem(0);
    EXPECT_TRUE(control<QPushButton>("cmdCloseKey")->isEnabled());
    ASSERT_TRUE(window->keyPreview.running());
    // The window keeps handling events while the graph plays.
    QTRY_VERIFY_WITH_TIMEOUT(!window->keyPreview.running(), 10000);
    OAFilterState state = State_Running;
    window->keyPreview.graph(1)->GetState(0, &state);
    EXPECT_EQ(state, State_Stopped);
}

TEST(KeyVolumes, TextsGiveSafeVolumes) {
    const struct {
        const char* text;
        float player;
        int32_t graph;
    } cases[] = {{"1.00", 1.0f, 0},
                 {"0.5", 0.5f, -693},
                 {"loud", 0.0f, kVolumeSilent},
                 {"-1", 0.0f, kVolumeSilent},
                 {"2", 2.0f, 0},
                 {"0.00001", 0.00001f, kVolumeSilent},
                 {"1e999", 0.0f, kVolumeSilent}};
    for (const auto& c : cases) {
        EXPECT_FLOAT_EQ(keyPlayerVolume(QString::fromLatin1(c.text)), c.player) << c.text;
        EXPECT_EQ(keyGraphVolume(QString::fromLatin1(c.text)), c.graph) << c.text;
    }
}

}  // namespace
}  // namespace lumidex::testing
