#include "ChecksPanel.h"

#include <QAbstractListModel>
#include <QAction>
#include <QDockWidget>
#include <QListView>
#include <QMainWindow>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

#include "ChartView.h"
#include "RowBands.h"
#include "Wiring.h"

namespace lumidex {
namespace {

const QString kShownKey = QStringLiteral("checks/shown");
constexpr int kListRows = 6;  // the panel's height in findings
const QColor kMarkFill(255, 150, 0, 60);
const QColor kMarkEdge(255, 170, 0);

}  // namespace

// The findings as the list shows them: one line each, as the command prints.
class FindingsModel : public QAbstractListModel {
  public:
    explicit FindingsModel(const FindingList& list) : list_(list) {}
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : list_.count();
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= list_.count()) return {};
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
        return list_.findings()[size_t(index.row())].line();
    }
    // The list changed as a whole.
    void reset() {
        beginResetModel();
        endResetModel();
    }

  private:
    const FindingList& list_;
};

ChecksPanel::ChecksPanel(const WindowParts& parts, const ChecksWidgets& w)
    : parts_(parts), w_(w), model_(std::make_unique<FindingsModel>(list_)) {
    dock_ = new QDockWidget(QStringLiteral("Checks"), w_.window);
    dock_->setObjectName(QStringLiteral("dkChecks"));
    lsChecks_ = new QListView(dock_);
    lsChecks_->setObjectName(QStringLiteral("lsChecks"));
    lsChecks_->setUniformItemSizes(true);  // thousands of findings lay out at once
    lsChecks_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lsChecks_->setModel(model_.get());
    lsChecks_->setMinimumHeight(lsChecks_->fontMetrics().height() * kListRows);
    dock_->setWidget(lsChecks_);
    w_.window->addDockWidget(Qt::BottomDockWidgetArea, dock_);
    dock_->hide();
    QAction* shown = dock_->toggleViewAction();
    shown->setObjectName(QStringLiteral("mnShowChecks"));
    w_.mnView->addAction(shown);
    connect(shown, &QAction::toggled, this, [this](bool on) {
        if (settings_) settings_->setValue(kShownKey, on);
        makeRoom(on);
    });

    lbChecks_ = new QToolButton;
    lbChecks_->setObjectName(QStringLiteral("lbChecks"));
    lbChecks_->setAutoRaise(true);
    lbChecks_->setToolTip(QStringLiteral("Show the \"Checks\" panel"));
    w_.statusBar->addPermanentWidget(lbChecks_);
    connect(lbChecks_, &QToolButton::clicked, this, [this] {
        dock_->show();
        dock_->raise();
    });

    for (QWidget* surface : w_.marked) bands_.push_back(new RowBands(surface));
    parts_.view.addRepaintListener([this] { showMark(); });
    wire(this, parts_.ui, lsChecks_, &QListView::clicked,
         [this] { lsChecks_Click(lsChecks_->currentIndex().row()); });
    wire(this, parts_.ui, lsChecks_, &QListView::activated,
         [this] { lsChecks_Click(lsChecks_->currentIndex().row()); });

    pending_ = new QTimer(this);
    pending_->setSingleShot(true);
    pending_->setInterval(0);
    connect(pending_, &QTimer::timeout, this, [this] { refreshNow(); });
    parts_.edits.addListener(this);
    pending_->start();
}

ChecksPanel::~ChecksPanel() {
    parts_.edits.removeListener(this);
}

// The window grows by the panel (and shrinks back), so the canvas and the
// Workspace keep their size; a maximised window gives the panel its room.
void ChecksPanel::makeRoom(bool shown) {
    QMainWindow* window = w_.window;
    if (!leastHeight_) leastHeight_ = window->minimumHeight();
    const int panel = dock_->minimumSizeHint().height();
    window->setMinimumHeight(*leastHeight_ + (shown ? panel : 0));
    if (!shown || dock_->isFloating() || window->isMaximized() || window->isFullScreen()) return;
    window->resizeDocks({dock_}, {panel}, Qt::Vertical);
    if (window->height() < window->minimumHeight())
        window->resize(window->width(), window->minimumHeight());
}

void ChecksPanel::useSettings(QSettings* settings) {
    settings_ = settings;
    if (settings_) dock_->setVisible(settings_->value(kShownKey, false).toBool());
}

void ChecksPanel::chartChanged(const ChartChange& change) {
    if (FindingList::mayChange(change)) pending_->start();
}

void ChecksPanel::chartReplaced() {
    marked_.reset();
    pending_->start();
}

void ChecksPanel::refreshNow() {
    pending_->stop();
    if (list_.refresh(parts_.doc)) {
        model_->reset();
        const auto& found = list_.findings();
        if (marked_ && std::none_of(found.begin(), found.end(), [this](const ChartFinding& f) {
                return FindingList::coordOf(f) == marked_;
            }))
            marked_.reset();
        showMark();
    }
    lbChecks_->setText(list_.countText());
}

void ChecksPanel::chartSaved() {
    refreshNow();
    lbChecks_->setText(list_.savedText());
}

void ChecksPanel::lsChecks_Click(int row) {
    if (row < 0 || row >= list_.count()) return;
    const std::optional<int> coord = FindingList::coordOf(list_.findings()[size_t(row)]);
    if (!coord) return;
    marked_ = coord;
    parts_.view.scrollTo(*coord, true);
    showMark();
}

// The marked coord's note rows, with a row to spare either side.
void ChecksPanel::showMark() {
    std::vector<RowBand> bands;
    if (marked_) {
        const int row = parts_.view.CoordToHeight(*marked_);
        bands.push_back({row - kNoteRowOffset - 1, row + kNoteRowOffset + 1, kMarkFill, kMarkEdge});
    }
    for (RowBands* b : bands_) b->setBands(bands);
}

}  // namespace lumidex
