// The menu tree of the main window with its captions, shortcuts and
// design-time states, the tool bar, and the wiring of every control to its
// handler.

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QToolBar>

#include "TempoDialog.h"
#include "fmMain.h"

namespace lumidex {
namespace {

QAction* item(QMenu* menu, const QString& name, const QString& caption,
              const QKeySequence& shortcut = QKeySequence()) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    return action;
}

QAction* arrayItem(QMenu* menu, const QString& name, int index, const QString& caption,
                   const QKeySequence& shortcut = QKeySequence()) {
    QAction* action = item(menu, name, caption, shortcut);
    action->setProperty("index", index);
    return action;
}

QAction* checkable(QAction* action, bool checked) {
    action->setCheckable(true);
    action->setChecked(checked);
    return action;
}

QMenu* topMenu(QMenuBar* bar, const QString& name, const QString& caption) {
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(name);
    return menu;
}

}  // namespace

void fmMain::buildMenus() {
    QMenuBar* bar = menuBar();

    mnFile = topMenu(bar, QStringLiteral("mnFile"), QStringLiteral("&File"));
    mnNew = item(mnFile, QStringLiteral("mnNew"), QStringLiteral("&New"),
                 QKeySequence(Qt::CTRL | Qt::Key_N));
    mnOpen[0] = arrayItem(mnFile, QStringLiteral("mnOpen"), 0, QStringLiteral("&Open XML File..."),
                          QKeySequence(Qt::CTRL | Qt::Key_O));
    mnOpen[1] =
        arrayItem(mnFile, QStringLiteral("mnOpen"), 1, QStringLiteral("Open Rounded X&ML File..."));
    mnSave = item(mnFile, QStringLiteral("mnSave"), QStringLiteral("&Save XML File..."),
                  QKeySequence(Qt::CTRL | Qt::Key_S));
    mnFile->addSeparator();
    mnExit = item(mnFile, QStringLiteral("mnExit"), QStringLiteral("E&xit"));

    mnEdit = topMenu(bar, QStringLiteral("mnEdit"), QStringLiteral("&Edit"));
    mnUndo = item(mnEdit, QStringLiteral("mnUndo"), QStringLiteral("&Undo"));
    mnUndo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    mnRedo = item(mnEdit, QStringLiteral("mnRedo"), QStringLiteral("&Redo"));
    mnRedo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    history.onChange = [this] { refreshUndoMenu(); };
    refreshUndoMenu();
    mnEdit->addSeparator();
    mnCut = item(mnEdit, QStringLiteral("mnCut"), QStringLiteral("Cu&t"),
                 QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    mnCopy = item(mnEdit, QStringLiteral("mnCopy"), QStringLiteral("&Copy"),
                  QKeySequence(Qt::CTRL | Qt::Key_Insert));
    mnPaste = item(mnEdit, QStringLiteral("mnPaste"), QStringLiteral("&Paste"),
                   QKeySequence(Qt::SHIFT | Qt::Key_Insert));
    mnEdit->addSeparator();
    mnBatchCaption =
        item(mnEdit, QStringLiteral("mnBatchCaption"), QStringLiteral("--Batch Operation--"));
    mnBatchCaption->setEnabled(false);
    const QString batch[] = {QStringLiteral("&Star To Obstacle"),
                             QStringLiteral("&Obstacle To Star"),
                             QStringLiteral("Inverse &Left && Right"),
                             QStringLiteral("Inverse &Up && Down"),
                             QStringLiteral("&Mirror"),
                             QStringLiteral("&Randomise")};
    for (int i = 0; i < 6; ++i)
        mnObstacle[i] = arrayItem(mnEdit, QStringLiteral("mnObstacle"), i, batch[i]);
    mnRandKind =
        item(mnEdit, QStringLiteral("mnRandKind"), QStringLiteral("S&et Random Note Kinds..."));
    mnEdit->addSeparator();
    mnKeyAdd = item(mnEdit, QStringLiteral("mnKeyAdd"), QStringLiteral("Add &Key..."));
    mnKeyAddBatch =
        item(mnEdit, QStringLiteral("mnKeyAddBatch"), QStringLiteral("&Batch Add Key..."));
    mnKeyEdit = item(mnEdit, QStringLiteral("mnKeyEdit"), QStringLiteral("Ed&it Key..."));
    mnKeyDelete = item(mnEdit, QStringLiteral("mnKeyDelete"), QStringLiteral("&Delete Key..."));
    mnKeyPurge = item(mnEdit, QStringLiteral("mnKeyPurge"), QStringLiteral("Pur&ge Unused Key..."));
    mnKeyFxSnd[0] = arrayItem(mnEdit, QStringLiteral("mnKeyFxSnd"), 0,
                              QStringLiteral("&Fill Key Index Repeatly"));
    mnKeyFxSnd[1] = arrayItem(mnEdit, QStringLiteral("mnKeyFxSnd"), 1,
                              QStringLiteral("Fill Key Index &Ascendingly"));
    mnEdit->addSeparator();
    mnSetBPM = item(mnEdit, QStringLiteral("mnSetBPM"), QStringLiteral("C&hange Speed......"));
    // Beat analysis: its own dialog (tempo/ui), opened afresh each time.
    connect(item(mnEdit, QStringLiteral("mnDetectTempo"), QStringLiteral("Detect Tempo...")),
            &QAction::triggered, this, [this] {
                auto* dialog = new tempo::TempoDialog(
                    edits, musicDir(), doc.keySound(0).Snd,
                    [this]() -> std::optional<double> {
                        if (!sounds || !playback || !playback->running()) return std::nullopt;
                        return sounds->music().Position();
                    },
                    [this] {
                        showHeader();
                        ReDrawNote();
                    },
                    this);
                dialog->setAttribute(Qt::WA_DeleteOnClose);
                dialog->show();
            });

    mnView = topMenu(bar, QStringLiteral("mnView"), QStringLiteral("&View"));
    mnShowGrid =
        checkable(item(mnView, QStringLiteral("mnShowGrid"), QStringLiteral("Show &Grid")), false);
    mnShowPlayLine = checkable(
        item(mnView, QStringLiteral("mnShowPlayLine"), QStringLiteral("Show &Inversed Baseline")),
        false);
    mnShowTrans = checkable(
        item(mnView, QStringLiteral("mnShowTrans"), QStringLiteral("&Transparent Drawing")), false);

    mnPlay = topMenu(bar, QStringLiteral("mnPlay"), QStringLiteral("Pla&y"));
    mnPlayStart = item(mnPlay, QStringLiteral("mnPlayStart"), QStringLiteral("&Play / Pause"));
    mnPlayGame[0] = arrayItem(mnPlay, QStringLiteral("mnPlayGame"), 0,
                              QStringLiteral("Test Music Using &qorv"), QKeySequence(Qt::Key_F5));
    mnPlayGame[1] = arrayItem(mnPlay, QStringLiteral("mnPlayGame"), 1,
                              QStringLiteral("Test Music Using &zelt"), QKeySequence(Qt::Key_F6));
    mnPlay->addSeparator();
    const QString decoders[] = {
        QStringLiteral(
            "Use Internal &Bass MP3 Decoder (Supports MP3/OGG(Vorbis)/WAV(PCM)/AIFF(PCM) format, "
            "more formats available through plugin system)"),
        QStringLiteral("Use Game's Mile&s MP3 Decoder (Supports MP3(CBR)/WAV format only)"),
        QStringLiteral("Use System DirectSh&ow Decoder (Supports more formats)")};
    auto* decoderGroup = new QActionGroup(this);
    for (int i = 0; i < 3; ++i) {
        mnDecoder[i] =
            checkable(arrayItem(mnPlay, QStringLiteral("mnDecoder"), i, decoders[i]), i == 0);
        decoderGroup->addAction(mnDecoder[i]);
    }
    mnPlay->addSeparator();
    mnPlayBGM =
        checkable(item(mnPlay, QStringLiteral("mnPlayBGM"), QStringLiteral("Play BG&M")), true);
    mnPlayKeyNote = checkable(
        item(mnPlay, QStringLiteral("mnPlayKeyNote"), QStringLiteral("Play &Key")), false);
    mnPlayKeyNote->setEnabled(false);

    mnHelp = topMenu(bar, QStringLiteral("mnHelp"), QStringLiteral("&Help"));
    mnHelpInstruction = item(mnHelp, QStringLiteral("mnHelpInstruction"),
                             QStringLiteral("&Instructions..."), QKeySequence(Qt::Key_F1));
    mnAbout = item(mnHelp, QStringLiteral("mnAbout"), QStringLiteral("&About..."));
}

void fmMain::buildToolbar() {
    Toolbar = addToolBar(QStringLiteral("Toolbar"));
    Toolbar->setObjectName(QStringLiteral("Toolbar"));
    Toolbar->setMovable(false);
    Toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    Toolbar->setIconSize(QSize(16, 16));
    const std::pair<QAction*, QStyle::StandardPixmap> buttons[] = {
        {mnNew, QStyle::SP_FileIcon},
        {mnOpen[0], QStyle::SP_DialogOpenButton},
        {mnSave, QStyle::SP_DialogSaveButton},
        {nullptr, QStyle::SP_CustomBase},
        {mnPlayStart, QStyle::SP_MediaPlay}};
    for (const auto& [action, icon] : buttons) {
        if (!action) {
            Toolbar->addSeparator();
            continue;
        }
        action->setIcon(style()->standardIcon(icon));
        Toolbar->addAction(action);
    }
}

void fmMain::connectControls() {
    const auto on = [this](QAction* action, void (fmMain::*handler)()) {
        connect(action, &QAction::triggered, this,
                [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
    };
    const auto onIndex = [this](QAction* action, void (fmMain::*handler)(int), int index) {
        connect(action, &QAction::triggered, this, [this, handler, index] {
            Guarded([this, handler, index] { (this->*handler)(index); });
        });
    };
    const auto onClick = [this](QAbstractButton* b, void (fmMain::*handler)()) {
        connect(b, &QAbstractButton::clicked, this,
                [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
    };

    on(mnNew, &fmMain::mnNew_Click);
    for (int i = 0; i < 2; ++i) onIndex(mnOpen[i], &fmMain::mnOpen_Click, i);
    on(mnSave, &fmMain::mnSave_Click);
    on(mnExit, &fmMain::mnExit_Click);
    on(mnUndo, &fmMain::mnUndo_Click);
    on(mnRedo, &fmMain::mnRedo_Click);
    on(mnCut, &fmMain::mnCut_Click);
    on(mnCopy, &fmMain::mnCopy_Click);
    on(mnPaste, &fmMain::mnPaste_Click);
    for (int i = 0; i < 6; ++i) onIndex(mnObstacle[i], &fmMain::mnObstacle_Click, i);
    on(mnRandKind, &fmMain::mnRandKind_Click);
    on(mnKeyAdd, &fmMain::mnKeyAdd_Click);
    on(mnKeyAddBatch, &fmMain::mnKeyAddBatch_Click);
    on(mnKeyEdit, &fmMain::mnKeyEdit_Click);
    on(mnKeyDelete, &fmMain::mnKeyDelete_Click);
    on(mnKeyPurge, &fmMain::mnKeyPurge_Click);
    for (int i = 0; i < 2; ++i) onIndex(mnKeyFxSnd[i], &fmMain::mnKeyFxSnd_Click, i);
    on(mnSetBPM, &fmMain::mnSetBPM_Click);
    on(mnShowGrid, &fmMain::mnShowGrid_Click);
    on(mnShowPlayLine, &fmMain::mnShowPlayLine_Click);
    on(mnShowTrans, &fmMain::mnShowTrans_Click);
    on(mnPlayStart, &fmMain::mnPlayStart_Click);
    for (int i = 0; i < 2; ++i) onIndex(mnPlayGame[i], &fmMain::mnPlayGame_Click, i);
    for (int i = 0; i < 3; ++i) onIndex(mnDecoder[i], &fmMain::mnDecoder_Click, i);
    on(mnPlayBGM, &fmMain::mnPlayBGM_Click);
    on(mnPlayKeyNote, &fmMain::mnPlayKeyNote_Click);
    on(mnHelpInstruction, &fmMain::mnHelpInstruction_Click);
    on(mnAbout, &fmMain::mnAbout_Click);

    onClick(cmdOpenKey, &fmMain::cmdOpenKey_Click);
    onClick(cmdCloseKey, &fmMain::cmdCloseKey_Click);
    onClick(cmdKeyAdd, &fmMain::cmdKeyAdd_Click);
    onClick(cmdKeyEdit, &fmMain::cmdKeyEdit_Click);
    onClick(cmdKeyDelete, &fmMain::cmdKeyDelete_Click);
    onClick(cmdCopy, &fmMain::cmdCopy_Click);
    onClick(cmdCut, &fmMain::cmdCut_Click);
    onClick(cmdPaste, &fmMain::cmdPaste_Click);
    onClick(cmdFocus, &fmMain::cmdFocus_Click);
    onClick(chkKBInput, &fmMain::chkKBInput_Click);
    onClick(cmdOpenBGM, &fmMain::cmdOpenBGM_Click);
    onClick(cmdCloseBGM, &fmMain::cmdCloseBGM_Click);
    onClick(cmdPlay, &fmMain::cmdPlay_Click);
    for (int i = 0; i < 2; ++i) {
        connect(cmdResetTempo[i], &QPushButton::clicked, this,
                [this, i] { Guarded([this, i] { cmdResetTempo_Click(i); }); });
        connect(sldTempo[i], &QSlider::valueChanged, this,
                [this, i] { Guarded([this, i] { sldTempo_Change(i); }); });
    }
    connect(lsKey, &QListWidget::itemClicked, this, [this] { Guarded([this] { lsKey_Click(); }); });
    connect(lsKey, &QListWidget::itemDoubleClicked, this,
            [this] { Guarded([this] { lsKey_DblClick(); }); });

    const std::pair<QComboBox*, void (fmMain::*)()> lists[] = {
        {cbAltStep, &fmMain::cbAltStep_Click},
        {cbKeyStep, &fmMain::cbKeyStep_Click},
        {cbNormalize, &fmMain::cbNormalize_Click},
        {cbVScroll, &fmMain::cbVScroll_Click}};
    for (const auto& [list, handler] : lists) {
        connect(list, &QComboBox::currentIndexChanged, this,
                [this, h = handler] { Guarded([this, h] { (this->*h)(); }); });
    }
}

}  // namespace lumidex
