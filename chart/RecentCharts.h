#pragma once
// The charts last opened or saved, newest first, kept in the settings under
// "recent/charts" so that they survive a restart. A chart is a loose file or
// an entry of a PAK archive; the same chart appears once.

#include <QList>
#include <QString>

class QSettings;

namespace lumidex {

struct RecentChart {
    QString fn;     // chart path, or entry name inside pakFn
    QString pakFn;  // archive path; empty for a loose file

    bool operator==(const RecentChart& o) const { return fn == o.fn && pakFn == o.pakFn; }
    // "song.xml" as given, or "charts.pak: songs/abc.xml".
    QString caption() const;
    // The file that must exist to open it: the chart or its archive.
    QString file() const { return pakFn.isEmpty() ? fn : pakFn; }
};

class RecentCharts {
  public:
    static constexpr int kMax = 10;

    // settings may be null (nothing is kept) and must outlive this.
    explicit RecentCharts(QSettings* settings) : settings_(settings) {}

    QList<RecentChart> list() const;
    // Puts chart first, dropping an older entry of it and any beyond kMax.
    void add(const RecentChart& chart);
    void remove(const RecentChart& chart);

  private:
    void store(const QList<RecentChart>& charts);

    QSettings* settings_;
};

}  // namespace lumidex
