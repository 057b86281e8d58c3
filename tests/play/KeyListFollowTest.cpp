// The open key sounds follow the key list: after every key list step and its
// undo, the note with index k sounds the file the list shows at k. Key
// sounds naming one file or archive entry share one image, within a budget.

#include <QFileInfo>

#include <functional>

#include "FilgraphManager.h"
#include "KeyList.h"
#include "KeyListFollower.h"
#include "PlayTestSupport.h"
#include "UndoHistory.h"

namespace lumidex::test {
namespace {

// 600 BPM (half a chart frame a coord), the music from coord 0: a note every
// 6 coords with index 1..5, and notes with indices 9 and 10, past the list
// of eight keys until keys are added. Keys 6..8 are named by no note.
class KeyListFollow : public PlayFixture {
  protected:
    void SetUp() override {
        PlayFixture::SetUp();
        uniformChart(600, 120);
        for (int c = 6; c <= 120; c += 6) doc.setNote(c, 20, int16_t(1 + (c / 6) % 5));
        for (int c : {3, 51}) doc.setNote(c, 20, 9);
        for (int c : {27, 99}) doc.setNote(c, 20, 10);
        ASSERT_TRUE(QDir(musicDir).mkdir("drums"));
        ASSERT_TRUE(writeAll(musicDir + "drums/k6.wav", readAll(musicDir + "k6.wav")));
    }
    // The key whose file key k names: "k3.wav" and "drums/k3.wav" are key 3's.
    int fileKey(int k) const { return QFileInfo(doc.keySound(k).Snd).baseName().mid(1).toInt(); }
    // Notes sound the file the list shows.
    int bitOf(int k) const override { return 1 << fileKey(k); }
    // Plays the whole chart; the heard onsets must be those wanted.
    void playAll() {
        heard.clear();
        lastSample = 0;
        ASSERT_TRUE(playback.start(0, PlaySwitches{false, true, 44100}));
        const Onsets want = expectedOnsets(head(), musicAt());
        driveToEnd();
        playback.stop();
        EXPECT_EQ(heard, want);
    }

    // Runs each step in turn, checking after it, its undo and its redo.
    void eachStepUndoneAndRedone(const std::function<void()>& check) {
        for (const auto& [name, run] : steps) {
            SCOPED_TRACE(name);
            run();
            check();
            ASSERT_TRUE(history.undo());
            check();
            ASSERT_TRUE(history.redo());
        }
    }

