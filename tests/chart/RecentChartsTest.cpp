// The recent charts list: newest first, each chart once, at most ten,
// archive entries kept apart from loose files, kept in the settings.

#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

#include "RecentCharts.h"

using namespace lumidex;

TEST(RecentCharts, NewestFirstOnceEachAtMostTenAndKeptInTheSettings) {
    QTemporaryDir dir;
    const QString conf = dir.filePath("recent.conf");
    const RecentChart song{"/c/song.xml", ""}, entry{"song.xml", "/c/charts.pak"};
    {
        QSettings settings(conf, QSettings::IniFormat);
        RecentCharts recent(&settings);
        for (int i = 0; i < 12; ++i) recent.add({QStringLiteral("/c/%1.xml").arg(i), ""});
        recent.add(song);
        recent.add(entry);
        recent.add(song);  // again: moves to the front
        recent.remove({"/c/11.xml", ""});
    }
    QSettings settings(conf, QSettings::IniFormat);
    const QList<RecentChart> list = RecentCharts(&settings).list();
    QStringList captions;
    for (const RecentChart& c : list) captions << c.caption();
    EXPECT_EQ(captions.join('|'),
              "/c/song.xml|/c/charts.pak: song.xml|/c/10.xml|/c/9.xml|"
              "/c/8.xml|/c/7.xml|/c/6.xml|/c/5.xml|/c/4.xml");
    EXPECT_EQ(list[1], entry);
    EXPECT_EQ(list[1].file(), "/c/charts.pak");
    EXPECT_TRUE(RecentCharts(nullptr).list().isEmpty());
}
