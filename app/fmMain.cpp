#include "fmMain.h"

#include "WaveformController.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>

#include <cmath>
#include <exception>

#include "ChartView.h"
#include "KeyList.h"
#include "Numbers.h"
#include "PictureBox.h"
#include "RuntimeError.h"
#include "TextBoxText.h"

namespace lumidex {
namespace {

// Runs one step whose failure only skips that step.
template <class Step>
void skipOnError(Step step) {
    try {
        step();
    } catch (const std::exception&) {
    }
}

// The local file a drag carries, or an empty text.
QString droppedFile(const QMimeData* mime) {
    if (!mime || !mime->hasUrls()) return QString();
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile()) return url.toLocalFile();
    return QString();
}

// Accepts a drop as a copy, else as a link, and never as a move: a file
// manager takes an accepted move as the file having been taken away.
bool acceptWithoutMove(QDropEvent* event) {
    const Qt::DropActions offered = event->possibleActions();
    if (offered & Qt::CopyAction)
        event->setDropAction(Qt::CopyAction);
    else if (offered & Qt::LinkAction)
        event->setDropAction(Qt::LinkAction);
    else
        return false;
    event->accept();
    return true;
}

}  // namespace

fmMain::fmMain(Dialogs& ui, AppInfo appInfo, QWidget* parent)
    : QMainWindow(parent),
      app(std::move(appInfo)),
      batch(edits, ui, randomKinds),
      ui_(ui),
      commands_(doc, state, ui, *this) {
    setObjectName(QStringLiteral("fmMain"));
    setWindowTitle(kAppTitle);
    setFont(interfaceFont());
    buildMenus();
    buildToolbar();
    buildControls();
    connectControls();
    edits.addListener(this);
    view = std::make_unique<ChartView>(
        doc, ViewControls{picMain, picScale, picKey, vsb, cbVScroll, cbAltStep, cbKeyStep,
                          cbNormalize, lbTime, lbFrame, lbCombo, txBPM, txBPMO, mnShowGrid,
                          mnShowPlayLine, mnShowTrans});
    view->setUpScrollBar();
    waveform = std::make_unique<WaveformController>(doc, *view);
    waveform->placeBeside(picMain);
    waveform->addMenuItems(mnView);
    waveform->setStatusBar(StatusBar);
    setUpPlayback();
    connect(vsb, &QScrollBar::valueChanged, this, [this] { Guarded([this] { vsb_Change(); }); });
    // Kind 0 (erase) keeps its all-black image; the others show their pictures.
    for (int kind = 1; kind < kKindSlots; ++kind)
        if (imgEle[kind]) imgEle[kind]->setPixmap(view->pictures().palettePixmap(kind));
    setAcceptDrops(true);
    // The design size is where the window starts and the least it can have.
    ensurePolished();
    fitCanvasBesideWorkspace();
    setMinimumSize(sizeHint());
    resize(minimumSize());
    state.ChartDir = app.AppDir;
    connectEditing();
}

fmMain::~fmMain() {
    if (unloaded_) return;
    players.releaseAll();
    audio.shutdown();
}

QFont fmMain::interfaceFont() {
    QFont font;
    font.setFamilies(
        {QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    font.setPointSize(8);
    return font;
}

// ---- life cycle --------------------------------------------------------------

bool fmMain::Form_Load() {
    const bool engines = audio.startup(ui_, [this](int index) {
        if (index >= 0 && index < static_cast<int>(mnDecoder.size()))
            mnDecoder[index]->setEnabled(false);
    });
    if (!engines) return false;

    state.Closing = false;
    setModified(false);
    doc.LongCorrection = 4;

    selectListDefault(cbNormalize, 0, &fmMain::cbNormalize_Click);
    selectListDefault(cbVScroll, 9, &fmMain::cbVScroll_Click);
    selectListDefault(cbAltStep, 0, &fmMain::cbAltStep_Click);
    selectListDefault(cbKeyStep, 3, &fmMain::cbKeyStep_Click);

    InitArea();
    // The empty chart takes its header from the boxes, so a chart typed in
    // from scratch saves the music file and volume they show.
    storeHeader();
    doc.keySound(0) = KeySound{doc.Header.BGM, doc.Header.BGMVolume};
    cmdPlay->setEnabled(false);
    state.ChartDir = app.AppDir;
    view->setScrollTop();
    ReDrawNote();
    return true;
}

void fmMain::openCommandLine() {
    Guarded([this] { commands_.openCommandLine(app.Args); });
}

bool fmMain::Form_QueryUnload() {
    acceptPendingHeaderEdit();
    bool goOn = false;
    Guarded([this, &goOn] { goOn = commands_.askSaveChanges(); });
    return goOn;
}

void fmMain::Form_Unload() {
    state.Closing = true;
    skipOnError([this] { StopPlay(); });
    skipOnError([this] { players.releaseAll(); });
    audio.shutdown();
    unloaded_ = true;
}

void fmMain::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        if (!Form_QueryUnload()) {
            event->ignore();
            return;
        }
        Form_Unload();
    }
    storePlacement();
    event->accept();
}

// ---- "File" menu -------------------------------------------------------------

