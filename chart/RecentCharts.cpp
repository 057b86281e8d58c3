#include "RecentCharts.h"

#include <QSettings>
#include <QStringList>

namespace lumidex {
namespace {

const QString kKey = QStringLiteral("recent/charts");
const QChar kSeparator = QLatin1Char('\n');  // between archive and entry; no path holds one

}  // namespace

QString RecentChart::caption() const {
    return pakFn.isEmpty() ? fn : pakFn + QStringLiteral(": ") + fn;
}

QList<RecentChart> RecentCharts::list() const {
    QList<RecentChart> charts;
    if (!settings_) return charts;
    for (const QString& item : settings_->value(kKey).toStringList()) {
        const qsizetype cut = item.indexOf(kSeparator);
        charts.append(cut < 0 ? RecentChart{item, QString()}
                              : RecentChart{item.mid(cut + 1), item.left(cut)});
        if (charts.size() == kMax) break;
    }
    return charts;
}

void RecentCharts::add(const RecentChart& chart) {
    QList<RecentChart> charts = list();
    charts.removeAll(chart);
    charts.prepend(chart);
    store(charts.mid(0, kMax));
}

void RecentCharts::remove(const RecentChart& chart) {
    QList<RecentChart> charts = list();
    charts.removeAll(chart);
    store(charts);
}

void RecentCharts::store(const QList<RecentChart>& charts) {
    if (!settings_) return;
    QStringList items;
    for (const RecentChart& c : charts)
        items.append(c.pakFn.isEmpty() ? c.fn : c.pakFn + kSeparator + c.fn);
    settings_->setValue(kKey, items);
}

}  // namespace lumidex
