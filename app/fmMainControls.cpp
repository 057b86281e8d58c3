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
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QVBoxLayout>

#include <vector>

#include "HeaderFields.h"
#include "Numbers.h"
#include "PictureBox.h"
#include "TextBoxText.h"
#include "fmMain.h"

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

// An empty box that shows its prompt in grey until something is typed.
QLineEdit* promptBox(const QString& name, const QString& prompt) {
    QLineEdit* box = textBox(name, QString());
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

}  // namespace

void fmMain::buildControls() {
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(6, 4, 6, 4);
    column->addWidget(buildStepStrip());
    auto* row = new QHBoxLayout;
    row->addWidget(buildEditingArea());
    Line1 = named(new QFrame, QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::VLine);
    Line1->setFrameShadow(QFrame::Sunken);
    row->addWidget(Line1);
    row->addWidget(buildWorkspace(), 0, Qt::AlignTop);
    row->addStretch(1);  // a wider window leaves the Workspace as it is
    column->addLayout(row, 1);
    setCentralWidget(central);

    StatusBar = named(statusBar(), QStringLiteral("StatusBar"));
    lbStatusFile = named(new QLabel, QStringLiteral("lbStatusFile"));
    StatusBar->addWidget(lbStatusFile, 1);
}

// At the design size the canvas column and the Workspace stand equally tall,
// the canvas at its design height (a taller Workspace leaves room below it).
// A larger window grows the canvas column only.
void fmMain::fitCanvasBesideWorkspace() {
    QWidget* area = picMain->parentWidget()->parentWidget();
    const int areaHeight = area->sizeHint().height();
    const QSize workspace = frMain->sizeHint().expandedTo(QSize(0, areaHeight));
    frMain->setFixedSize(workspace);
    area->layout()->setContentsMargins(0, 0, 0, workspace.height() - areaHeight);
}

QWidget* fmMain::buildStepStrip() {
    cbAltStep = stepList(QStringLiteral("cbAltStep"),
                         {"1", "2", "3", "4", "6", "8", "9", "12", "18", "24"});
    cbKeyStep = stepList(QStringLiteral("cbKeyStep"), {"Note", "1", "2", "3", "4", "6", "8", "9",
                                                       "12", "18", "24", "36", "48", "72", "96"});
    cbNormalize = stepList(QStringLiteral("cbNormalize"), {"1", "2", "3", "4", "6"});
    cbVScroll = stepList(QStringLiteral("cbVScroll"),
                         {"3", "6", "9", "12", "18", "24", "36", "48", "72", "96"});
    lbTime = readOut(QStringLiteral("lbTime"), QStringLiteral("0:00"));
    lbFrame = readOut(QStringLiteral("lbFrame"), QStringLiteral("0"));
    lbCombo = readOut(QStringLiteral("lbCombo"), QStringLiteral("0"));

    auto* strip = new QWidget;
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(0, 0, 0, 0);
    const std::pair<const char*, QWidget*> items[] = {
        {"AltStep", cbAltStep}, {"KeyStep", cbKeyStep}, {"AlignCoord", cbNormalize},
        {"VScroll", cbVScroll}, {nullptr, nullptr},     {"Time:", lbTime},
        {"Frame:", lbFrame},    {"Combo:", lbCombo}};
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

QWidget* fmMain::buildEditingArea() {
    picScale = new PictureBox;
    picMain = new PictureBox;
    picKey = new PictureBox;
    picMain->setFocusPolicy(Qt::StrongFocus);

    vsb = named(new QScrollBar(Qt::Vertical), QStringLiteral("vsb"));
    vsb->setFixedWidth(17);
    vsb->setMinimumHeight(kCanvasHeight + 4);
    vsb->setInvertedAppearance(true);  // 0 at the bottom: moving up raises the view
    vsb->setRange(0, 72);
    vsb->setSingleStep(3);
    vsb->setPageStep(96);

    txFxSnd = named(new QLineEdit(picKey), QStringLiteral("txFxSnd"));
    txFxSnd->setFrame(false);
    txFxSnd->setFixedSize(32, 18);
    txFxSnd->hide();

    auto* area = new QWidget;
    auto* row = new QHBoxLayout(area);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(framed(picScale, QStringLiteral("picScale"), {45, kCanvasHeight}));
    row->addWidget(framed(picMain, QStringLiteral("picMain"), {62, kCanvasHeight}));
    row->addWidget(framed(picKey, QStringLiteral("picKey"), {29, kCanvasHeight}));
    row->addWidget(vsb);
    return area;
}

QGroupBox* fmMain::buildWorkspace() {
    frMain = named(new QGroupBox(QStringLiteral("Workspace")), QStringLiteral("frMain"));
    auto* grid = new QGridLayout(frMain);
    grid->addWidget(buildPalette(), 0, 0);
    grid->addWidget(buildMode(), 1, 0);
    grid->addWidget(buildKeyList(), 0, 1);
    grid->addWidget(buildClipboard(), 1, 1);
    grid->addWidget(buildMusicInfo(), 0, 2, 2, 1);
    grid->setRowStretch(0, 1);
    // Tighter than the style's default, so that the panels stand no taller
    // than the canvas beside them.
    for (QLayout* layout : frMain->findChildren<QLayout*>()) {
        if (layout->spacing() < 0 || layout->spacing() > 4) layout->setSpacing(4);
        if (layout->parentWidget()) layout->setContentsMargins(6, 4, 6, 4);
    }
    frMain->setEnabled(false);  // until a chart is open
    return frMain;
}

QGroupBox* fmMain::buildPalette() {
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
            image->installEventFilter(this);
            image->setVisible(!isLongBody(kind));
            imgEle[kind] = image;
            column->addWidget(image);
            if (isLongStart(kind)) column->addSpacing(3);
        }
        column->addStretch(1);
        row->addLayout(column);
    }
    return box;
}