    ChartEdit edits{doc};
    UndoHistory history{edits};
    KeyListFollower follower{edits, bank, playback};
    ScriptedDialogs ui;
    KeyListCommands commands{edits, ui};
    // Each key list command, run in turn (each on what the ones before left).
    const std::vector<std::pair<const char*, std::function<void()>>> steps = {
        {"Add Key",
         [this] {
             ui.inputAnswers = {"k8.wav", "1.00"};
             commands.add();
         }},
        {"Batch Add Key",
         [this] {
             ui.multiAnswers = {{musicDir + "drums/k6.wav"}};
             commands.addBatch({});
         }},
        {"Edit Key",
         [this] {
             ui.inputAnswers = {"k7.wav", "1.00"};
             commands.edit(2);
         }},
        {"Delete Key", [this] { commands.remove(1); }},
        {"Purge Unused Key", [this] { commands.purge(); }},
    };
};

class KeyListSteps : public KeyListFollow, public ::testing::WithParamInterface<int> {};

TEST_P(KeyListSteps, NotesSoundTheFileTheListShowsAfterEachStepItsUndoAndRedo) {
    openSounds(2, GetParam());
    eachStepUndoneAndRedone([this] { playAll(); });
}

TEST_P(KeyListSteps, AStepDuringPlaybackIsHeardFromTheNextNote) {
    openSounds(2, GetParam());
    ASSERT_TRUE(playback.start(0, PlaySwitches{false, true, 44100}));
    const int64_t s = head();
    const double p0 = musicAt();
    const Onsets before = expectedOnsets(s, p0);
    ASSERT_TRUE(drive(22050));
    const int64_t changed = head();
    const audio::StreamId moving = bank.key(3).stream();
    deleteKey(edits, 1);
    EXPECT_EQ(bank.key(2).stream(), moving);  // moved, not opened again
    Onsets want = expectedOnsets(s, p0);
    want.erase(want.begin(), want.lower_bound(changed));
    want.insert(before.begin(), before.lower_bound(changed));
    driveToEnd();
    EXPECT_EQ(heard, want);
}

INSTANTIATE_TEST_SUITE_P(BassAndMiles, KeyListSteps,
                         ::testing::Values(kDecoderBass, kDecoderMiles));

TEST_F(KeyListFollow, DirectShowGraphsFollowTheList) {
    for (int k = 1; k <= kKeys; ++k) {  // key k lasts k x 50 ms
        ASSERT_TRUE(
            writeAll(musicDir + doc.keySound(k).Snd, wavFloat(constant(k * 2205, 1, 0.25f))));
    }
    ASSERT_TRUE(writeAll(musicDir + "drums/k6.wav", readAll(musicDir + "k6.wav")));
    openSounds(1, kDecoderDShow);
    auto expectGraphs = [&] {
        for (int k = 1; k <= doc.KeyCount; ++k) {
            FilgraphManager* graph = bank.keyGraph(k);
            ASSERT_NE(graph, nullptr) << k;
            REFTIME seconds = 0;
            graph->get_Duration(&seconds);
            EXPECT_NEAR(seconds, 0.05 * fileKey(k), 0.005) << k;
        }
        EXPECT_EQ(bank.keyGraph(doc.KeyCount + 1), nullptr);
    };
    eachStepUndoneAndRedone(expectGraphs);
}

TEST_F(KeyListFollow, WithTheKeysClosedAPreviewedSoundIsLetGo) {
    bank.setDecoder(kDecoderBass);
    ASSERT_EQ(players.bass(1).LoadFile(musicDir, doc.keySound(1).Snd), 0);  // as a preview does
    deleteKey(edits, 1);
    EXPECT_FALSE(bank.key(1).loaded());
}

// Keys 1..4 name the archive entry pk/a.wav (key sound 1's file), keys 5..8
// the larger pk/b.wav (key sound 2's, padded with silence).
class SharedKeyImages : public PlayFixture {
  protected:
    void SetUp() override {
        PlayFixture::SetUp();
        a = wavFloat({0.5f});
        Samples padded = constant(100000, 1, 0.0f);
        padded[0] = 0.25f;
        b = wavFloat(padded);
        ASSERT_TRUE(writeZip(musicDir + "pk.pak", {{"pk/a.wav", a}, {"pk/b.wav", b}}));
        for (int k = 1; k <= kKeys; ++k)
            doc.keySound(k).Snd = k <= 4 ? QStringLiteral("pk/a.wav") : QStringLiteral("pk/b.wav");
    }
    QStringList openKeys(int decoder) {
        bank.setDecoder(decoder);
        ScriptedDialogs ui;
        bank.openKeys(doc, musicDir, ui);
        return ui.messages();
    }
    QByteArray a, b;
};

TEST_F(SharedKeyImages, EachEntryIsReadOnceForAllItsKeys) {
    for (int decoder : {kDecoderBass, kDecoderMiles}) {
        EXPECT_TRUE(openKeys(decoder).isEmpty());
        EXPECT_EQ(bank.keyImages().bytesHeld(), a.size() + b.size()) << decoder;
        for (int k = 1; k <= kKeys; ++k) EXPECT_TRUE(bank.key(k).loaded()) << k;
        bank.closeKeys();
        EXPECT_EQ(bank.keyImages().bytesHeld(), 0);
    }
}

TEST_F(SharedKeyImages, AKeyPastTheBudgetIsNamedAndStaysSilent) {
    bank.keyImages().setBudget(a.size() + b.size() - 1);
    EXPECT_EQ(openKeys(kDecoderBass), QStringList{"These KEY mp3s cannot be opened:\n" +
                                                  QString("pk/b.wav\n").repeated(4)});
    EXPECT_EQ(bank.keyImages().bytesHeld(), a.size());
    for (int k = 1; k <= kKeys; ++k) EXPECT_EQ(bank.key(k).loaded(), k <= 4) << k;
}

}  // namespace
}  // namespace lumidex::test
