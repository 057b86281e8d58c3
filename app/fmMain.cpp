#include "fmMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTimer>

#include <exception>
#include <tuple>

#include "BatchController.h"
#include "CanvasEditing.h"
#include "ChartFile.h"
#include "ChartView.h"
#include "ChecksPanel.h"
#include "FileIO.h"
#include "KeyBoxController.h"
#include "KeyListController.h"
#include "MusicInfoBoxes.h"
#include "NewChart.h"
#include "PlaybackController.h"
#include "RecentMenu.h"
#include "RecoveryController.h"
#include "SelectionController.h"
#include "TempoController.h"
#include "WaveformController.h"
#include "WindowWidgets.h"
#include "Wiring.h"

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
      commands_(doc, state, ui, *this),
      w_(std::make_unique<WindowWidgets>()) {
    setObjectName(QStringLiteral("fmMain"));
    setWindowTitle(kAppTitle);
    setFont(interfaceFont());
    buildMenus(*this, *w_);
    buildControls(*this, *w_);
    edits.addListener(this);
    const WindowWidgets& w = *w_;
    view = std::make_unique<ChartView>(
        doc, ViewControls{w.canvas.picMain, w.picScale, w.keyBox.picKey, w.canvas.vsb, w.cbVScroll,
                          w.cbAltStep, w.cbKeyStep, w.cbNormalize, w.lbTime, w.lbFrame, w.lbCombo,
                          w.musicInfo.txBPM, w.musicInfo.txBPMO, w.mnShowGrid, w.mnShowPlayLine,
                          w.mnShowTrans});
    view->setUpScrollBar();
    sounds = std::make_unique<SoundBank>(players);
    playback = std::make_unique<Playback>(doc, *sounds);
    keyListFollower = std::make_unique<KeyListFollower>(edits, *sounds, *playback);
    addControllers();
    connectControls();
    setAcceptDrops(true);
    // The design size is where the window starts and the least it can have.
    ensurePolished();
    fitCanvasBesideWorkspace(*w_);
    setMinimumSize(sizeHint());
    resize(minimumSize());
    state.ChartDir = app.AppDir;
}

// Each controller owns the wiring of its controls; see fmMain.h.
void fmMain::addControllers() {
    const auto dir = [this] { return musicDir(); };
    canvas = std::make_unique<CanvasEditing>(parts(), w_->canvas, randomKinds);
    keyBox = std::make_unique<KeyBoxController>(parts(), w_->keyBox);
    musicInfo = std::make_unique<MusicInfoBoxes>(parts(), w_->musicInfo, history);
    playing = std::make_unique<PlaybackController>(
        parts(), PlaybackParts{*sounds, *playback, keyPreview, dir}, w_->playback, this);
    keyList = std::make_unique<KeyListController>(
        parts(),
        KeyListParts{state, *sounds, keyPreview, dir, [this] { playing->keyPreviewPlayed(); }},
        w_->keyList);
    batchPanel = std::make_unique<BatchController>(parts(), batch, w_->batch, this);
    recovery = std::make_unique<RecoveryController>(
        parts(),
        RecoveryParts{[this] { return state.Modified != 0; }, [this] { return describeChart(); },
                      [this](const QByteArray& chart, const CopyRecord& record) {
                          return restoreCopy(chart, record);
                      },
                      w_->StatusBar});
    features_.push_back(std::make_unique<TempoController>(parts(),
                                                          TempoParts{*playback, *sounds, dir,
                                                                     [this] {
                                                                         showHeader();
                                                                         ReDrawNote();
                                                                     }},
                                                          w_->mnEdit, this));
    waveform = std::make_unique<WaveformController>(doc, *view);
    waveform->attach(WaveformWindow{edits, *sounds, dir, w_->canvas.picMain, w_->mnView,
                                    w_->StatusBar, w_->playback.cmdOpenBGM,
                                    w_->playback.mnDecoder});
    auto recent = std::make_unique<RecentMenu>(
        w_->mnRecent, ui_, [this](const RecentChart& chart, bool* missing) {
            musicInfo->acceptPendingHeaderEdit();
            commands_.openRecent(chart.fn, chart.pakFn, missing);
        });
    recent_ = recent.get();
    features_.push_back(std::move(recent));
    features_.push_back(std::make_unique<SelectionController>(
        parts(), SelectionWidgets{w_->canvas.picMain,
                                  {w_->picScale, w_->keyBox.picKey, waveform->strip()},
                                  w_->batch,
                                  w_->mnEdit}));
    features_.push_back(std::make_unique<ChecksPanel>(
        parts(),
        ChecksWidgets{this, w_->mnView, w_->StatusBar, {w_->canvas.picMain, w_->picScale}}));
}

