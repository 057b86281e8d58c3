// The key list commands with scripted answers, renumbering on random charts
// (every note keeps naming the same sound file, one undo record puts the
// whole chart back), and the preview of a clicked key.

#include <gtest/gtest.h>

#include <QTest>

#include <random>

#include "AudioEngines.h"
#include "AudioTestSupport.h"
#include "CBass.h"
#include "ChartEdit.h"
#include "DocumentCommands.h"
#include "FilgraphManager.h"
#include "KeyList.h"
#include "KeyPreview.h"
#include "PlayerSlots.h"
#include "ScriptedDialogs.h"
#include "support/ChartRecords.h"

namespace lumidex {
namespace {

// The sound a cell's index names, "-" for none and "?" for no such key.
QString soundOf(const ChartDocument& doc, int coord) {
    const int k = doc.cell(coord).FxSndIndex;
    if (k == 0) return QStringLiteral("-");
    return k > 0 && k <= doc.KeyCount ? doc.keySound(k).Snd : QStringLiteral("?");
}

// keys key sounds named "s1".."sN"; about half the cells carry an index,
// some of them past the list, notes or not.
void randomChart(ChartDocument& doc, std::mt19937& rng, int keys) {
    doc.KeyCount = keys;
    for (int k = 1; k <= keys; ++k) doc.keySound(k) = {QStringLiteral("s%1").arg(k), "1.00"};
    std::uniform_int_distribution<int> index(-1, keys + 3), kind(0, 40), coin(0, 1);
    for (int c = 0; c <= kMaxCoord; ++c)
        if (coin(rng)) doc.setNote(c, uint8_t(kind(rng)), int16_t(index(rng)));
    doc.LastCoord = 1000;
}

// A delete on a random chart, undone by its one record, then a purge.
TEST(KeyListRenumbering, DeleteAndPurgeKeepEveryNoteOnItsSound) {
    std::mt19937 rng(7);
    for (int keys : {1, 5, 8, 15, 22, 29, 36, 40, 2000}) {
        ChartDocument doc;
        randomChart(doc, rng, keys);
        const int d = std::uniform_int_distribution<int>(1, keys)(rng);
        std::vector<QString> before;
        std::vector<int16_t> indices;
        for (int c = 0; c <= kMaxCoord; ++c) {
            before.push_back(soundOf(doc, c));
            indices.push_back(doc.cell(c).FxSndIndex);
        }
        ChartEdit edits(doc);
        test::StepLog recorder;
        edits.addListener(&recorder);
        deleteKey(edits, d);
        ASSERT_EQ(doc.KeyCount, keys - 1);
        const QString gone = QStringLiteral("s%1").arg(d);
        for (int c = 0; c <= kMaxCoord; ++c) {
            const int16_t old = indices[size_t(c)];
            if (old > keys) {  // past the list: shifts with the rest
                ASSERT_EQ(doc.cell(c).FxSndIndex, old - 1) << c;
            } else {
                ASSERT_EQ(soundOf(doc, c), before[size_t(c)] == gone ? "-" : before[size_t(c)]);
            }
        }
        ASSERT_EQ(recorder.steps.size(), 1u);
        EXPECT_EQ(recorder.steps[0].action, QStringLiteral("Delete Key"));
        recorder.steps[0].revert(doc);
        EXPECT_EQ(doc.KeyCount, keys);
        for (int c = 0; c <= kMaxCoord; ++c) {
            ASSERT_EQ(doc.cell(c).FxSndIndex, indices[size_t(c)]) << c;
            // For the purge: key `keys` unused; an index past the list loses
            // it, a negative one is left alone.
            if (indices[size_t(c)] == keys) doc.setFxSndIndex(c, 0);
            before[size_t(c)] =
                indices[size_t(c)] >= keys ? QStringLiteral("-") : before[size_t(c)];
        }
        const int removed = purgeUnusedKeys(edits);
        EXPECT_GE(removed, 1);
        EXPECT_EQ(doc.KeyCount, keys - removed);
        std::vector<bool> used(size_t(doc.KeyCount) + 1, false);
        for (int c = 0; c <= kMaxCoord; ++c) {
            ASSERT_EQ(soundOf(doc, c), before[size_t(c)]) << c;
            const int k = doc.cell(c).FxSndIndex;
            if (k > 0) used[size_t(k)] = true;
            ASSERT_GE(k, -1);
        }
        for (int k = 1; k <= doc.KeyCount; ++k) {
            EXPECT_TRUE(used[size_t(k)]) << k;
            // The kept keys keep their order.
            if (k > 1) {
                EXPECT_LT(doc.keySound(k - 1).Snd.mid(1).toInt(),
                          doc.keySound(k).Snd.mid(1).toInt());
            }
        }
    }
}

using Kind = ScriptedDialogs::Kind;

// A chart with the key sounds named (volume "1.00"), the commands over it
// and the steps they record.
struct KeyChart : test::LoggedChart {
    explicit KeyChart(const QStringList& names = {"kick.wav", "snare.wav"}) {
        doc.KeyCount = int32_t(names.size());
        for (int k = 1; k <= names.size(); ++k) doc.keySound(k) = {names[k - 1], "1.00"};
    }

