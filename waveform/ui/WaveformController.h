#pragma once
// The waveform strip of the window: a picture beside the canvas, as tall as
// it and scrolled with it (it repaints after every repaint of the view), the
// "Waveform" item and the "Waveform &Gain" choices of the View menu (both
// remembered in the settings), and the status bar's word on the analysis.
//
// The window tells it which music to show: the chart's when a chart is
// opened, again when the music is opened ("&Open") or the decoder changes.
// Other music cancels an analysis under way. The strip shows while
// "Waveform" is checked (without music: the beat lines on grey).

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <memory>

#include "ChartDocument.h"
#include "ChartEdit.h"
#include "WaveformSource.h"

class QAction;
class QWidget;
class QActionGroup;
class QMenu;
class QPushButton;
class QSettings;
class QStatusBar;
class QTimer;

namespace lumidex {

class ChartView;
class PictureBox;
class SoundBank;

// What a window hands the controller to attach it (see attach()).
struct WaveformWindow {
    ChartEdit& edits;   // told when a chart is opened
    SoundBank& sounds;  // the decoder choice
    std::function<QString()> musicDir;
    PictureBox* picMain = nullptr;  // the strip goes right of its frame
    QMenu* mnView = nullptr;
    QStatusBar* statusBar = nullptr;
    QPushButton* cmdOpenBGM = nullptr;    // "&Open"
    std::array<QAction*, 3> mnDecoder{};  // the "Pla&y" menu's decoder items
};

class WaveformController : public QObject, private ChartEditListener {
  public:
    // cacheFolder empty for the user's cache folder.
    WaveformController(const ChartDocument& doc, ChartView& view, QString cacheFolder = {},
                       QObject* parent = nullptr);
    ~WaveformController() override;

    // The strip, for the window to place beside the canvas.
    PictureBox* strip() const { return strip_; }
    // Joins a window: places the strip, adds the menu items, reports in the
    // status bar, and shows the chart's music when a chart is opened, and the
    // music again after "&Open" or a decoder item (connected after the
    // window's own handlers, so the decoder is already chosen). The window
    // outlives the controller.
    void attach(const WaveformWindow& window);
    // Puts the strip, in a sunken frame like the canvas's, right of the
    // canvas's frame in the row that holds it.
    void placeBeside(QWidget* canvas);
    // Adds "Waveform" and "Waveform &Gain" to the View menu.
    void addMenuItems(QMenu* viewMenu);
    void setStatusBar(QStatusBar* bar) { statusBar_ = bar; }
    // Where "Waveform" and the gain are remembered (nowhere until then);
    // takes their values from there. settings must outlive the controller.
    void useSettings(QSettings* settings);

    // ---- from the window -------------------------------------------------------
    // Analyses the music (as the players find it, decoded as the decoder
    // does) unless it is the music already shown or under way; with again,
    // also then (a chart opened anew: its file may have changed).
    void showMusic(const QString& musicDir, const QString& snd, int decoder, bool again = false);

    // ---- state -------------------------------------------------------------------
    bool shown() const;
    float gain() const { return gain_; }
    void setShown(bool on);
    void setGain(float gain);
    waveform::WaveformSource& source() { return source_; }
    // Repaints the strip for the view as it stands.
    void repaint();

  protected:
    // A resized strip has a new, blank buffer: it repaints once the resize
    // is through.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void chartChanged(const ChartChange&) override {}
    void chartReplaced() override;
    void showWindowMusic(bool again);
    void analysisChanged();
    void showProgress();
    void updateVisibility();
    void say(const QString& text);

    const ChartDocument& doc_;
    ChartView& view_;
    QSettings* settings_ = nullptr;
    waveform::WaveformSource source_;
    PictureBox* strip_;
    QWidget* shownPart_;  // the strip, or its frame once placed
    QAction* mnWaveform_ = nullptr;
    QActionGroup* gainGroup_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QTimer* progressTimer_;
    std::unique_ptr<WaveformWindow> window_;
    bool hasMusic_ = false;
    waveform::WaveformRequest shownMusic_;  // cacheFolder unused
    bool wantShown_ = true;
    float gain_ = 1;
};

}  // namespace lumidex