void fmMain::chartNamed() {
    recent_->remember(state);
}

void fmMain::chartSaved() {
    for (const auto& feature : features_)
        if (auto* f = dynamic_cast<WindowFeature*>(feature.get())) f->chartSaved();
}

WindowParts fmMain::parts() {
    return WindowParts{doc, edits, ui_, *view};
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
        if (index >= 0 && index < static_cast<int>(w_->playback.mnDecoder.size()))
            w_->playback.mnDecoder[index]->setEnabled(false);
    });
    if (!engines) return false;

    state.Closing = false;
    setModified(false);
    // Each list's handler runs once, also when the item was already chosen.
    const std::tuple<QComboBox*, int, void (ChartView::*)()> listDefaults[] = {
        {w_->cbNormalize, 0, &ChartView::cbNormalize_Click},
        {w_->cbVScroll, 9, &ChartView::cbVScroll_Click},
        {w_->cbAltStep, 0, &ChartView::cbAltStep_Click},
        {w_->cbKeyStep, 3, &ChartView::cbKeyStep_Click}};
    for (const auto& [list, index, handler] : listDefaults) {
        const QSignalBlocker quiet(list);
        list->setCurrentIndex(index);
        (view.get()->*handler)();
    }

    startNewChart(doc);
    view->InitArea();
    showHeader();
    state.ChartDir = app.AppDir;
    view->setScrollTop();
    ReDrawNote();
    return true;
}

// A restored copy takes the place of the chart the command line names.
void fmMain::openCommandLine() {
    if (recovery->offerOrphans()) return;
    guarded(ui_, [this] { commands_.openCommandLine(app.Args); });
}

bool fmMain::Form_QueryUnload() {
    musicInfo->acceptPendingHeaderEdit();
    bool goOn = false;
    guarded(ui_, [this, &goOn] { goOn = commands_.askSaveChanges(); });
    return goOn;
}

void fmMain::Form_Unload() {
    state.Closing = true;
    skipOnError([this] { playing->StopPlay(); });
    skipOnError([this] { players.releaseAll(); });
    recovery->windowClosed();
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
    musicInfo->acceptPendingHeaderEdit();
    commands_.open(index);
}

void fmMain::mnSave_Click() {
    commands_.save();
}

void fmMain::mnSaveInPlace_Click() {
    commands_.saveInPlace();
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
    musicInfo->acceptPendingHeaderEdit();
    guarded(ui_, [this, &fn] { commands_.openDropped(fn); });
}

// ---- after a chart was opened -----------------------------------------------------

void fmMain::storeHeader() {
    musicInfo->storeHeader(doc.Header);
}

void fmMain::showHeader() {
    musicInfo->showHeader(doc.Header);
}

// Each step is on its own: one that fails is skipped and the rest still run.
void fmMain::afterOpen() {
    edits.replaced();
    view->InitArea();
    skipOnError([this] { playing->StopPlay(); });
    skipOnError([this] { playing->cmdCloseBGM_Click(); });
    skipOnError([this] { playing->cmdCloseKey_Click(); });
    skipOnError([this] { keyList->fillKeyList(); });
    skipOnError([this] {
        view->setScrollTop();
        view->showMusicStart();
    });
    ReDrawNote();  // also when the scroll bar did not move
}

