// The controls of the main window, their design-time texts and states, and
// their arrangement: the step strip on top, the editing area on the left and
// the "Workspace" panels on the right.

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QVBoxLayout>

#include <vector>

#include "NewChart.h"
#include "Numbers.h"
#include "PictureBox.h"
#include "TextBoxText.h"
#include "WindowWidgets.h"

namespace lumidex {
namespace {

template <class W>
W* named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

// A member of a control array: the shared name and its index.
template <class W>
W* indexed(W* widget, const QString& name, int index) {
    widget->setObjectName(name);
    widget->setProperty("index", index);
    return widget;
}

QPushButton* button(const QString& name, const QString& caption) {
    return named(new QPushButton(caption), name);
}

QLineEdit* textBox(const QString& name, const QString& text) {
    auto* box = named(new QLineEdit, name);
    showText(box, text);
    box->setMinimumWidth(110);
    return box;
}

// A text box that shows its prompt in grey while it is empty.
QLineEdit* promptBox(const QString& name, const QString& text, const QString& prompt) {
    QLineEdit* box = textBox(name, text);
    box->setPlaceholderText(prompt);
    return box;
}

// A drop-down list without free text; each item carries the number its text
// starts with ("Note" carries 0).
QComboBox* stepList(const QString& name, const QStringList& items) {
    auto* list = named(new QComboBox, name);
    for (const QString& item : items) list->addItem(item, val(item));
    return list;
}

QLabel* readOut(const QString& name, const QString& text) {
    auto* label = named(new QLabel(text), name);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setMinimumWidth(70);
    return label;
}

// A drawing surface in a 2-pixel sunken border: the frame has the outer
// size, the surface the drawing area. The width is fixed; the design height
// is the least, and both grow with the window.
QFrame* framed(PictureBox* box, const QString& name, QSize area) {
    auto* frame = named(new QFrame, name + QStringLiteral("Frame"));
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(2);
    frame->setFixedWidth(area.width() + 4);
    frame->setMinimumHeight(area.height() + 4);
    box->setObjectName(name);
    box->setFixedWidth(area.width());
    box->setMinimumHeight(area.height());
    auto* inside = new QVBoxLayout(frame);
    inside->setContentsMargins(0, 0, 0, 0);
    inside->addWidget(box);
    return frame;
}

// The palette in three columns: empty cell, mines and the random kind, the
// arrows; the tower, the cones and the stars; the long notes, each end above
// its (hidden) body above its head.
const std::vector<std::vector<int>>& paletteColumns() {
    static const std::vector<std::vector<int>> columns = {
        {0, 5, 6, 16, 17, 18, 19, 20, 21, 22, 23},
        {24, 26, 27, 32, 33, 34},
        {130, 129, 128, 133, 132, 131, 136, 135, 134, 139, 138, 137, 142, 141, 140, 145, 144, 143},
    };
    return columns;
}

constexpr int kCanvasHeight = 469;

QWidget* buildStepStrip(WindowWidgets& w) {
    w.cbAltStep = stepList(QStringLiteral("cbAltStep"),
                           {"1", "2", "3", "4", "6", "8", "9", "12", "18", "24"});
    w.cbKeyStep = stepList(QStringLiteral("cbKeyStep"), {"Note", "1", "2", "3", "4", "6", "8", "9",
                                                         "12", "18", "24", "36", "48", "72", "96"});
    w.cbNormalize = stepList(QStringLiteral("cbNormalize"), {"1", "2", "3", "4", "6"});
    w.cbVScroll = stepList(QStringLiteral("cbVScroll"),
                           {"3", "6", "9", "12", "18", "24", "36", "48", "72", "96"});
    w.lbTime = readOut(QStringLiteral("lbTime"), QStringLiteral("0:00"));
    w.lbFrame = readOut(QStringLiteral("lbFrame"), QStringLiteral("0"));
    w.lbCombo = readOut(QStringLiteral("lbCombo"), QStringLiteral("0"));

    auto* strip = new QWidget;
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(0, 0, 0, 0);
    const std::pair<const char*, QWidget*> items[] = {
        {"AltStep", w.cbAltStep}, {"KeyStep", w.cbKeyStep}, {"AlignCoord", w.cbNormalize},
        {"VScroll", w.cbVScroll}, {nullptr, nullptr},       {"Time:", w.lbTime},
        {"Frame:", w.lbFrame},    {"Combo:", w.lbCombo}};
    for (const auto& [caption, control] : items) {
        if (!caption) {
            row->addStretch(1);
            continue;
        }
        auto* label = new QLabel(QString::fromLatin1(caption));
        label->setBuddy(control);
        row->addWidget(label);
        row->addWidget(control);
        row->addSpacing(6);
    }
    return strip;
}

QWidget* buildEditingArea(WindowWidgets& w) {
    w.picScale = new PictureBox;
    w.canvas.picMain = new PictureBox;
    w.keyBox.picKey = new PictureBox;
    w.canvas.picMain->setFocusPolicy(Qt::StrongFocus);

    w.canvas.vsb = named(new QScrollBar(Qt::Vertical), QStringLiteral("vsb"));
    w.canvas.vsb->setFixedWidth(17);
    w.canvas.vsb->setMinimumHeight(kCanvasHeight + 4);
    w.canvas.vsb->setInvertedAppearance(true);  // 0 at the bottom: moving up raises the view
    w.canvas.vsb->setRange(0, 72);
    w.canvas.vsb->setSingleStep(3);
    w.canvas.vsb->setPageStep(96);

    w.keyBox.txFxSnd = named(new QLineEdit(w.keyBox.picKey), QStringLiteral("txFxSnd"));
    w.keyBox.txFxSnd->setFrame(false);
    w.keyBox.txFxSnd->setFixedSize(32, 18);
    w.keyBox.txFxSnd->hide();

    auto* area = new QWidget;
    auto* row = new QHBoxLayout(area);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(framed(w.picScale, QStringLiteral("picScale"), {45, kCanvasHeight}));
    row->addWidget(framed(w.canvas.picMain, QStringLiteral("picMain"), {62, kCanvasHeight}));
    row->addWidget(framed(w.keyBox.picKey, QStringLiteral("picKey"), {29, kCanvasHeight}));
    row->addWidget(w.canvas.vsb);
    return area;
}

QGroupBox* buildPalette(WindowWidgets& w) {
    auto* box = named(new QGroupBox(QStringLiteral("Note Kind List")), QStringLiteral("frPalette"));
    auto* row = new QHBoxLayout(box);
    row->setSpacing(6);
    for (const std::vector<int>& kinds : paletteColumns()) {
        auto* column = new QVBoxLayout;
        column->setSpacing(1);
        for (int kind : kinds) {
            auto* image = indexed(new QLabel, QStringLiteral("imgEle"), kind);
            image->setFixedSize(62, kind == 24 ? 57 : 15);
            image->setAutoFillBackground(true);
            image->setPalette(QPalette(Qt::black));
            image->setVisible(!isLongBody(kind));
            w.canvas.imgEle[kind] = image;
            column->addWidget(image);
            if (isLongStart(kind)) column->addSpacing(3);
        }
        column->addStretch(1);
        row->addLayout(column);
    }
    return box;
}

QGroupBox* buildKeyList(WindowWidgets& w) {
    auto* box = named(new QGroupBox(QStringLiteral("Key List:")), QStringLiteral("frKeyList"));
    w.keyList.lsKey = named(new QListWidget, QStringLiteral("lsKey"));
    w.keyList.lsKey->setMinimumWidth(180);
    w.playback.cmdOpenKey = button(QStringLiteral("cmdOpenKey"), QStringLiteral("Open Key"));
    w.playback.cmdCloseKey = button(QStringLiteral("cmdCloseKey"), QStringLiteral("Close Key"));
    w.keyList.cmdKeyAdd = button(QStringLiteral("cmdKeyAdd"), QStringLiteral("Add Key"));
    w.keyList.cmdKeyEdit = button(QStringLiteral("cmdKeyEdit"), QStringLiteral("Edit Key"));
    w.keyList.cmdKeyDelete = button(QStringLiteral("cmdKeyDelete"), QStringLiteral("Delete Key"));

    auto* grid = new QGridLayout(box);
    grid->addWidget(w.keyList.lsKey, 0, 0, 1, 6);
    grid->addWidget(w.playback.cmdOpenKey, 1, 0, 1, 3);
    grid->addWidget(w.playback.cmdCloseKey, 1, 3, 1, 3);
    grid->addWidget(w.keyList.cmdKeyAdd, 2, 0, 1, 2);
    grid->addWidget(w.keyList.cmdKeyEdit, 2, 2, 1, 2);
    grid->addWidget(w.keyList.cmdKeyDelete, 2, 4, 1, 2);
    grid->setRowStretch(0, 1);
    return box;
}

QGroupBox* buildClipboard(WindowWidgets& w) {
    auto* box = named(new QGroupBox(QStringLiteral("Clipboard")), QStringLiteral("frClipboard"));
    w.batch.txFrom = textBox(QStringLiteral("txFrom"), QString());
    w.batch.txTo = textBox(QStringLiteral("txTo"), QString());
    w.batch.txPaste = textBox(QStringLiteral("txPaste"), QString());
    for (QLineEdit* coord : {w.batch.txFrom, w.batch.txTo, w.batch.txPaste})
        coord->setMinimumWidth(50);
    w.batch.cmdCopy = button(QStringLiteral("cmdCopy"), QStringLiteral("&Copy"));
    w.batch.cmdCut = button(QStringLiteral("cmdCut"), QStringLiteral("Cu&t"));
    w.batch.cmdPaste = button(QStringLiteral("cmdPaste"), QStringLiteral("Pa&ste"));
    w.batch.chkCopyNote =
        named(new QCheckBox(QStringLiteral("Copy &Note Kind")), QStringLiteral("chkCopyNote"));
    w.batch.chkCopyFxSnd =
        named(new QCheckBox(QStringLiteral("Copy Note &Key")), QStringLiteral("chkCopyFxSnd"));
    w.batch.chkCopyBPM =
        named(new QCheckBox(QStringLiteral("Copy &BPM")), QStringLiteral("chkCopyBPM"));
    for (QCheckBox* field : {w.batch.chkCopyNote, w.batch.chkCopyFxSnd, w.batch.chkCopyBPM})
        field->setChecked(true);

    auto* grid = new QGridLayout(box);
    grid->addWidget(new QLabel(QStringLiteral("Copy from")), 0, 0);
    grid->addWidget(w.batch.txFrom, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("~")), 0, 2);
    grid->addWidget(w.batch.txTo, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Paste to")), 1, 0);
    grid->addWidget(w.batch.txPaste, 1, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {w.batch.cmdCopy, w.batch.cmdCut, w.batch.cmdPaste})
        buttons->addWidget(b);
    grid->addLayout(buttons, 2, 0, 1, 4);
    grid->addWidget(w.batch.chkCopyNote, 3, 0, 1, 4);
    grid->addWidget(w.batch.chkCopyFxSnd, 4, 0, 1, 4);
    grid->addWidget(w.batch.chkCopyBPM, 5, 0, 1, 4);
    return box;
}

QGroupBox* buildMode(WindowWidgets& w) {
    auto* box = named(new QGroupBox(QStringLiteral("Mode")), QStringLiteral("frMode"));
    w.canvas.cmdFocus = button(QStringLiteral("cmdFocus"), QStringLiteral("Set Foc&us"));
    w.canvas.chkKBInput =
        named(new QCheckBox(QStringLiteral("Keyboard &Input")), QStringLiteral("chkKBInput"));
    auto* column = new QVBoxLayout(box);
    column->addWidget(w.canvas.cmdFocus);
    column->addWidget(w.canvas.chkKBInput);
    column->addStretch(1);
    return box;
}

QGroupBox* buildMusicInfo(WindowWidgets& w) {
    auto* box = named(new QGroupBox(QStringLiteral("Music Info")), QStringLiteral("frMusicInfo"));
    const HeaderTexts h = newChartHeader();
    w.musicInfo.txName = promptBox(QStringLiteral("txName"), h.Name, kMusicNamePrompt);
    w.musicInfo.txBPMO = promptBox(QStringLiteral("txBPMO"), h.BPMO, kBpmPrompt);
    w.musicInfo.txBPM = promptBox(QStringLiteral("txBPM"), h.BPM, kSpeedPrompt);
    w.musicInfo.txLength = promptBox(QStringLiteral("txLength"), h.Length, kLengthPrompt);
    w.musicInfo.txLongCorrectVal = textBox(QStringLiteral("txLongCorrectVal"), h.LongCorrectVal);
    w.musicInfo.txDelay = textBox(QStringLiteral("txDelay"), h.Delay);
    w.musicInfo.txBGMVolume = textBox(QStringLiteral("txBGMVolume"), h.BGMVolume);
    w.musicInfo.txBGM = textBox(QStringLiteral("txBGM"), h.BGM);
    w.musicInfo.txMusicPath = textBox(QStringLiteral("txMusicPath"), h.MusicPath);

    auto* column = new QVBoxLayout(box);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Music Name"), w.musicInfo.txName);
    form->addRow(QStringLiteral("Current BPM"), w.musicInfo.txBPMO);
    form->addRow(QStringLiteral("Current Speed"), w.musicInfo.txBPM);
    form->addRow(QStringLiteral("Note Length"), w.musicInfo.txLength);
    form->addRow(QStringLiteral("Long Note Correction Value"), w.musicInfo.txLongCorrectVal);
    form->addRow(QStringLiteral("BGM Delay"), w.musicInfo.txDelay);
    form->addRow(QStringLiteral("BGM Volume"), w.musicInfo.txBGMVolume);
    form->addRow(QStringLiteral("BGM Path"), w.musicInfo.txBGM);
    form->addRow(QStringLiteral("pvx_music Path"), w.musicInfo.txMusicPath);
    column->addLayout(form);

    w.playback.cmdOpenBGM = button(QStringLiteral("cmdOpenBGM"), QStringLiteral("&Open"));
    w.playback.cmdCloseBGM = button(QStringLiteral("cmdCloseBGM"), QStringLiteral("C&lose"));
    w.playback.cmdPlay = button(QStringLiteral("cmdPlay"), QStringLiteral("&Play"));
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {w.playback.cmdOpenBGM, w.playback.cmdCloseBGM, w.playback.cmdPlay})
        buttons->addWidget(b);
    column->addLayout(buttons);

