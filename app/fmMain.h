#pragma once
// The editor's main window: a shell that owns the chart, its edits and the
// audio, builds the controls (WindowLayout.cpp, WindowMenus.cpp) and hands
// each group of them to the controller that wires it:
//   view        the canvas, strips, scroll bar, step lists, read-outs, View menu
//   canvas      palette, mouse and keyboard editing, "Mode"   (CanvasEditing)
//   keyBox      the key index box over the key strip          (KeyBoxController)
//   musicInfo   the "Music Info" boxes                        (MusicInfoBoxes)
//   playing     music and key buttons, playing speed, Play menu (PlaybackController)
//   keyList     the "Key List:" panel and its Edit menu items (KeyListController)
//   batchPanel  the "Clipboard" panel and the batch items     (BatchController)
//   recovery    the recovery copy and its offer at start-up   (RecoveryController)
//   features_   "Detect Tempo..." in the Edit menu           (TempoController)
//   waveform    the music's waveform strip beside the canvas, its View items
//                                                            (WaveformController)
//   features_   the mouse selection and its Edit items       (SelectionController)
//   features_   the "Checks" dock and its View item          (ChecksPanel)
// The window keeps the File, Undo, test play and Help items, the title,
// dropped files and the life cycle:
//   fmMain w(dialogs, appInfo);
//   if (!w.Form_Load()) return;   // audio engines, list defaults, a new chart
//   w.show();
//   w.openCommandLine();          // the chart named on the command line
// Closing it asks about unsaved changes, then shuts the audio engines down.
//
// Adding a feature: write it as a controller, a QObject built from
// WindowParts (plus the core objects it needs) that builds or is given its
// widgets, connects them with wire() (Wiring.h), keeps the rules in its core
// module and listens to edits for chart changes; then one line in
// fmMain::addControllers() appends it to features_ (one that also wants the
// settings or to hear of saves derives from WindowFeature).
//
// Controls are private; they carry their names as objectName (WindowWidgets.h).

#include <QMainWindow>

#include <memory>
#include <vector>

#include "AppInfo.h"
#include "AudioEngines.h"
#include "BatchCommands.h"
#include "ChartDocument.h"
#include "ChartEdit.h"
#include "Dialogs.h"
#include "DocumentCommands.h"
#include "KeyListFollower.h"
#include "KeyPreview.h"
#include "Playback.h"
#include "PlayerSlots.h"
#include "RandomKinds.h"
#include "UndoHistory.h"
#include "WindowParts.h"

class QSettings;

namespace lumidex {

class BatchController;
class CanvasEditing;
class ChartView;
class KeyBoxController;
class KeyListController;
class MusicInfoBoxes;
class PlaybackController;
class RecoveryController;
struct CopyRecord;
class WaveformController;
class RecentMenu;
struct WindowWidgets;

class fmMain : public QMainWindow, private DocumentHost, private ChartEditListener {
  public:
    fmMain(Dialogs& ui, AppInfo app, QWidget* parent = nullptr);
    ~fmMain() override;

    static QFont interfaceFont();  // Tahoma where installed, else the nearest sans

    // Start-up before showing; false when the program must end.
    bool Form_Load();
    // Opens the chart of the command line (a path, or -p PAKFILE ENTRY).
    void openCommandLine();
    // Asked before the window closes; false keeps it open.
    bool Form_QueryUnload();
    // Playback stopped, sounds and engines released.
    void Form_Unload();

    const AppInfo app;  // "&New" starts app.ExePath in app.AppDir
    WindowState state;
    ChartDocument doc;
    ChartEdit edits{doc};        // every change to doc goes through it
    UndoHistory history{edits};  // "&Undo" and "&Redo"
    RandomKindSet randomKinds;   // drawn from by palette kind 6 and "&Randomise"
    BatchCommands batch;         // with the range clipboard's table
    AudioEngines audio;
    PlayerSlots players;  // slot 0 the music, 1..2000 the key sounds
    KeyPreview keyPreview{players};
    std::unique_ptr<ChartView> view;
    std::unique_ptr<SoundBank> sounds;  // the decoder choice and what it opened
    std::unique_ptr<Playback> playback;
    std::unique_ptr<KeyListFollower> keyListFollower;  // the open keys follow the key list

    // ---- the controllers (declared after what they use, so they go first) ------
    std::unique_ptr<CanvasEditing> canvas;
    std::unique_ptr<KeyBoxController> keyBox;
    std::unique_ptr<MusicInfoBoxes> musicInfo;
    std::unique_ptr<PlaybackController> playing;
    std::unique_ptr<KeyListController> keyList;
    std::unique_ptr<BatchController> batchPanel;
    std::unique_ptr<RecoveryController> recovery;
    std::unique_ptr<WaveformController> waveform;

    void mnNew_Click();
    void mnOpen_Click(int index);
    void mnSave_Click();
    void mnSaveInPlace_Click();
    void mnExit_Click();
    void mnUndo_Click();
    void mnRedo_Click();
    void mnPlayGame_Click(int index);
    void mnHelpInstruction_Click();
    void mnAbout_Click();

    void ReDrawNote();  // repaints the chart view and its read-outs
    // Takes the last step back (text being typed in a box is taken first).
    void UndoProc();
    // The music directory: the "pvx_music Path" text joined to ChartDir.
    QString musicDir() const;
    // Sets Modified and shows it in the title's "[*]" and the status bar;
    // false (after a load or a save) marks the history's state as the saved one.
    void setModified(bool modified) override;
    void showStatus(const QString& text) override;
    void refreshTitle();  // "Pelvaro Note Editor - song.xml[*]" and the status bar
    // Restores the window's placement from settings and stores it there on
    // close, and keeps the recent charts there; settings must outlive the
    // window.
    void rememberPlacement(QSettings* settings);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void storeHeader() override;
    void showHeader() override;
    void afterOpen() override;
    void chartNamed() override;
    void chartSaved() override;
    void chartChanged(const ChartChange& change) override;
    void addControllers();
    void connectControls();
    WindowParts parts();
    void refreshUndoMenu();
    void showRestored(const std::optional<ChartChange>& change);
    void openDroppedFile(const QString& fn);
    CopyRecord describeChart() const;
    bool restoreCopy(const QByteArray& chart, const CopyRecord& record);
    void storePlacement();

    Dialogs& ui_;
    DocumentCommands commands_;
    std::unique_ptr<WindowWidgets> w_;
    std::vector<std::unique_ptr<QObject>> features_;  // controllers added later
    RecentMenu* recent_ = nullptr;                    // "Open &Recent", among features_
    bool unloaded_ = false;
    QSettings* placement_ = nullptr;
};

}  // namespace lumidex
