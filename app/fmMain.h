#pragma once
// The editor's main window: the tool bar, the step lists, the read-outs, the
// chart canvas with its scale and key strips, the "Workspace" panels and the
// menus. Controls carry their names both as members and as objectName.
//
// Life of the window (see main.cpp):
//   fmMain w(dialogs, appInfo);
//   if (!w.Form_Load()) return;   // audio engines, list defaults, empty chart
//   w.show();
//   w.openCommandLine();          // the chart named on the command line
// Closing the window (or "E&xit") asks about unsaved changes and then shuts
// the audio engines down.
//
// Handlers keep the names of their controls (mnOpen_Click, cmdPlay_Click);
// members of a control array share one handler that takes the index. The
// handlers of commands that other parts of the program provide are hooks that
// do nothing until those parts are connected.
//
// Checkable menu items flip their own check mark before their handler runs;
// a handler reads isChecked(). The three decoder items form an exclusive
// group.

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>

#include "AppInfo.h"
#include "AudioEngines.h"
#include "BatchCommands.h"
#include "ChartDocument.h"
#include "ChartEdit.h"
#include "Dialogs.h"
#include "DocumentCommands.h"
#include "KeyPreview.h"
#include "KeyboardEntry.h"
#include "MouseEditing.h"
#include "Playback.h"
#include "PlayerSlots.h"
#include "RandomKinds.h"
#include "UndoHistory.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QScrollBar;
class QSettings;
class QShortcut;
class QSlider;
class QStatusBar;
class QTimer;
class QToolBar;

namespace lumidex {

class ChartView;
class WaveformController;
class PictureBox;

class fmMain : public QMainWindow, private DocumentHost, private ChartEditListener {
  public:
    fmMain(Dialogs& ui, AppInfo app, QWidget* parent = nullptr);
    ~fmMain() override;

    // The interface font: Tahoma where installed, else the nearest sans.
    static QFont interfaceFont();

    // ---- life cycle ---------------------------------------------------------
    // Start-up before the window is shown: audio engines, window state, list
    // defaults, an empty chart. False when the program must end.
    bool Form_Load();
    // Opens the chart of the command line (a path, or -p PAKFILE ENTRY).
    void openCommandLine();
    // Asked before the window closes; false keeps it open.
    bool Form_QueryUnload();
    // The window goes away: playback stopped, sounds and engines released.
    void Form_Unload();

    // ---- state ----------------------------------------------------------------
    // Paths, arguments and version. "&New" starts app.ExePath in app.AppDir.
    const AppInfo app;
    WindowState state;
    ChartDocument doc;
    // Every change the user makes to doc goes through edits, which records
    // it; the window listens, to mark the chart modified.
    ChartEdit edits{doc};
    // Every step of edits, for "&Undo" and "&Redo"; it takes each step in
    // before the window hears of it, so the window's Modified can ask it
    // where the chart stands.
    UndoHistory history{edits};
    // The kinds a palette pick of kind 6 and "&Randomise" draw from.
    RandomKindSet randomKinds;
    // The batch operations with the range clipboard's table: the
    // "Clipboard" panel, "--Batch Operation--" and "C&hange Speed......".
    BatchCommands batch;
    AudioEngines audio;
    // Slot 0 the music, 1..2000 the key sounds: one BASS and one Miles
    // player each, created on first use and released at unload.
    PlayerSlots players;
    // Plays a key when it is clicked in lsKey.
    KeyPreview keyPreview{players};
    // The chart view: scrolling, read-outs and repainting of picMain,
    // picScale and picKey (view/ChartView.h).
    std::unique_ptr<ChartView> view;
    // The decoder choice with the music and key sounds it opened, and the
    // playback engine "&Play" drives (play/); handlers in fmMainPlay.cpp.
    std::unique_ptr<SoundBank> sounds;
    std::unique_ptr<Playback> playback;
    // The music's waveform beside the canvas (waveform/ui).
    std::unique_ptr<WaveformController> waveform;

    // ---- controls -------------------------------------------------------------
    QToolBar* Toolbar = nullptr;
    QStatusBar* StatusBar = nullptr;
    QLabel* lbStatusFile = nullptr;  // status bar pane: the chart and its unsaved changes