    column->addWidget(new QLabel(QStringLiteral("Playing Speed")));
    const std::pair<int, int> ranges[] = {{70, 130}, {-200, 200}};
    const int neutral[] = {100, 0};
    for (int i = 0; i < 2; ++i) {
        w.playback.sldTempo[i] =
            indexed(new QSlider(Qt::Horizontal), QStringLiteral("sldTempo"), i);
        w.playback.sldTempo[i]->setRange(ranges[i].first, ranges[i].second);
        w.playback.sldTempo[i]->setValue(neutral[i]);
        w.playback.cmdResetTempo[i] =
            indexed(new QPushButton(QStringLiteral("Reset")), QStringLiteral("cmdResetTempo"), i);
        auto* row = new QHBoxLayout;
        row->addWidget(w.playback.sldTempo[i], 1);
        row->addWidget(w.playback.cmdResetTempo[i]);
        column->addLayout(row);
    }

    w.playback.lbSampleRateText =
        named(new QLabel(QStringLiteral("Sample")), QStringLiteral("lbSampleRateText"));
    w.playback.lbSampleRate = readOut(QStringLiteral("lbSampleRate"), QStringLiteral("44100"));
    auto* rate = new QHBoxLayout;
    rate->addWidget(w.playback.lbSampleRateText);
    rate->addWidget(w.playback.lbSampleRate, 1);
    column->addLayout(rate);
    column->addStretch(1);
    return box;
}

QGroupBox* buildWorkspace(WindowWidgets& w) {
    w.frMain = named(new QGroupBox(QStringLiteral("Workspace")), QStringLiteral("frMain"));
    auto* grid = new QGridLayout(w.frMain);
    grid->addWidget(buildPalette(w), 0, 0);
    grid->addWidget(buildMode(w), 1, 0);
    grid->addWidget(buildKeyList(w), 0, 1);
    grid->addWidget(buildClipboard(w), 1, 1);
    grid->addWidget(buildMusicInfo(w), 0, 2, 2, 1);
    grid->setRowStretch(0, 1);
    // Tighter than the style's default, so that the panels stand no taller
    // than the canvas beside them.
    for (QLayout* layout : w.frMain->findChildren<QLayout*>()) {
        if (layout->spacing() < 0 || layout->spacing() > 4) layout->setSpacing(4);
        if (layout->parentWidget()) layout->setContentsMargins(6, 4, 6, 4);
    }
    return w.frMain;
}

}  // namespace

