#pragma once
// "Open &Recent" in the File menu: the last ten charts opened or saved
// (RecentCharts), numbered, newest first. Choosing one opens it through the
// given function; a chart whose file is gone is dropped from the list. The
// list lives in the settings the window is given (useSettings); until then
// the menu is empty and disabled.

#include <QObject>

#include <array>
#include <functional>
#include <memory>

#include "Dialogs.h"
#include "DocumentCommands.h"
#include "RecentCharts.h"

class QAction;
class QMenu;
class QSettings;

namespace lumidex {

class RecentMenu : public QObject {
  public:
    // Opens a chart; sets *missing when its file is gone.
    using Open = std::function<void(const RecentChart& chart, bool* missing)>;

    RecentMenu(QMenu* menu, Dialogs& ui, Open open);

    void useSettings(QSettings* settings);
    // The chart state names was just opened or saved: it goes first.
    void remember(const WindowState& state);

  private:
    void choose(int index);
    void refresh();

    QMenu* menu_;
    Open open_;
    RecentCharts charts_{nullptr};
    QList<RecentChart> shown_;
    std::array<QAction*, RecentCharts::kMax> items_{};
};

}  // namespace lumidex
