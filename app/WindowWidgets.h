#pragma once
// The controls of the main window, grouped by the controller that wires
// them (a control that several read appears in each group). The window
// builds them all (WindowLayout.cpp, WindowMenus.cpp) and hands each
// controller its group, the way ChartView takes its ViewControls. Every
// control also carries its name as objectName; members of a control array
// share the name and carry their index in the "index" property.

#include <array>

#include "ChartDocument.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMainWindow;
class QMenu;
class QPushButton;
class QScrollBar;
class QSlider;
class QStatusBar;
class QToolBar;

namespace lumidex {

class PictureBox;

// The canvas, the "Note Kind List" palette and the "Mode" panel.
struct CanvasWidgets {
    PictureBox* picMain = nullptr;
    QScrollBar* vsb = nullptr;
    std::array<QLabel*, kKindSlots> imgEle{};  // indexed by kind; null where a kind has none
    QPushButton* cmdFocus = nullptr;
    QCheckBox* chkKBInput = nullptr;
    QAction* mnRandKind = nullptr;
};

// The key index box over the key strip.
struct KeyBoxWidgets {
    PictureBox* picKey = nullptr;
    QLineEdit* txFxSnd = nullptr;  // 32 x 18 inside picKey, hidden when idle
    PictureBox* picMain = nullptr;
    QScrollBar* vsb = nullptr;
};

// The "Music Info" boxes.
struct MusicInfoWidgets {
    QLineEdit* txName = nullptr;
    QLineEdit* txBPMO = nullptr;
    QLineEdit* txBPM = nullptr;
    QLineEdit* txLength = nullptr;
    QLineEdit* txLongCorrectVal = nullptr;
    QLineEdit* txDelay = nullptr;
    QLineEdit* txBGMVolume = nullptr;
    QLineEdit* txBGM = nullptr;
    QLineEdit* txMusicPath = nullptr;
    QScrollBar* vsb = nullptr;
};

// The music and key buttons, the playing speed and the "Pla&y" menu's
// playback items.
struct PlaybackWidgets {
    QPushButton* cmdOpenBGM = nullptr;
    QPushButton* cmdCloseBGM = nullptr;
    QPushButton* cmdPlay = nullptr;
    QPushButton* cmdOpenKey = nullptr;
    QPushButton* cmdCloseKey = nullptr;
    QLineEdit* txBGM = nullptr;
    QLineEdit* txMusicPath = nullptr;
    std::array<QSlider*, 2> sldTempo{};  // 0: 70..130 at 100; 1: -200..200 at 0
    std::array<QPushButton*, 2> cmdResetTempo{};
    QLabel* lbSampleRateText = nullptr;  // "Sample"
    QLabel* lbSampleRate = nullptr;      // "44100"
    QAction* mnPlayStart = nullptr;
    std::array<QAction*, 3> mnDecoder{};
    QAction* mnPlayBGM = nullptr;
    QAction* mnPlayKeyNote = nullptr;
    QScrollBar* vsb = nullptr;
    QStatusBar* StatusBar = nullptr;  // hints when the music cannot be had
};

// The "Key List:" panel and the key items of the "&Edit" menu.
struct KeyListWidgets {
    QListWidget* lsKey = nullptr;
    QPushButton* cmdKeyAdd = nullptr;
    QPushButton* cmdKeyEdit = nullptr;
    QPushButton* cmdKeyDelete = nullptr;
    QAction* mnKeyAdd = nullptr;
    QAction* mnKeyAddBatch = nullptr;
    QAction* mnKeyEdit = nullptr;
    QAction* mnKeyDelete = nullptr;
    QAction* mnKeyPurge = nullptr;
};

// The "Clipboard" panel and the batch items of the "&Edit" menu.
struct BatchWidgets {
    QLineEdit* txFrom = nullptr;
    QLineEdit* txTo = nullptr;
    QLineEdit* txPaste = nullptr;
    QPushButton* cmdCopy = nullptr;
    QPushButton* cmdCut = nullptr;
    QPushButton* cmdPaste = nullptr;
    QCheckBox* chkCopyNote = nullptr;
    QCheckBox* chkCopyFxSnd = nullptr;
    QCheckBox* chkCopyBPM = nullptr;
    QAction* mnCut = nullptr;
    QAction* mnCopy = nullptr;
    QAction* mnPaste = nullptr;
    std::array<QAction*, 6> mnObstacle{};
    std::array<QAction*, 2> mnKeyFxSnd{};
    QAction* mnSetBPM = nullptr;
};

struct WindowWidgets {
    // The window's own: status bar, step strip, drawing strips, menus.
    QToolBar* Toolbar = nullptr;
    QStatusBar* StatusBar = nullptr;
    QLabel* lbStatusFile = nullptr;  // the chart and its unsaved changes
    QLabel* lbStatusNote = nullptr;  // the last passing note (a save without a box)
    QComboBox* cbAltStep = nullptr;
    QComboBox* cbKeyStep = nullptr;
    QComboBox* cbNormalize = nullptr;
    QComboBox* cbVScroll = nullptr;
    QLabel* lbTime = nullptr;
    QLabel* lbFrame = nullptr;
    QLabel* lbCombo = nullptr;
    PictureBox* picScale = nullptr;
    QFrame* Line1 = nullptr;      // separator beside the editing area
    QGroupBox* frMain = nullptr;  // "Workspace"
    QMenu* mnFile = nullptr;
    QMenu* mnEdit = nullptr;
    QMenu* mnView = nullptr;
    QMenu* mnPlay = nullptr;
    QMenu* mnHelp = nullptr;
    QAction* mnNew = nullptr;
    std::array<QAction*, 2> mnOpen{};
    QMenu* mnRecent = nullptr;         // "Open &Recent" (RecentMenu fills it)
    QAction* mnSaveInPlace = nullptr;  // "&Save": to the chart's own file
    QAction* mnSave = nullptr;
    QAction* mnExit = nullptr;
    QAction* mnUndo = nullptr;
    QAction* mnRedo = nullptr;
    QAction* mnBatchCaption = nullptr;  // "--Batch Operation--", a caption only
    QAction* mnShowGrid = nullptr;
    QAction* mnShowPlayLine = nullptr;
    QAction* mnShowTrans = nullptr;
    std::array<QAction*, 2> mnPlayGame{};
    QAction* mnHelpInstruction = nullptr;
    QAction* mnAbout = nullptr;

    CanvasWidgets canvas;
    KeyBoxWidgets keyBox;
    MusicInfoWidgets musicInfo;
    PlaybackWidgets playback;
    KeyListWidgets keyList;
    BatchWidgets batch;
};

// Builds the menu bar and the tool bar of window.
void buildMenus(QMainWindow& window, WindowWidgets& w);
// Builds the controls and their arrangement: the step strip on top, the
// editing area on the left and the "Workspace" panels on the right.
void buildControls(QMainWindow& window, WindowWidgets& w);
// Gives the canvas column and the Workspace their design heights.
void fitCanvasBesideWorkspace(WindowWidgets& w);

}  // namespace lumidex
