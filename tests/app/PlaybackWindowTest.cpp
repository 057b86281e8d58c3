// The window's playback controls on a manual output: the view follows the
// music step by step, key sounds land on their frames, and every way of
// stopping, the decoder choice and the speed controls keep the controls right.

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>

#include <cmath>

#include "AudioSystem.h"
#include "AudioTestSupport.h"
#include "support/WindowFixture.h"

namespace lumidex::testing {
namespace {

class PlaybackWindow : public WindowTest {
  protected:
    void SetUp() override {
        audio::AudioSystem::instance().setOutputFactory(
            [] { return std::make_unique<audio::ManualOutput>(); });
        // One-sample keys: kick 0.5, snare 0.25; two seconds of silent music.
        writeFile(QStringLiteral("kick.wav"), test::wavFloat({0.5f}));
        writeFile(QStringLiteral("snare.wav"), test::wavFloat({0.25f}));
        writeFile(QStringLiteral("song.wav"), test::wavFloat(test::constant(88200, 1, 0.0f)));
        test::ChartText chart = windowChart();
        chart.music = "song.wav";
        start({writeFile(QStringLiteral("song.xml"), chart.bytes())});
        control<QLineEdit>("txMusicPath")->setText(QString());  // sounds beside the chart
    }
    void TearDown() override {
        window.reset();
        audio::AudioSystem::instance().setOutputFactory({});
    }

