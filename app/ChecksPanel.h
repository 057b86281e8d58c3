#pragma once
// The "Checks" panel: a dock listing what the chart checks find
// (FindingList, the lines of lumidex-chart check), View > "Checks" showing
// and hiding it (remembered in the settings), and the count of findings in
// the status bar. The list follows every edit step, undo, redo and open:
// the check runs once when the window thread is next idle, however many
// steps came before it. A click on a finding scrolls the canvas to its coord
// and marks it there. After a save the status bar says how many findings
// the saved chart has.

#include <QObject>

#include <memory>
#include <optional>

#include "ChartEdit.h"
#include "FindingList.h"
#include "WindowFeature.h"
#include "WindowParts.h"

class QAction;
class QDockWidget;
class QListView;
class QMainWindow;
class QMenu;
class QModelIndex;
class QStatusBar;
class QTimer;
class QToolButton;

namespace lumidex {

class FindingsModel;
class RowBands;

struct ChecksWidgets {
    QMainWindow* window = nullptr;  // gets the dock
    QMenu* mnView = nullptr;
    QStatusBar* statusBar = nullptr;
    std::vector<QWidget*> marked;  // where a finding's coord is marked (the canvas, the scale)
};

class ChecksPanel : public QObject, public WindowFeature, private ChartEditListener {
  public:
    ChecksPanel(const WindowParts& parts, const ChecksWidgets& w);
    ~ChecksPanel() override;

    void useSettings(QSettings* settings) override;
    void chartSaved() override;

    // Checks the chart now if an edit is waiting for it.
    void refreshNow();
    const FindingList& findings() const { return list_; }
    // The finding in row of the list: scrolls to its coord and marks it.
    void lsChecks_Click(int row);

  private:
    void chartChanged(const ChartChange&) override;
    void chartReplaced() override;
    void showMark();
    void makeRoom(bool shown);

    WindowParts parts_;
    ChecksWidgets w_;
    FindingList list_;
    std::unique_ptr<FindingsModel> model_;
    QDockWidget* dock_ = nullptr;
    QListView* lsChecks_ = nullptr;
    QToolButton* lbChecks_ = nullptr;
    QTimer* pending_ = nullptr;
    QSettings* settings_ = nullptr;
    std::vector<RowBands*> bands_;
    std::optional<int> marked_;
    std::optional<int> leastHeight_;  // the window's least height without the panel
};

}  // namespace lumidex