void fmMain::mnNew_Click() {
    commands_.startNewInstance(app.ExePath, app.AppDir);
}

void fmMain::mnOpen_Click(int index) {
    acceptPendingHeaderEdit();
    commands_.open(index);
}

void fmMain::mnSave_Click() {
    commands_.save();
}

void fmMain::mnExit_Click() {
    close();
}

// ---- dropping a chart file on the window ---------------------------------------

void fmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFile(event->mimeData()).isEmpty()) acceptWithoutMove(event);
}

// The open runs after the drop has finished, so that its questions and
// messages do not hold up the program the file was dragged from.
void fmMain::dropEvent(QDropEvent* event) {
    const QString fn = droppedFile(event->mimeData());
    if (fn.isEmpty() || !acceptWithoutMove(event)) return;
    QTimer::singleShot(0, this, [this, fn] { openDroppedFile(fn); });
}

void fmMain::openDroppedFile(const QString& fn) {
    acceptPendingHeaderEdit();
    Guarded([this, &fn] { commands_.openDropped(fn); });
}

// ---- after a chart was opened -----------------------------------------------------

void fmMain::storeHeader() {
    HeaderTexts& h = doc.Header;
    h.Name = txName->text();
    h.BPM = txBPM->text();
    h.BPMO = txBPMO->text();
    h.BGM = txBGM->text();
    h.BGMVolume = txBGMVolume->text();
    h.Delay = txDelay->text();
    h.LongCorrectVal = txLongCorrectVal->text();
    h.Length = txLength->text();
    h.MusicPath = txMusicPath->text();
}

void fmMain::showHeader() {
    const HeaderTexts& h = doc.Header;
    showText(txName, h.Name);
    showText(txBPM, h.BPM);
    showText(txBPMO, h.BPMO);
    showText(txBGM, h.BGM);
    showText(txBGMVolume, h.BGMVolume);
    showText(txDelay, h.Delay);
    showText(txLongCorrectVal, h.LongCorrectVal);
    showText(txLength, h.Length);
    showText(txMusicPath, h.MusicPath);
}

// Each step is on its own: one that fails is skipped and the rest still run.
void fmMain::afterOpen() {
    edits.replaced();
    view->InitArea();
    frMain->setEnabled(true);
    skipOnError([this] { StopPlay(); });
    skipOnError([this] { cmdCloseBGM_Click(); });
    skipOnError([this] { cmdCloseKey_Click(); });
    skipOnError([this] { fillKeyList(); });
    skipOnError([this] {
        view->setScrollTop();
        scrollToMusicStart();
    });
    waveform->showMusic(musicDir(), doc.keySound(0).Snd, sounds->decoder(), true);
    ReDrawNote();  // also when the scroll bar did not move
}

// An undo back to the state last saved or loaded is not a change to save.
void fmMain::chartChanged(const ChartChange& change) {
    setModified(!history.atSaved());
    if (changesKeyList(change)) fillKeyList();
}

void fmMain::scrollToMusicStart() {
    view->showMusicStart();
}

void fmMain::InitArea() {
    doc.InitArea();
    view->InitArea();
}

void fmMain::ReDrawNote() {
    view->ReDrawNote();
}

// ---- shared plumbing ------------------------------------------------------------

void fmMain::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const RuntimeError& e) {
        ui_.message(e.description(), MsgIcon::Exclamation);
    } catch (const std::exception& e) {
        ui_.message(QString::fromLocal8Bit(e.what()), MsgIcon::Exclamation);
    }
}

// Chooses a list item and runs the list's handler once, also when the item
// was already the chosen one.
void fmMain::selectListDefault(QComboBox* list, int index, void (fmMain::*handler)()) {
    {
        const QSignalBlocker quiet(list);
        list->setCurrentIndex(index);
    }
    (this->*handler)();
}

bool fmMain::eventFilter(QObject* watched, QEvent* event) {
    if (editingEventFilter(watched, event)) return true;
    if (event->type() == QEvent::MouseButtonPress) {
        const QVariant index = watched->property("index");
        if (watched->objectName() == QLatin1String("imgEle") && index.isValid()) {
            Guarded([this, &index] { imgEle_MouseDown(index.toInt()); });
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- step lists ----------------------------------------------------------------

void fmMain::cbNormalize_Click() {
    doc.AlignCoord = cbNormalize->currentData().toDouble();
}
void fmMain::cbAltStep_Click() {
    view->cbAltStep_Click();
}
void fmMain::cbKeyStep_Click() {
    view->cbKeyStep_Click();
}
void fmMain::cbVScroll_Click() {
    view->cbVScroll_Click();
}
void fmMain::vsb_Change() {
    view->vsb_Change();
}

// ---- the View menu ---------------------------------------------------------------

void fmMain::mnShowGrid_Click() {
    view->mnShowGrid_Click();
}
void fmMain::mnShowPlayLine_Click() {
    view->mnShowPlayLine_Click();
}
void fmMain::mnShowTrans_Click() {
    view->mnShowTrans_Click();
}

// ---- controls ------------------------------------------------------------------

void fmMain::cmdFocus_Click() {
    picMain->setFocus();
}
void fmMain::lsKey_DblClick() {
    mnKeyEdit_Click();
}

}  // namespace lumidex