    QStringList lines() const {
        QStringList all;
        for (int k = 1; k <= doc.KeyCount; ++k) all << keyListLine(k, doc.keySound(k));
        return all;
    }

    ScriptedDialogs ui;
    KeyListCommands keys{edits, ui};
};

class KeyList : public ::testing::Test, protected KeyChart {};

TEST(KeyCommands, AddAsksNameThenVolume) {
    struct Case {
        std::deque<QString> answers;
        int prompts;        // input boxes and beeps shown
        const char* added;  // the new line, or nullptr
        int beeps = 0;      // volumes refused (each asked again)
    };
    const Case cases[] = {
        {{"hat.wav", "0.7"}, 2, "[3]0.7 hat.wav"},
        {{"hat.wav"}, 2, "[3]1.00 hat.wav"},      // the default volume taken
        {{""}, 1, nullptr},                       // Cancel on the name
        {{"hat.wav", ""}, 2, nullptr},            // Cancel on the volume
        {{"ü€.wav", "0.9"}, 2, "[3]0.9 ü€.wav"},  // any name as typed
        {{"hat.wav", "loud", "1e999", "0.9"}, 6, "[3]0.9 hat.wav", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prompts);
        KeyChart fresh;
        fresh.ui.inputAnswers = c.answers;
        EXPECT_EQ(fresh.keys.add(), c.added != nullptr);
        const auto& shown = fresh.ui.shown;
        ASSERT_EQ(int(shown.size()), c.prompts);
        EXPECT_EQ(shown[0].text, kKeyFilePrompt);
        EXPECT_EQ(shown[0].initial, QString());
        for (size_t i = 1; i < shown.size(); ++i)
            EXPECT_EQ(shown[i].initial, shown[i].kind == Kind::Beep ? "" : "1.00");
        EXPECT_EQ(fresh.ui.beeps(), c.beeps);
        QStringList expected = {"[1]1.00 kick.wav", "[2]1.00 snare.wav"};
        if (c.added) expected << QString::fromUtf8(c.added);
        EXPECT_EQ(fresh.lines(), expected);
        EXPECT_EQ(fresh.log.steps.size(), c.added ? 1u : 0u);
    }
}

TEST_F(KeyList, BatchAddNamesEachFileByItsParentFolderUpToTwoThousandKeys) {
    ui.multiAnswers = {{"/home/a/music/drums/tom.wav", "", "/clap.ogg", "rel/x/y.wav"}};
    EXPECT_EQ(keys.addBatch(QStringLiteral("/songs/")), 3);
    ASSERT_EQ(ui.shown.back().kind, Kind::OpenMulti);
    EXPECT_EQ(ui.shown.back().title, kOpenCaption);
    EXPECT_EQ(ui.shown.back().text, kKeySoundFilter);
    EXPECT_EQ(ui.shown.back().initial, QStringLiteral("/songs/"));
    EXPECT_EQ(lines().mid(2),
              QStringList({"[3]1.00 drums/tom.wav", "[4]1.00 /clap.ogg", "[5]1.00 x/y.wav"}));
    EXPECT_EQ(log.steps.size(), 1u);

    ui.multiAnswers = {{QString()}};  // cancelled
    EXPECT_EQ(keys.addBatch(QStringLiteral("/songs/")), 0);
    EXPECT_EQ(log.steps.size(), 1u);

    QStringList files;
    for (int i = 0; i < 2005; ++i) files << QStringLiteral("/m/d/%1.wav").arg(i);
    ui.multiAnswers = {files};
    keys.addBatch(QStringLiteral("/songs/"));
    EXPECT_EQ(doc.KeyCount, kMaxKeySound);
    EXPECT_EQ(lines().back(), QStringLiteral("[2000]1.00 d/1994.wav"));
    ui.shown.clear();
    EXPECT_FALSE(keys.add());  // full: nothing asked
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(KeyList, VolumesMustBeNumbersAndBatchAddNamesFilesAddedAgain) {
    doc.keySound(1) = {QStringLiteral("d/kick.wav"), QStringLiteral("loud")};  // as loaded
    // A refusal beeps and offers a number again ("1.00" for a key whose
    // volume was none); Cancel ends the command.
    ui.inputAnswers = {"hat.wav", "x", ""};
    EXPECT_FALSE(keys.edit(1));
    EXPECT_EQ(doc.keySound(1).Volume, "loud");
    EXPECT_EQ(ui.beeps(), 1);
    EXPECT_EQ(ui.shown.back().initial, "1.00");

    ui.shown.clear();
    ui.multiAnswers = {{"/m/d/kick.wav", "/m/d/tom.wav", "/n/d/tom.wav"}};
    EXPECT_EQ(keys.addBatch(QStringLiteral("/songs/pvx_music/")), 3);
    EXPECT_EQ(ui.shown.at(0).initial, "/songs/pvx_music/");
    EXPECT_EQ(ui.messages(), QStringList{kKeysAddedAgain + "\nd/kick.wav\nd/tom.wav"});
}

TEST_F(KeyList, EditOffersTheKeyAndStoresTheAnswers) {
    doc.keySound(2).Volume = QStringLiteral("0.5");  // as loaded
    ui.inputAnswers = {"clap.wav", "0.25", "tom.wav", ""};
    EXPECT_TRUE(keys.edit(2));
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(ui.shown[0].initial, QStringLiteral("snare.wav"));
    EXPECT_EQ(ui.shown[1].initial, QStringLiteral("0.5"));
    EXPECT_EQ(lines()[1], QStringLiteral("[2]0.25 clap.wav"));
    EXPECT_EQ(log.steps.size(), 1u);

    // An empty volume changes nothing; no such key asks nothing.
    EXPECT_FALSE(keys.edit(1));
    EXPECT_EQ(ui.shown.back().initial, QStringLiteral("1.00"));
    EXPECT_EQ(lines()[0], QStringLiteral("[1]1.00 kick.wav"));
    ui.shown.clear();
    EXPECT_FALSE(keys.edit(0));
    EXPECT_FALSE(keys.edit(3));
    EXPECT_FALSE(keys.remove(3));
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_EQ(log.steps.size(), 1u);
}

// What they do to the cells: KeyListRenumbering above.
TEST_F(KeyList, DeleteAndPurgeAskFirstAndNoKeepsEverything) {
    for (int c : {100, 112}) doc.setNote(c, 16, 1);
    ui.messageAnswers = {MsgAnswer::No, MsgAnswer::No, MsgAnswer::Yes, MsgAnswer::Yes};
    EXPECT_FALSE(keys.remove(1));
    EXPECT_FALSE(keys.purge());
    EXPECT_TRUE(log.steps.empty());
    const auto& shown = ui.shown;
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, kDeleteKeyQuestion);
    EXPECT_EQ(shown[1].text, kPurgeKeysQuestion);
    for (const auto& question : shown) {
        EXPECT_EQ(question.icon, MsgIcon::Question);
        EXPECT_EQ(question.buttons, MsgButtons::YesNo);
    }
    EXPECT_TRUE(keys.purge());  // key 2 goes
    EXPECT_EQ(ui.busyDepth, 0);
    EXPECT_TRUE(keys.remove(1));  // the last key: no note has one now
    EXPECT_TRUE(lines().isEmpty());
    for (int c : {100, 112}) EXPECT_EQ(doc.cell(c).FxSndIndex, 0) << c;
    EXPECT_EQ(log.actions(), (std::vector<QString>{"Purge Unused Keys", "Delete Key"}));
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

// The audio engines started on the null device, as the editor starts them.
class KeyPreviewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(engines.startup(ui, [](int) {}));
    }
    void TearDown() override {
        preview.releaseGraphs();
        players.releaseAll();
        engines.shutdown();
    }
    QString dir() const { return folder.path() + '/'; }