    QComboBox* cbAltStep = nullptr;
    QComboBox* cbKeyStep = nullptr;
    QComboBox* cbNormalize = nullptr;
    QComboBox* cbVScroll = nullptr;
    QLabel* lbTime = nullptr;
    QLabel* lbFrame = nullptr;
    QLabel* lbCombo = nullptr;

    PictureBox* picScale = nullptr;  // drawing area 45 x 469
    PictureBox* picMain = nullptr;   // drawing area 62 x 469
    PictureBox* picKey = nullptr;    // drawing area 29 x 469
    QScrollBar* vsb = nullptr;       // 17 x 473, 0 at the bottom
    QLineEdit* txFxSnd = nullptr;    // 32 x 18 inside picKey, hidden when idle
    QFrame* Line1 = nullptr;         // separator beside the editing area

    QGroupBox* frMain = nullptr;  // "Workspace"
    // The note palette, indexed by kind; null where a kind has no entry.
    std::array<QLabel*, kKindSlots> imgEle{};

    QListWidget* lsKey = nullptr;
    QPushButton* cmdOpenKey = nullptr;
    QPushButton* cmdCloseKey = nullptr;
    QPushButton* cmdKeyAdd = nullptr;
    QPushButton* cmdKeyEdit = nullptr;
    QPushButton* cmdKeyDelete = nullptr;

    QLineEdit* txFrom = nullptr;
    QLineEdit* txTo = nullptr;
    QLineEdit* txPaste = nullptr;
    QPushButton* cmdCopy = nullptr;
    QPushButton* cmdCut = nullptr;
    QPushButton* cmdPaste = nullptr;
    QCheckBox* chkCopyNote = nullptr;
    QCheckBox* chkCopyFxSnd = nullptr;
    QCheckBox* chkCopyBPM = nullptr;

    QPushButton* cmdFocus = nullptr;
    QCheckBox* chkKBInput = nullptr;

    QLineEdit* txName = nullptr;
    QLineEdit* txBPMO = nullptr;
    QLineEdit* txBPM = nullptr;
    QLineEdit* txLength = nullptr;
    QLineEdit* txLongCorrectVal = nullptr;
    QLineEdit* txDelay = nullptr;
    QLineEdit* txBGMVolume = nullptr;
    QLineEdit* txBGM = nullptr;
    QLineEdit* txMusicPath = nullptr;
    QPushButton* cmdOpenBGM = nullptr;
    QPushButton* cmdCloseBGM = nullptr;
    QPushButton* cmdPlay = nullptr;
    std::array<QSlider*, 2> sldTempo{};  // 0: 70..130 at 100; 1: -200..200 at 0
    std::array<QPushButton*, 2> cmdResetTempo{};
    QLabel* lbSampleRateText = nullptr;  // "Sample"
    QLabel* lbSampleRate = nullptr;      // "44100"

    // ---- menus ----------------------------------------------------------------
    QMenu* mnFile = nullptr;
    QMenu* mnEdit = nullptr;
    QMenu* mnView = nullptr;
    QMenu* mnPlay = nullptr;
    QMenu* mnHelp = nullptr;

    QAction* mnNew = nullptr;
    std::array<QAction*, 2> mnOpen{};
    QAction* mnSave = nullptr;
    QAction* mnExit = nullptr;
    QAction* mnUndo = nullptr;
    QAction* mnRedo = nullptr;
    QAction* mnCut = nullptr;
    QAction* mnCopy = nullptr;
    QAction* mnPaste = nullptr;
    QAction* mnBatchCaption = nullptr;  // "--Batch Operation--", a caption only
    std::array<QAction*, 6> mnObstacle{};
    QAction* mnRandKind = nullptr;
    QAction* mnKeyAdd = nullptr;
    QAction* mnKeyAddBatch = nullptr;
    QAction* mnKeyEdit = nullptr;
    QAction* mnKeyDelete = nullptr;
    QAction* mnKeyPurge = nullptr;
    std::array<QAction*, 2> mnKeyFxSnd{};
    QAction* mnSetBPM = nullptr;
    QAction* mnShowGrid = nullptr;
    QAction* mnShowPlayLine = nullptr;
    QAction* mnShowTrans = nullptr;
    QAction* mnPlayStart = nullptr;
    std::array<QAction*, 2> mnPlayGame{};
    std::array<QAction*, 3> mnDecoder{};
    QAction* mnPlayBGM = nullptr;
    QAction* mnPlayKeyNote = nullptr;
    QAction* mnHelpInstruction = nullptr;
    QAction* mnAbout = nullptr;

