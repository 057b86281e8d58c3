// The window as the desktop shows it: the title and the status bar naming the
// chart and its unsaved changes, and the size and position kept between runs.

#include <QFileInfo>
#include <QLabel>
#include <QSettings>

#include "RecentMenu.h"
#include "RecoveryController.h"
#include "WaveformController.h"
#include "WindowFeature.h"
#include "WindowWidgets.h"
#include "fmMain.h"

namespace lumidex {
namespace {

const QString kPlacementKey = QStringLiteral("window/geometry");

// The chart as "song.xml" or, read from an archive, "charts.pak: songs/abc.xml";
// with the paths as they were given when `full`. Empty before any chart was
// opened or saved.
QString chartName(const WindowState& state, bool full) {
    const auto shown = [full](const QString& fn) { return full ? fn : QFileInfo(fn).fileName(); };
    if (state.ChartFile.isEmpty()) return QString();
    if (state.ChartPak.isEmpty()) return shown(state.ChartFile);
    return shown(state.ChartPak) + QStringLiteral(": ") + state.ChartFile;
}

}  // namespace

// Unmodified means the chart is the one in its file: the history marks it.
void fmMain::setModified(bool modified) {
    if (!modified) {
        history.markSaved();
        if (recovery) recovery->chartSaved();
    }
    state.Modified = modified ? 1 : 0;
    refreshTitle();
}

void fmMain::refreshTitle() {
    QString name = chartName(state, false);
    // "[*]" in a title is Qt's marker for the modified flag; a literal one in a
    // file name is written twice.
    name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(name.isEmpty()
                       ? kAppTitle + QStringLiteral("[*]")
                       : kAppTitle + QStringLiteral(" - ") + name + QStringLiteral("[*]"));
    setWindowModified(state.Modified != 0);

    QString status = chartName(state, true);
    if (state.Modified != 0)
        status += status.isEmpty() ? QStringLiteral("Unsaved changes")
                                   : QStringLiteral(" (unsaved changes)");
    w_->lbStatusFile->setText(status);
}

void fmMain::showStatus(const QString& text) {
    w_->lbStatusNote->setText(text);
}

void fmMain::rememberPlacement(QSettings* settings) {
    placement_ = settings;
    waveform->useSettings(settings);
    recent_->useSettings(settings);
    for (const auto& feature : features_)
        if (auto* f = dynamic_cast<WindowFeature*>(feature.get())) f->useSettings(settings);
    if (placement_) restoreGeometry(placement_->value(kPlacementKey).toByteArray());
}

void fmMain::storePlacement() {
    if (placement_) placement_->setValue(kPlacementKey, saveGeometry());
}

}  // namespace lumidex
