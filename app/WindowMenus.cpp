// The menu tree of the main window with its captions, shortcuts and
// design-time states, and the tool bar.

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>

#include "WindowWidgets.h"

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

void buildToolbar(QMainWindow& window, WindowWidgets& w) {
    w.Toolbar = window.addToolBar(QStringLiteral("Toolbar"));
    w.Toolbar->setObjectName(QStringLiteral("Toolbar"));
    w.Toolbar->setMovable(false);
    w.Toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    w.Toolbar->setIconSize(QSize(16, 16));
    const std::pair<QAction*, QStyle::StandardPixmap> buttons[] = {
        {w.mnNew, QStyle::SP_FileIcon},
        {w.mnOpen[0], QStyle::SP_DialogOpenButton},
        {w.mnSaveInPlace, QStyle::SP_DialogSaveButton},
        {nullptr, QStyle::SP_CustomBase},
        {w.playback.mnPlayStart, QStyle::SP_MediaPlay}};
    for (const auto& [action, icon] : buttons) {
        if (!action) {
            w.Toolbar->addSeparator();
            continue;
        }
        action->setIcon(window.style()->standardIcon(icon));
        w.Toolbar->addAction(action);
    }
}

void buildFileMenu(QMenuBar* bar, WindowWidgets& w) {
    w.mnFile = topMenu(bar, QStringLiteral("mnFile"), QStringLiteral("&File"));
    w.mnNew = item(w.mnFile, QStringLiteral("mnNew"), QStringLiteral("&New"),
                   QKeySequence(Qt::CTRL | Qt::Key_N));
    w.mnOpen[0] =
        arrayItem(w.mnFile, QStringLiteral("mnOpen"), 0, QStringLiteral("&Open XML File..."),
                  QKeySequence(Qt::CTRL | Qt::Key_O));
    w.mnOpen[1] = arrayItem(w.mnFile, QStringLiteral("mnOpen"), 1,
                            QStringLiteral("Open Rounded X&ML File..."));
    w.mnRecent = w.mnFile->addMenu(QStringLiteral("Open &Recent"));
    w.mnRecent->setObjectName(QStringLiteral("mnRecent"));
    w.mnSaveInPlace = item(w.mnFile, QStringLiteral("mnSaveInPlace"), QStringLiteral("&Save"),
                           QKeySequence(Qt::CTRL | Qt::Key_S));
    w.mnSave = item(w.mnFile, QStringLiteral("mnSave"), QStringLiteral("&Save XML File..."),
                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    w.mnFile->addSeparator();
    w.mnExit = item(w.mnFile, QStringLiteral("mnExit"), QStringLiteral("E&xit"));
}

// The key list commands and the key index fills of the Edit menu.
void addKeyListItems(WindowWidgets& w) {
    w.keyList.mnKeyAdd = item(w.mnEdit, QStringLiteral("mnKeyAdd"), QStringLiteral("Add &Key..."));
    w.keyList.mnKeyAddBatch =
        item(w.mnEdit, QStringLiteral("mnKeyAddBatch"), QStringLiteral("&Batch Add Key..."));
    w.keyList.mnKeyEdit =
        item(w.mnEdit, QStringLiteral("mnKeyEdit"), QStringLiteral("Ed&it Key..."));
    w.keyList.mnKeyDelete =
        item(w.mnEdit, QStringLiteral("mnKeyDelete"), QStringLiteral("&Delete Key..."));
    w.keyList.mnKeyPurge =
        item(w.mnEdit, QStringLiteral("mnKeyPurge"), QStringLiteral("Pur&ge Unused Key..."));
    w.batch.mnKeyFxSnd[0] = arrayItem(w.mnEdit, QStringLiteral("mnKeyFxSnd"), 0,
                                      QStringLiteral("&Fill Key Index Repeatly"));
    w.batch.mnKeyFxSnd[1] = arrayItem(w.mnEdit, QStringLiteral("mnKeyFxSnd"), 1,
                                      QStringLiteral("Fill Key Index &Ascendingly"));
}

void buildEditMenu(QMenuBar* bar, WindowWidgets& w) {
    w.mnEdit = topMenu(bar, QStringLiteral("mnEdit"), QStringLiteral("&Edit"));
    w.mnUndo = item(w.mnEdit, QStringLiteral("mnUndo"), QStringLiteral("&Undo"));
    w.mnUndo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    w.mnRedo = item(w.mnEdit, QStringLiteral("mnRedo"), QStringLiteral("&Redo"));
    w.mnRedo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    w.mnEdit->addSeparator();
    w.batch.mnCut = item(w.mnEdit, QStringLiteral("mnCut"), QStringLiteral("Cu&t"),
                         QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    w.batch.mnCopy = item(w.mnEdit, QStringLiteral("mnCopy"), QStringLiteral("&Copy"),
                          QKeySequence(Qt::CTRL | Qt::Key_Insert));
    w.batch.mnPaste = item(w.mnEdit, QStringLiteral("mnPaste"), QStringLiteral("&Paste"),
                           QKeySequence(Qt::SHIFT | Qt::Key_Insert));
    w.mnEdit->addSeparator();
    w.mnBatchCaption =
        item(w.mnEdit, QStringLiteral("mnBatchCaption"), QStringLiteral("--Batch Operation--"));
    w.mnBatchCaption->setEnabled(false);
    const QString batch[] = {QStringLiteral("&Star To Obstacle"),
                             QStringLiteral("&Obstacle To Star"),
                             QStringLiteral("Inverse &Left && Right"),
                             QStringLiteral("Inverse &Up && Down"),
                             QStringLiteral("&Mirror"),
                             QStringLiteral("&Randomise")};
    for (int i = 0; i < 6; ++i)
        w.batch.mnObstacle[i] = arrayItem(w.mnEdit, QStringLiteral("mnObstacle"), i, batch[i]);
    w.canvas.mnRandKind =
        item(w.mnEdit, QStringLiteral("mnRandKind"), QStringLiteral("S&et Random Note Kinds..."));
    w.mnEdit->addSeparator();
    addKeyListItems(w);
    w.mnEdit->addSeparator();
    w.batch.mnSetBPM =
        item(w.mnEdit, QStringLiteral("mnSetBPM"), QStringLiteral("C&hange Speed......"));
}

void buildViewMenu(QMenuBar* bar, WindowWidgets& w) {
    w.mnView = topMenu(bar, QStringLiteral("mnView"), QStringLiteral("&View"));
    w.mnShowGrid = checkable(
        item(w.mnView, QStringLiteral("mnShowGrid"), QStringLiteral("Show &Grid")), false);
    w.mnShowPlayLine = checkable(
        item(w.mnView, QStringLiteral("mnShowPlayLine"), QStringLiteral("Show &Inversed Baseline")),
        false);
    w.mnShowTrans = checkable(
        item(w.mnView, QStringLiteral("mnShowTrans"), QStringLiteral("&Transparent Drawing")),
        false);
}

void buildPlayMenu(QMainWindow& window, WindowWidgets& w) {
    w.mnPlay = topMenu(window.menuBar(), QStringLiteral("mnPlay"), QStringLiteral("Pla&y"));
    w.playback.mnPlayStart =
        item(w.mnPlay, QStringLiteral("mnPlayStart"), QStringLiteral("&Play / Pause"));
    w.mnPlayGame[0] = arrayItem(w.mnPlay, QStringLiteral("mnPlayGame"), 0,
                                QStringLiteral("Test Music Using &qorv"), QKeySequence(Qt::Key_F5));
    w.mnPlayGame[1] = arrayItem(w.mnPlay, QStringLiteral("mnPlayGame"), 1,
                                QStringLiteral("Test Music Using &zelt"), QKeySequence(Qt::Key_F6));
    w.mnPlay->addSeparator();
    const QString decoders[] = {
        QStringLiteral(
            "Use Internal &Bass MP3 Decoder (Supports MP3/OGG(Vorbis)/WAV(PCM)/AIFF(PCM) format, "
            "more formats available through plugin system)"),
        QStringLiteral("Use Game's Mile&s MP3 Decoder (Supports MP3(CBR)/WAV format only)"),
        QStringLiteral("Use System DirectSh&ow Decoder (Supports more formats)")};
    auto* decoderGroup = new QActionGroup(&window);
    for (int i = 0; i < 3; ++i) {
        w.playback.mnDecoder[i] =
            checkable(arrayItem(w.mnPlay, QStringLiteral("mnDecoder"), i, decoders[i]), i == 0);
        decoderGroup->addAction(w.playback.mnDecoder[i]);
    }
    w.mnPlay->addSeparator();
    w.playback.mnPlayBGM =
        checkable(item(w.mnPlay, QStringLiteral("mnPlayBGM"), QStringLiteral("Play BG&M")), true);
    w.playback.mnPlayKeyNote = checkable(
        item(w.mnPlay, QStringLiteral("mnPlayKeyNote"), QStringLiteral("Play &Key")), false);
}

void buildHelpMenu(QMenuBar* bar, WindowWidgets& w) {
    w.mnHelp = topMenu(bar, QStringLiteral("mnHelp"), QStringLiteral("&Help"));
    w.mnHelpInstruction = item(w.mnHelp, QStringLiteral("mnHelpInstruction"),
                               QStringLiteral("&Instructions..."), QKeySequence(Qt::Key_F1));
    w.mnAbout = item(w.mnHelp, QStringLiteral("mnAbout"), QStringLiteral("&About..."));
}

}  // namespace

void buildMenus(QMainWindow& window, WindowWidgets& w) {
    buildFileMenu(window.menuBar(), w);
    buildEditMenu(window.menuBar(), w);
    buildViewMenu(window.menuBar(), w);
    buildPlayMenu(window, w);
    buildHelpMenu(window.menuBar(), w);
    buildToolbar(window, w);
}

}  // namespace lumidex