    QTemporaryDir folder;
    ScriptedDialogs ui;
    AudioEngines engines;
    PlayerSlots players;
    KeyPreview preview{players};
};

TEST_F(KeyPreviewTest, AMissingKeyStaysSilentAndAFoundOneLoadsOnceAndPlaysAgainFromTheStart) {
    ASSERT_TRUE(test::writeTone(dir() + "tone.wav", 0.2));
    EXPECT_FALSE(preview.play(KeyDecoder::Bass, 2, {"missing.wav", "1.00"}, dir()));
    const KeySound tone{"tone.wav", "1.00"};
    EXPECT_TRUE(preview.play(KeyDecoder::Bass, 1, tone, dir()));
    CBass* player = players.existingBass(1);
    ASSERT_NE(player, nullptr);
    const uint32_t handle = player->Handle();
    EXPECT_NE(handle, 0u);
    EXPECT_FALSE(preview.play(KeyDecoder::Bass, 1, tone, dir()));
    EXPECT_EQ(player->Handle(), handle);  // not loaded again

    // Once heard to its end, it plays again from the start.
    QTRY_VERIFY_WITH_TIMEOUT(!player->Active(), 10000);
    preview.play(KeyDecoder::Bass, 1, tone, dir());
    EXPECT_TRUE(player->Active());
    EXPECT_LT(player->Position(), 0.1);
}

TEST_F(KeyPreviewTest, DirectShowPreviewRunsToTheEndAndStops) {
    ASSERT_TRUE(test::writeTone(dir() + "tone.wav", 0.1));
    EXPECT_TRUE(preview.play(KeyDecoder::DShow, 1, {"tone.wav", "1.00"}, dir()));
    ASSERT_TRUE(preview.running());
    // The event loop keeps running while the graph plays.
    QTRY_VERIFY_WITH_TIMEOUT(!preview.running(), 10000);
    OAFilterState state = State_Running;
    preview.graph(1)->GetState(0, &state);
    EXPECT_EQ(state, State_Stopped);
}

}  // namespace
}  // namespace lumidex