QGroupBox* fmMain::buildKeyList() {
    auto* box = named(new QGroupBox(QStringLiteral("Key List:")), QStringLiteral("frKeyList"));
    lsKey = named(new QListWidget, QStringLiteral("lsKey"));
    lsKey->setMinimumWidth(180);
    cmdOpenKey = button(QStringLiteral("cmdOpenKey"), QStringLiteral("Open Key"));
    cmdCloseKey = button(QStringLiteral("cmdCloseKey"), QStringLiteral("Close Key"));
    cmdKeyAdd = button(QStringLiteral("cmdKeyAdd"), QStringLiteral("Add Key"));
    cmdKeyEdit = button(QStringLiteral("cmdKeyEdit"), QStringLiteral("Edit Key"));
    cmdKeyDelete = button(QStringLiteral("cmdKeyDelete"), QStringLiteral("Delete Key"));
    cmdCloseKey->setEnabled(false);  // no key sound is open yet

    auto* grid = new QGridLayout(box);
    grid->addWidget(lsKey, 0, 0, 1, 6);
    grid->addWidget(cmdOpenKey, 1, 0, 1, 3);
    grid->addWidget(cmdCloseKey, 1, 3, 1, 3);
    grid->addWidget(cmdKeyAdd, 2, 0, 1, 2);
    grid->addWidget(cmdKeyEdit, 2, 2, 1, 2);
    grid->addWidget(cmdKeyDelete, 2, 4, 1, 2);
    grid->setRowStretch(0, 1);
    return box;
}

QGroupBox* fmMain::buildClipboard() {
    auto* box = named(new QGroupBox(QStringLiteral("Clipboard")), QStringLiteral("frClipboard"));
    txFrom = textBox(QStringLiteral("txFrom"), QString());
    txTo = textBox(QStringLiteral("txTo"), QString());
    txPaste = textBox(QStringLiteral("txPaste"), QString());
    for (QLineEdit* coord : {txFrom, txTo, txPaste}) coord->setMinimumWidth(50);
    cmdCopy = button(QStringLiteral("cmdCopy"), QStringLiteral("&Copy"));
    cmdCut = button(QStringLiteral("cmdCut"), QStringLiteral("Cu&t"));
    cmdPaste = button(QStringLiteral("cmdPaste"), QStringLiteral("Pa&ste"));
    chkCopyNote =
        named(new QCheckBox(QStringLiteral("Copy &Note Kind")), QStringLiteral("chkCopyNote"));
    chkCopyFxSnd =
        named(new QCheckBox(QStringLiteral("Copy Note &Key")), QStringLiteral("chkCopyFxSnd"));
    chkCopyBPM = named(new QCheckBox(QStringLiteral("Copy &BPM")), QStringLiteral("chkCopyBPM"));
    for (QCheckBox* field : {chkCopyNote, chkCopyFxSnd, chkCopyBPM}) field->setChecked(true);

    auto* grid = new QGridLayout(box);
    grid->addWidget(new QLabel(QStringLiteral("Copy from")), 0, 0);
    grid->addWidget(txFrom, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("~")), 0, 2);
    grid->addWidget(txTo, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Paste to")), 1, 0);
    grid->addWidget(txPaste, 1, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdCopy, cmdCut, cmdPaste}) buttons->addWidget(b);
    grid->addLayout(buttons, 2, 0, 1, 4);
    grid->addWidget(chkCopyNote, 3, 0, 1, 4);
    grid->addWidget(chkCopyFxSnd, 4, 0, 1, 4);
    grid->addWidget(chkCopyBPM, 5, 0, 1, 4);
    return box;
}