CopyRecord fmMain::describeChart() const {
    CopyRecord r;
    r.chartName = doc.Header.Name;
    r.chartFile = state.ChartFile;
    r.chartPak = state.ChartPak;
    r.chartDir = state.ChartDir;
    r.decoder = sounds->decoder();
    r.scroll = w_->canvas.vsb->value();
    return r;
}

// The copy opens as a chart with unsaved changes that keeps its file's name,
// so the next save offers (and asks before overwriting) that file.
bool fmMain::restoreCopy(const QByteArray& chart, const CopyRecord& record) {
    if (loadChartBytes(doc, chart, 0) != 1) return false;
    showHeader();
    state.ChartFile = record.chartFile;
    state.ChartPak = record.chartPak;
    if (!record.chartDir.isEmpty()) state.ChartDir = record.chartDir;
    if (record.chartPak.isEmpty()) state.CurrentFile = record.chartFile;
    state.AskBeforeOwnFile = true;
    afterOpen();
    history.markUnsaved();
    setModified(true);
    w_->canvas.vsb->setValue(record.scroll);
    return true;
}

// An undo back to the state last saved or loaded is not a change to save.
void fmMain::chartChanged(const ChartChange&) {
    setModified(!history.atSaved());
}

QString fmMain::musicDir() const {
    return JoinPath(state.ChartDir, musicInfo->musicPath());
}

void fmMain::ReDrawNote() {
    view->ReDrawNote();
}

// ---- the window's own controls ---------------------------------------------------

void fmMain::connectControls() {
    const auto on = [this](QAction* item, std::function<void()> handler) {
        wire(this, ui_, item, &QAction::triggered, std::move(handler));
    };
    on(w_->mnNew, [this] { mnNew_Click(); });
    for (int i = 0; i < 2; ++i) on(w_->mnOpen[i], [this, i] { mnOpen_Click(i); });
    on(w_->mnSave, [this] { mnSave_Click(); });
    on(w_->mnSaveInPlace, [this] { mnSaveInPlace_Click(); });
    on(w_->mnExit, [this] { mnExit_Click(); });
    on(w_->mnUndo, [this] { mnUndo_Click(); });
    on(w_->mnRedo, [this] { mnRedo_Click(); });
    for (int i = 0; i < 2; ++i) on(w_->mnPlayGame[i], [this, i] { mnPlayGame_Click(i); });
    on(w_->mnHelpInstruction, [this] { mnHelpInstruction_Click(); });
    on(w_->mnAbout, [this] { mnAbout_Click(); });
    history.onChange = [this] { refreshUndoMenu(); };
    refreshUndoMenu();
    // The view's own controls run its handlers, guarded like the rest.
    ChartView* v = view.get();
    on(w_->mnShowGrid, [v] { v->mnShowGrid_Click(); });
    on(w_->mnShowPlayLine, [v] { v->mnShowPlayLine_Click(); });
    on(w_->mnShowTrans, [v] { v->mnShowTrans_Click(); });
    wire(this, ui_, w_->canvas.vsb, &QScrollBar::valueChanged, [v] { v->vsb_Change(); });
    const std::pair<QComboBox*, void (ChartView::*)()> lists[] = {
        {w_->cbAltStep, &ChartView::cbAltStep_Click},
        {w_->cbKeyStep, &ChartView::cbKeyStep_Click},
        {w_->cbNormalize, &ChartView::cbNormalize_Click},
        {w_->cbVScroll, &ChartView::cbVScroll_Click}};
    for (const auto& [list, handler] : lists)
        wire(this, ui_, list, &QComboBox::currentIndexChanged, [v, h = handler] { (v->*h)(); });
}

}  // namespace lumidex