void buildControls(QMainWindow& window, WindowWidgets& w) {
    auto* central = new QWidget(&window);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(6, 4, 6, 4);
    column->addWidget(buildStepStrip(w));
    auto* row = new QHBoxLayout;
    row->addWidget(buildEditingArea(w));
    w.Line1 = named(new QFrame, QStringLiteral("Line1"));
    w.Line1->setFrameShape(QFrame::VLine);
    w.Line1->setFrameShadow(QFrame::Sunken);
    row->addWidget(w.Line1);
    row->addWidget(buildWorkspace(w), 0, Qt::AlignTop);
    row->addStretch(1);  // a wider window leaves the Workspace as it is
    column->addLayout(row, 1);
    window.setCentralWidget(central);

    w.StatusBar = named(window.statusBar(), QStringLiteral("StatusBar"));
    w.lbStatusFile = named(new QLabel, QStringLiteral("lbStatusFile"));
    w.StatusBar->addWidget(w.lbStatusFile, 1);
    w.lbStatusNote = named(new QLabel, QStringLiteral("lbStatusNote"));
    w.StatusBar->addWidget(w.lbStatusNote);
    w.playback.StatusBar = w.StatusBar;

    // The controls that more than one controller reads.
    w.keyBox.picMain = w.canvas.picMain;
    for (QScrollBar** vsb : {&w.keyBox.vsb, &w.musicInfo.vsb, &w.playback.vsb}) *vsb = w.canvas.vsb;
    w.playback.txBGM = w.musicInfo.txBGM;
    w.playback.txMusicPath = w.musicInfo.txMusicPath;
}

// At the design size the canvas column and the Workspace stand equally tall,
// the canvas at its design height (a taller Workspace leaves room below it).
// A larger window grows the canvas column only.
void fitCanvasBesideWorkspace(WindowWidgets& w) {
    QWidget* area = w.canvas.picMain->parentWidget()->parentWidget();
    const int areaHeight = area->sizeHint().height();
    const QSize workspace = w.frMain->sizeHint().expandedTo(QSize(0, areaHeight));
    w.frMain->setFixedSize(workspace);
    area->layout()->setContentsMargins(0, 0, 0, workspace.height() - areaHeight);
}

}  // namespace lumidex