QGroupBox* fmMain::buildMode() {
    auto* box = named(new QGroupBox(QStringLiteral("Mode")), QStringLiteral("frMode"));
    cmdFocus = button(QStringLiteral("cmdFocus"), QStringLiteral("Set Foc&us"));
    chkKBInput =
        named(new QCheckBox(QStringLiteral("Keyboard &Input")), QStringLiteral("chkKBInput"));
    auto* column = new QVBoxLayout(box);
    column->addWidget(cmdFocus);
    column->addWidget(chkKBInput);
    column->addStretch(1);
    return box;
}

QGroupBox* fmMain::buildMusicInfo() {
    auto* box = named(new QGroupBox(QStringLiteral("Music Info")), QStringLiteral("frMusicInfo"));
    txName = promptBox(QStringLiteral("txName"), kMusicNamePrompt);
    txBPMO = promptBox(QStringLiteral("txBPMO"), kBpmPrompt);
    txBPM = promptBox(QStringLiteral("txBPM"), kSpeedPrompt);
    txLength = promptBox(QStringLiteral("txLength"), kLengthPrompt);
    txLongCorrectVal = textBox(QStringLiteral("txLongCorrectVal"), QStringLiteral("4"));
    txDelay = textBox(QStringLiteral("txDelay"), QStringLiteral("0"));
    txBGMVolume = textBox(QStringLiteral("txBGMVolume"), QStringLiteral("1.00"));
    txBGM = textBox(QStringLiteral("txBGM"), QStringLiteral("mr.mp3"));
    txMusicPath = textBox(QStringLiteral("txMusicPath"), QStringLiteral("../../pvx_music/"));

    auto* column = new QVBoxLayout(box);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Music Name"), txName);
    form->addRow(QStringLiteral("Current BPM"), txBPMO);
    form->addRow(QStringLiteral("Current Speed"), txBPM);
    form->addRow(QStringLiteral("Note Length"), txLength);
    form->addRow(QStringLiteral("Long Note Correction Value"), txLongCorrectVal);
    form->addRow(QStringLiteral("BGM Delay"), txDelay);
    form->addRow(QStringLiteral("BGM Volume"), txBGMVolume);
    form->addRow(QStringLiteral("BGM Path"), txBGM);
    form->addRow(QStringLiteral("pvx_music Path"), txMusicPath);
    column->addLayout(form);

    cmdOpenBGM = button(QStringLiteral("cmdOpenBGM"), QStringLiteral("&Open"));
    cmdCloseBGM = button(QStringLiteral("cmdCloseBGM"), QStringLiteral("C&lose"));
    cmdPlay = button(QStringLiteral("cmdPlay"), QStringLiteral("&Play"));
    cmdCloseBGM->setEnabled(false);  // no music is open yet
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdOpenBGM, cmdCloseBGM, cmdPlay}) buttons->addWidget(b);
    column->addLayout(buttons);

    column->addWidget(new QLabel(QStringLiteral("Playing Speed")));
    const std::pair<int, int> ranges[] = {{70, 130}, {-200, 200}};
    const int neutral[] = {100, 0};
    for (int i = 0; i < 2; ++i) {
        sldTempo[i] = indexed(new QSlider(Qt::Horizontal), QStringLiteral("sldTempo"), i);
        sldTempo[i]->setRange(ranges[i].first, ranges[i].second);
        sldTempo[i]->setValue(neutral[i]);
        cmdResetTempo[i] =
            indexed(new QPushButton(QStringLiteral("Reset")), QStringLiteral("cmdResetTempo"), i);
        auto* row = new QHBoxLayout;
        row->addWidget(sldTempo[i], 1);
        row->addWidget(cmdResetTempo[i]);
        column->addLayout(row);
    }

    lbSampleRateText =
        named(new QLabel(QStringLiteral("Sample")), QStringLiteral("lbSampleRateText"));
    lbSampleRate = readOut(QStringLiteral("lbSampleRate"), QStringLiteral("44100"));
    auto* rate = new QHBoxLayout;
    rate->addWidget(lbSampleRateText);
    rate->addWidget(lbSampleRate, 1);
    column->addLayout(rate);
    column->addStretch(1);
    return box;
}

}  // namespace lumidex
