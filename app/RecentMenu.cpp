#include "RecentMenu.h"

#include <QAction>
#include <QMenu>

#include "Wiring.h"

namespace lumidex {

// The items are made once and only relabelled, so that choosing one may
// change the list while its own signal is running.
RecentMenu::RecentMenu(QMenu* menu, Dialogs& ui, Open open) : menu_(menu), open_(std::move(open)) {
    for (int i = 0; i < RecentCharts::kMax; ++i) {
        items_[i] = menu_->addAction(QString());
        items_[i]->setObjectName(QStringLiteral("mnRecentChart"));
        items_[i]->setProperty("index", i);
        wire(this, ui, items_[i], &QAction::triggered, [this, i] { choose(i); });
    }
    refresh();
}

void RecentMenu::useSettings(QSettings* settings) {
    charts_ = RecentCharts(settings);
    refresh();
}

void RecentMenu::remember(const WindowState& state) {
    if (state.ChartFile.isEmpty()) return;
    charts_.add({state.ChartFile, state.ChartPak});
    refresh();
}

void RecentMenu::choose(int index) {
    if (index >= shown_.size()) return;
    const RecentChart chart = shown_[index];
    bool missing = false;
    open_(chart, &missing);
    if (!missing) return;
    charts_.remove(chart);
    refresh();
}

void RecentMenu::refresh() {
    shown_ = charts_.list();
    for (int i = 0; i < RecentCharts::kMax; ++i) {
        const bool used = i < shown_.size();
        items_[i]->setVisible(used);
        if (used) {
            QString caption = shown_[i].caption();
            caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
            items_[i]->setText(QStringLiteral("&%1 %2").arg((i + 1) % 10).arg(caption));
        }
    }
    menu_->setEnabled(!shown_.isEmpty());
}

}  // namespace lumidex