    // ---- "File" menu ------------------------------------------------------------
    void mnNew_Click();
    void mnOpen_Click(int index);
    void mnSave_Click();
    void mnExit_Click();

    // ---- commands provided by the editing, view, audio and batch code -----------
    void mnUndo_Click();
    void mnRedo_Click();
    void mnCut_Click();
    void mnCopy_Click();
    void mnPaste_Click();
    void mnObstacle_Click(int index);
    void mnRandKind_Click();
    void mnKeyAdd_Click();
    void mnKeyAddBatch_Click();
    void mnKeyEdit_Click();
    void mnKeyDelete_Click();
    void mnKeyPurge_Click();
    void mnKeyFxSnd_Click(int index);
    void mnSetBPM_Click();
    void mnShowGrid_Click();
    void mnShowPlayLine_Click();
    void mnShowTrans_Click();
    void mnPlayStart_Click();
    void mnPlayGame_Click(int index);
    void mnDecoder_Click(int index);
    void mnPlayBGM_Click();
    void mnPlayKeyNote_Click();
    void mnHelpInstruction_Click();
    void mnAbout_Click();

    void cbAltStep_Click();
    void cbKeyStep_Click();
    void cbNormalize_Click();
    void cbVScroll_Click();
    void vsb_Change();
    void imgEle_MouseDown(int index);
    void lsKey_Click();
    void lsKey_DblClick();
    void cmdOpenKey_Click();
    void cmdCloseKey_Click();
    void cmdKeyAdd_Click() { mnKeyAdd_Click(); }
    void cmdKeyEdit_Click() { mnKeyEdit_Click(); }
    void cmdKeyDelete_Click() { mnKeyDelete_Click(); }
    void cmdCopy_Click() { mnCopy_Click(); }
    void cmdCut_Click() { mnCut_Click(); }
    void cmdPaste_Click() { mnPaste_Click(); }
    void cmdFocus_Click();
    void chkKBInput_Click();
    void cmdOpenBGM_Click();
    void cmdCloseBGM_Click();
    void cmdPlay_Click();
    void cmdResetTempo_Click(int index);
    void sldTempo_Change(int index);

    // ---- editing (fmMainEditing.cpp) --------------------------------------------
    // Mouse buttons and modifiers as sets (edit/EditTypes.h); rows in pixels.
    void picMain_MouseDown(int button, int shift, int x, int y);
    void picMain_MouseMove(int button, int shift, int x, int y);
    void picMain_MouseUp(int button, int shift, int x, int y);
    // True when the key was taken by keyboard entry.
    bool picMain_KeyDown(int keyCode, int shift);
    bool picMain_KeyUp(int keyCode, int shift);
    void picMain_LostFocus();
    void picKey_MouseDown(int button, int shift, int x, int y);
    // True when the key was taken (the box's own text editing gets the rest).
    bool txFxSnd_KeyDown(int keyCode, int shift);
    void txFxSnd_Validate(bool& Cancel);
    // "Music Info": each runs when its box is left after the user changed
    // its text; Cancel refuses the entry (beep, the focus stays). The music
    // name and file take every change the user types.
    void txBPMO_Validate(bool& Cancel);
    void txBPM_Validate(bool& Cancel);
    void txLength_Validate(bool& Cancel);
    void txLongCorrectVal_Validate(bool& Cancel);
    void txDelay_Validate(bool& Cancel);
    void txBGMVolume_Validate(bool& Cancel);
    void txBGM_Change();
    void txName_Change();
    // Takes the entry of a "Music Info" box the user is still typing in, as
    // leaving it would, so the question about unsaved changes knows of it.
    void acceptPendingHeaderEdit();

