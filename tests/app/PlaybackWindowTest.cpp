// The window's playback controls on a manual output: the view follows the
// music step by step, every key sound is heard once, and every way of
// stopping, the decoder choice and the speed controls keep the controls right.

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>

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
    std::optional<audio::Mixer::Status> music() {
        return audio::AudioSystem::instance().mixer()->status(window->sounds->music().stream());
    }
    void openBoth() {
        control<QPushButton>("cmdOpenBGM")->click();
        control<QPushButton>("cmdOpenKey")->click();
    }
    bool playing() const { return window->view->state().playing; }
};

TEST_F(PlaybackWindow, TheViewFollowsTheMusicAndEveryKeyIsHeard) {
    openBoth();
    ASSERT_TRUE(control<QPushButton>("cmdPlay")->isEnabled());
    ASSERT_TRUE(control<QAction>("mnPlayKeyNote")->isChecked());
    const int from = control<QScrollBar>("vsb")->value();
    control<QPushButton>("cmdPlay")->click();
    ASSERT_TRUE(playing());
    EXPECT_EQ(control<QPushButton>("cmdPlay")->text(), QStringLiteral("&Pause"));
    // Each key sample once, at its volume: the snare at 12 (0.25 x 0.5), the
    // kick at 24; the end at 48 has none. Their frames: KeyOnsetTest.
    std::vector<float> heard;
    int lastView = from;
    while (playing()) {
        for (float sample : advance(735))
            if (sample != 0) heard.push_back(sample);
        window->playing->playStep();
        EXPECT_GE(control<QScrollBar>("vsb")->value(), lastView);
        lastView = control<QScrollBar>("vsb")->value();
    }
    EXPECT_EQ(heard, (std::vector<float>{0.125f, 0.5f}));
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
