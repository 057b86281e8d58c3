// Deleting and purging on random charts: every note keeps naming the same
// sound file, and one undo record puts the whole chart back.

#include <gtest/gtest.h>

#include <random>

#include "ChartEdit.h"
#include "KeyList.h"
#include "ScriptedDialogs.h"

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

class Recorder : public ChartEditListener {
  public:
    void chartChanged(const ChartChange& change) override { changes.push_back(change); }
    std::vector<ChartChange> changes;
};

TEST(KeyListRenumbering, DeleteKeepsEveryNoteOnItsSound) {
    std::mt19937 rng(7);
    for (int round = 0; round < 6; ++round) {
        ChartDocument doc;
        const int keys = 1 + round * 7;
        randomChart(doc, rng, keys);
        const int d = std::uniform_int_distribution<int>(1, keys)(rng);
        std::vector<QString> before;
        for (int c = 0; c <= kMaxCoord; ++c) before.push_back(soundOf(doc, c));
        std::vector<int16_t> indices;
        for (int c = 0; c <= kMaxCoord; ++c) indices.push_back(doc.cell(c).FxSndIndex);

        ChartEdit edits(doc);
        Recorder recorder;
        edits.addListener(&recorder);
        deleteKey(edits, d);
        ASSERT_EQ(doc.KeyCount, keys - 1);
        const QString gone = QStringLiteral("s%1").arg(d);
        for (int c = 0; c <= kMaxCoord; ++c) {
            const int16_t old = indices[size_t(c)];
            if (old > keys)  // past the list: shifts with the rest
                ASSERT_EQ(doc.cell(c).FxSndIndex, old - 1) << c;
            else
                ASSERT_EQ(soundOf(doc, c), before[size_t(c)] == gone ? "-" : before[size_t(c)]);
        }
        ASSERT_EQ(recorder.changes.size(), 1u);
        EXPECT_EQ(recorder.changes[0].action, QStringLiteral("Delete Key"));
        recorder.changes[0].revert(doc);
        EXPECT_EQ(doc.KeyCount, keys);
        for (int c = 0; c <= kMaxCoord; ++c)
            ASSERT_EQ(doc.cell(c).FxSndIndex, indices[size_t(c)]) << c;
    }
}

TEST(KeyListRenumbering, PurgeKeepsUsedKeysAndEveryNoteOnItsSound) {
    std::mt19937 rng(11);
    for (int keys : {1, 5, 40, 2000}) {
        ChartDocument doc;
        randomChart(doc, rng, keys);
        // A key no cell uses, when there is room for one.
        for (int c = 0; c <= kMaxCoord; ++c)
            if (doc.cell(c).FxSndIndex == keys) doc.setFxSndIndex(c, 0);
        std::vector<QString> before;
        for (int c = 0; c <= kMaxCoord; ++c) {
            // An index past the list loses it; a negative one is left alone.
            const bool past = doc.cell(c).FxSndIndex > keys;
            before.push_back(past ? QStringLiteral("-") : soundOf(doc, c));
        }

        ChartEdit edits(doc);
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

TEST(KeyListCommands, VolumesMustBeNumbersAndBatchAddNamesFilesAddedAgain) {
    ChartDocument doc;
    doc.KeyCount = 1;
    doc.keySound(1) = {QStringLiteral("d/kick.wav"), QStringLiteral("loud")};  // as loaded
    ChartEdit edits(doc);
    ScriptedDialogs ui;
    KeyListCommands keys(edits, ui);
    // Each refusal beeps and offers a number again ("1.00" for a key whose
    // volume was none); Cancel ends the command.
    ui.inputAnswers = {"hat.wav", "loud", "1e999", "0.9", "hat.wav", "x", ""};
    EXPECT_TRUE(keys.add());
    EXPECT_FALSE(keys.edit(1));
    EXPECT_EQ(doc.keySound(2).Volume, "0.9");
    EXPECT_EQ(doc.keySound(1).Volume, "loud");
    EXPECT_EQ(ui.beeps(), 3);
    EXPECT_EQ(ui.shown.back().initial, "1.00");

    ui.shown.clear();
    ui.multiAnswers = {{"/m/d/kick.wav", "/m/d/tom.wav", "/n/d/tom.wav"}};
    EXPECT_EQ(keys.addBatch(QStringLiteral("/songs/pvx_music/")), 3);
    EXPECT_EQ(ui.shown.at(0).initial, "/songs/pvx_music/");
    EXPECT_EQ(ui.messages(), QStringList{kKeysAddedAgain + "\nd/kick.wav\nd/tom.wav"});
}

}  // namespace
}  // namespace lumidex