    std::vector<float> advance(int frames) {
        auto* output = dynamic_cast<audio::ManualOutput*>(audio::AudioSystem::instance().output());
        return output ? test::left(output->advance(frames)) : std::vector<float>();
    }
    audio::Mixer& mixer() { return *audio::AudioSystem::instance().mixer(); }
    std::optional<audio::Mixer::Status> music() {
        return mixer().status(window->sounds->music().stream());
    }
    void openBoth() {
        control<QPushButton>("cmdOpenBGM")->click();
        control<QPushButton>("cmdOpenKey")->click();
    }
    bool playing() const { return window->view->state().playing; }
};

TEST_F(PlaybackWindow, TheViewFollowsTheMusicAndEveryKeyLandsOnItsFrame) {
    openBoth();
    ASSERT_TRUE(control<QPushButton>("cmdPlay")->isEnabled());
    ASSERT_TRUE(control<QAction>("mnPlayKeyNote")->isChecked());
    const int from = control<QScrollBar>("vsb")->value();
    control<QPushButton>("cmdPlay")->click();
    ASSERT_TRUE(playing());
    EXPECT_EQ(control<QPushButton>("cmdPlay")->text(), QStringLiteral("&Pause"));
    const int64_t s = mixer().renderHead();
    const double p0 = music()->position;

    // Onsets from the chart: music time t s is chart frame 60 t + Delay - 3.
    std::map<int64_t, float> want;
    for (int c = from; c <= window->doc.LastCoord; ++c) {
        const NoteEntry& cell = window->doc.cell(c);
        if (cell.Kind == 0 || cell.FxSndIndex < 1 || (cell.Kind >= 128 && cell.Kind % 3 == 1))
            continue;
        const double source =
            (*window->doc.CoordToFrames(c) - (window->doc.Delay - 3)) / 60 * 44100;
        const float sample = cell.FxSndIndex == 1 ? 0.5f : 0.25f;
        const float volume = window->doc.keySound(cell.FxSndIndex).Volume.toFloat();
        want[s + int64_t(std::ceil(source - p0 - 1e-9))] += sample * volume;
    }
    ASSERT_FALSE(want.empty());

    std::map<int64_t, float> heard;
    int lastView = from;
    for (int64_t at = s; playing(); at += 735) {
        const std::vector<float> block = advance(735);
        for (size_t i = 0; i < block.size(); ++i)
            if (block[i] != 0) heard[at + int64_t(i)] += block[i];
        window->playing->playStep();
        EXPECT_GE(control<QScrollBar>("vsb")->value(), lastView);
        lastView = control<QScrollBar>("vsb")->value();
    }
    EXPECT_EQ(heard, want);
    EXPECT_GT(lastView, from + 50);  // two seconds of music at 150 BPM: 60 coords
    EXPECT_EQ(control<QPushButton>("cmdPlay")->text(), QStringLiteral("&Play"));
}

TEST_F(PlaybackWindow, StopsByTheButtonByEscAndByOpeningAChart) {
    openBoth();
    control<QPushButton>("cmdPlay")->click();
    advance(4410);
    window->playing->playStep();
    control<QPushButton>("cmdPlay")->click();  // "&Pause"
    EXPECT_FALSE(playing());
    EXPECT_FALSE(music()->active);

    control<QPushButton>("cmdPlay")->click();
    ASSERT_TRUE(playing());
    activate();
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(playing());
    EXPECT_EQ(control<QPushButton>("cmdPlay")->text(), QStringLiteral("&Play"));
    QTest::keyClick(window.get(), Qt::Key_Escape);  // Esc does nothing while stopped
    EXPECT_FALSE(playing());

    control<QPushButton>("cmdPlay")->click();
    ui.fileAnswers.push_back(path(QStringLiteral("song.xml")));
    window->mnOpen_Click(0);
    EXPECT_FALSE(playing());
    EXPECT_FALSE(control<QPushButton>("cmdPlay")->isEnabled());  // the music was closed
    EXPECT_TRUE(control<QPushButton>("cmdOpenKey")->isEnabled());
}

TEST_F(PlaybackWindow, ChangingTheDecoderStopsAndClosesEverything) {
    openBoth();
    control<QPushButton>("cmdPlay")->click();
    control<QAction>("mnDecoder", 1)->trigger();
    EXPECT_FALSE(playing());
    EXPECT_TRUE(control<QAction>("mnDecoder", 1)->isChecked());
    EXPECT_TRUE(control<QPushButton>("cmdOpenBGM")->isEnabled() &&
                control<QPushButton>("cmdOpenKey")->isEnabled());
    EXPECT_FALSE(control<QPushButton>("cmdPlay")->isEnabled() ||
                 control<QAction>("mnPlayKeyNote")->isEnabled());
    EXPECT_FALSE(control<QAction>("mnPlayKeyNote")->isChecked());

    control<QAction>("mnDecoder", 2)->trigger();  // DirectShow has no playing speed
    for (QWidget* w : std::initializer_list<QWidget*>{
             control<QSlider>("sldTempo", 1), control<QPushButton>("cmdResetTempo", 1),
             control<QLabel>("lbSampleRate"), control<QLabel>("lbSampleRateText")})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    control<QAction>("mnDecoder", 0)->trigger();
    EXPECT_TRUE(control<QSlider>("sldTempo", 1)->isEnabled());
}

TEST_F(PlaybackWindow, TheSpeedSliderSetsTheSampleRateAndTheMusicsRate) {
    openBoth();
    control<QSlider>("sldTempo", 1)->setValue(100);
    EXPECT_EQ(control<QLabel>("lbSampleRate")->text(), QStringLiteral("88200"));
    control<QPushButton>("cmdPlay")->click();
    EXPECT_EQ(music()->rate, 88200);
    control<QSlider>("sldTempo", 1)->setValue(-100);
    EXPECT_EQ(control<QLabel>("lbSampleRate")->text(), QStringLiteral("22050"));
    EXPECT_EQ(music()->rate, 22050);  // at once, while playing
    control<QPushButton>("cmdResetTempo", 1)->click();
    EXPECT_EQ(control<QSlider>("sldTempo", 1)->value(), 0);
    EXPECT_EQ(control<QLabel>("lbSampleRate")->text(), QStringLiteral("44100"));
    EXPECT_EQ(music()->rate, 44100);
}

TEST_F(PlaybackWindow, MusicThatFailsToOpenKeepsPlayOffKeysOpenAnyway) {
    QFile::remove(path(QStringLiteral("song.wav")));
    QFile::remove(path(QStringLiteral("kick.wav")));
    mark();
    openBoth();
    EXPECT_EQ(shownSinceMark().size(), 2u);  // their texts: SoundBankTest
    EXPECT_TRUE(control<QPushButton>("cmdOpenBGM")->isEnabled());
    EXPECT_FALSE(control<QPushButton>("cmdPlay")->isEnabled());
    EXPECT_FALSE(control<QPushButton>("cmdOpenKey")->isEnabled());
    EXPECT_TRUE(control<QAction>("mnPlayKeyNote")->isChecked());
}

}  // namespace
}  // namespace lumidex::testing