    // Keyboard entry, while chkKBInput is ticked.
    KeyboardEntry keyboard{edits};
    int keyboardInput = 0;
    // The coord the key index box edits (valid while it is shown).
    int fxSndCoord = -1;

    // ---- shared work ------------------------------------------------------------
    // Clears the chart and the editing state of the view.
    void InitArea();
    // Repaints the chart view and its read-outs.
    void ReDrawNote();
    // Stops the music and every key sound, and gives the view back to the
    // scroll bar.
    void StopPlay();
    // One playback step, run by a timer once per display frame while playing:
    // the view follows the music and repaints when the coord changes.
    void playStep();
    // Takes the last step of the undo history back and shows the chart as
    // it was before it.
    void UndoProc();
    // Brings lsKey in step with the key sounds 1..KeyCount, rewriting only
    // the lines that differ (the selection stays where it is).
    void fillKeyList();
    // The selected key of lsKey (1..KeyCount), or 0 when none is.
    int selectedKey() const;
    // The scroll bar at the coord where the music starts, plus 3.
    void scrollToMusicStart();

    // ---- title, status bar and placement (fmMainWindow.cpp) --------------------
    // Sets Modified (true after an edit) and shows it in the title's "[*]"
    // marker and the status bar. Anything that changes the chart calls this
    // rather than setting state.Modified itself. false (after a load or a
    // save) marks the undo history's state as the one in the file.
    void setModified(bool modified) override;
    // The title "Pelvaro Note Editor - song.xml[*]" (for an archive entry
    // "charts.pak: songs/abc.xml") and the status bar, with the chart's path,
    // from state.
    void refreshTitle();
    // Restores the window's size and position from settings (else it keeps
    // the design size) and stores them there when the window closes.
    // settings must outlive the window.
    void rememberPlacement(QSettings* settings);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // DocumentHost
    void storeHeader() override;
    void showHeader() override;
    void afterOpen() override;
    // ChartEditListener: an edit step changed the chart.
    void chartChanged(const ChartChange& change) override;
    void chartReplaced() override;

    // Editing (fmMainEditing.cpp).
    void connectEditing();
    bool editingEventFilter(QObject* watched, QEvent* event);
    KeyContext keyContext() const;
    void afterKey(const KeyOutcome& outcome);
    void placeKeyBox(int coord, int top, const QString& text);
    bool commitKeyBox();
    void moveKeyBox(double d);
    void pageKeyBox(int keyCode);
    void setPaletteBorder(int kind, bool on);
    bool validateHeaderBox(QLineEdit* box);
    std::unique_ptr<MouseEditing> mouse_;

    // Undo and redo (fmMainUndo.cpp): the Edit menu's two items named after
    // the steps they would take, and the controls that show what a step
    // undone or redone put back.
    void refreshUndoMenu();
    void showRestored(const std::optional<ChartChange>& change);

    // Building the window (fmMainControls.cpp, fmMainMenus.cpp).
    void buildControls();
    void fitCanvasBesideWorkspace();
    QWidget* buildStepStrip();
    QWidget* buildEditingArea();
    QGroupBox* buildWorkspace();
    QGroupBox* buildPalette();
    QGroupBox* buildKeyList();
    QGroupBox* buildClipboard();
    QGroupBox* buildMode();
    QGroupBox* buildMusicInfo();
    void buildMenus();
    void buildToolbar();
    void connectControls();
    void setUpPlayback();
    // The music directory: the "pvx_music Path" text joined to ChartDir.
    QString musicDir() const;

    // Runs a handler; a run-time error that escapes it is shown instead of
    // ending the program.
    void Guarded(const std::function<void()>& handler);
    void openDroppedFile(const QString& fn);
    void storePlacement();
    void selectListDefault(QComboBox* list, int index, void (fmMain::*handler)());

    Dialogs& ui_;
    DocumentCommands commands_;
    bool unloaded_ = false;
    QSettings* placement_ = nullptr;  // where the window's placement is kept, if anywhere
    QTimer* playTimer_ = nullptr;
    QShortcut* escPlay_ = nullptr;  // Esc presses "&Pause" while playing
};

}  // namespace lumidex
