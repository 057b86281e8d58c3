// The chart checks on charts made for each kind of finding, and the check
// command of lumidex-chart run as a process on a chart file, its sounds and
// the demo chart.

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "AudioTestSupport.h"
#include "ChartCheck.h"

namespace lumidex {
namespace {

struct Note {
    int coord;
    uint8_t kind;
    int16_t key;
};

// "code place number" of each finding, one a line.
std::string summary(const std::vector<ChartFinding>& findings) {
    QStringList out;
    for (const ChartFinding& f : findings) out << f.line().section(QLatin1Char(':'), 0, 0);
    return out.join(QLatin1Char('\n')).toStdString();
}
std::string joined(const QStringList& lines) {
    return lines.join(QLatin1Char('\n')).toStdString();
}

ChartDocument chartWith(const std::vector<Note>& notes, int keys, int lastCoord) {
    ChartDocument doc;
    doc.KeyCount = keys;
    for (int k = 1; k <= keys; ++k) doc.keySound(k).Snd = QStringLiteral("k%1.wav").arg(k);
    for (const Note& n : notes) doc.setNote(n.coord, n.kind, n.key);
    doc.LastCoord = lastCoord;
    return doc;
}

TEST(ChartCheck, FindsEachMistake) {
    struct Case {
        const char* name;
        std::vector<Note> notes;
        int keys;
        QStringList found;
        int lastCoord = kMaxCoord;
    };
    const Case cases[] = {
        {"clean", {{0, 20, 1}, {12, 24, 2}, {60, 16, 1}, {72, 128, 2}, {96, 130, 0}}, 2, {}},
        {"key past the list and negative; erased and long-end indices ignored",
         {{0, 16, 1}, {12, 16, 3}, {24, 16, -2}, {36, 0, 9}, {48, 128, 1}, {72, 130, 7}},
         2,
         {"key-past-list coord 12", "key-past-list coord 24", "key-unused key 2"}},
        {"unused keys", {{0, 5, 2}}, 3, {"key-unused key 1", "key-unused key 3"}},
        {"long notes",
         {{0, 130, 0}, {24, 128, 1}, {48, 131, 1}, {60, 133, 0}, {72, 136, 0}, {96, 143, 1}},
         1,
         {"long-end-alone coord 0", "long-head-open coord 24", "long-end-alone coord 72",
          "long-head-open coord 96"}},
        {"notes past the length",
         {{0, 16, 1}, {121, 0, 1}, {150, 5, 1}, {30000, 16, 1}},
         1,
         {"note-past-length coord 150", "note-past-length coord 30000"},
         120},
        {"gaps",
         {{0, 22, 1},
          {11, 16, 1},
          {23, 23, 1},
          {29, 5, 1},
          {35, 24, 1},
          {82, 16, 1},
          {100, 24, 1},
          {148, 21, 1},
          {160, 16, 1}},
         1,
         {"diagonal-gap coord 0", "tower-gap coord 35"}},  // the auto-play row does not count
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(summary(checkChart(chartWith(c.notes, c.keys, c.lastCoord))), joined(c.found));
    }
}

// ---- the command ----------------------------------------------------------------

struct ToolRun {
    int exitCode;
    QStringList lines;
};

ToolRun check(const QStringList& args) {
    QProcess tool;
    tool.start(QStringLiteral(LUMIDEX_CHART_TOOL), QStringList{"check"} + args);
    EXPECT_TRUE(tool.waitForFinished(60000));
    const QString out = QString::fromUtf8(tool.readAllStandardOutput());
    return {tool.exitCode(), out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)};
}

TEST(CheckCommand, ReportsAChartsFindingsAndItsSounds) {
    QTemporaryDir dir;
    // The note findings are the chart check's (above); here one of them and
    // the sounds: the music and key 2 missing, key 3 an OGG.
    const QByteArray chart =
        "<?xml version=\"1.0\" encoding=\"gb18030\"?>\r\n<TITLE Name=\"Check\">\r\n"
        "<BPM Frame=\"0\" BPM=\"150\"></BPM>\r\n<BGM Name=\"song.mp3\" Volume=\"1.00\"></BGM>\r\n"
        "<EFFECT Snd=\"kick.wav\" Volume=\"1.00\"></EFFECT>\r\n"
        "<EFFECT Snd=\"gone.wav\" Volume=\"1.00\"></EFFECT>\r\n"
        "<EFFECT Snd=\"tone.ogg\" Volume=\"1.00\"></EFFECT>\r\n"
        "<AREA Coord=\"0\" Kind=\"16\" Level=\"3\" FxSndIndex=\"1\"></AREA>\r\n"
        "<AREA Coord=\"12\" Kind=\"16\" Level=\"3\" FxSndIndex=\"9\"></AREA>\r\n"
        "<AREA Coord=\"24\" Kind=\"16\" Level=\"3\" FxSndIndex=\"2\"></AREA>\r\n"
        "<AREA Coord=\"36\" Kind=\"16\" Level=\"3\" FxSndIndex=\"3\"></AREA>\r\n</TITLE>\r\n";
    const QString fn = dir.filePath(QStringLiteral("check.xml"));
    ASSERT_TRUE(test::writeAll(fn, chart));
    ASSERT_TRUE(test::writeTone(dir.filePath(QStringLiteral("kick.wav")), 0.05));
    ASSERT_TRUE(test::writeAll(dir.filePath(QStringLiteral("tone.ogg")), test::ogg(2205)));

    const QStringList common = {"key-past-list coord 12", "sound-missing music",
                                "sound-missing key 2"};
    ToolRun run = check({fn, "--music-path", ""});
    EXPECT_EQ(run.exitCode, 1);
    QStringList places;
    for (const QString& line : run.lines) places << line.section(QLatin1Char(':'), 0, 0);
    EXPECT_EQ(joined(places), joined(common));

    // Miles opens MP3 and WAV only.
    run = check({fn, "--music-path", "", "--decoder", "miles"});
    EXPECT_EQ(run.exitCode, 1);
    ASSERT_EQ(run.lines.size(), common.size() + 1);
    EXPECT_TRUE(run.lines.back().startsWith("sound-unplayable key 3: miles does not open tone.ogg"))
        << run.lines.back().toStdString();
}

TEST(CheckCommand, DemoChartIsCleanAndBadArgumentsAreRefused) {
    const QString demo = QStringLiteral(LUMIDEX_SOURCE_DIR "/examples/demo/songs/demo/demo.xml");
    const ToolRun clean = check({demo});
    EXPECT_EQ(clean.exitCode, 0);
    EXPECT_TRUE(clean.lines.isEmpty()) << clean.lines.join('\n').toStdString();
    EXPECT_EQ(check({}).exitCode, 2);
    EXPECT_EQ(check({demo, "--decoder", "wave"}).exitCode, 2);
    EXPECT_EQ(check({demo, "extra"}).exitCode, 2);
    EXPECT_EQ(check({QStringLiteral("/no/such/chart.xml")}).exitCode, 1);
}

}  // namespace
}  // namespace lumidex
