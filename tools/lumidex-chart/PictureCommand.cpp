// lumidex-chart picture: the canvas with the waveform and the notes, as the
// editor draws them, written to a PNG file.

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "ChartFile.h"
#include "Command.h"
#include "FileIO.h"
#include "NotePictures.h"
#include "NoteRenderer.h"
#include "SoundBank.h"
#include "WaveformCache.h"
#include "WaveformJob.h"
#include "WaveformPainter.h"

namespace lumidex::cli {

namespace {

int runPicture(const QStringList& args);

}  // namespace

extern const Command kPictureCommand = {
    "picture",
    "picture CHART OUT.png [--from COORD] [--to COORD] [--height PX] [--decoder bass|miles|dshow] "
    "[--gain G] [--grid] [--pak PAKFILE]",
    "Draw the canvas of CHART with its waveform and notes into OUT.png.",
    R"(Usage: lumidex-chart picture CHART OUT.png [--from COORD] [--to COORD] [--height PX]
                              [--decoder bass|miles|dshow] [--gain G] [--grid]
                              [--pak PAKFILE]

Loads CHART and draws coords COORD to COORD as the editor's view does: the
scale strip, the canvas with the notes, the music's waveform in chart time
and the key strip, time running upward. The music is analysed through the
chosen decoder (as the editor's waveform is, and with the same cache); when
it cannot be found or decoded, the picture has no waveform and the reason
is printed. With --height the section is cut into columns of that many
pixel rows, placed side by side from left to right.

Options:
  --from COORD    the lowest coord drawn (default 0)
  --to COORD      the highest coord drawn (default the chart's length)
  --height PX     rows a column, 120 to 16000 (default: one column)
  --decoder NAME  bass, miles or dshow (default bass)
  --gain G        the waveform's gain for quiet music, 1 to 16 (default 1)
  --grid          grid tiles behind the notes ("Show &Grid")
  --pak PAKFILE   CHART is the name of an entry of the PAK archive PAKFILE
  -h, --help      show this help

Exit status: 0 when OUT.png was written (with or without a waveform); 1 when
the chart could not be loaded or the picture not written; 2 for bad
arguments.
)",
    runPicture,
};

namespace {

constexpr int kMargin = 14;  // rows above the highest and below the lowest coord
constexpr int kColumnGap = 8;
constexpr int kMaxRows = 16000;
constexpr int kMinRows = 120;
constexpr int kGap = 2;  // between the strips of a column

struct PictureOptions {
    int from = 0;
    int to = -1;
    int height = 0;
    int decoder = kDecoderBass;
    float gain = 1;
    bool grid = false;
};

bool readCoord(const QCommandLineParser& parser, const char* name, int* value, QString* error) {
    if (!parser.isSet(QLatin1String(name))) return true;
    bool ok = false;
    *value = parser.value(QLatin1String(name)).toInt(&ok);
    if (ok && *value >= 0 && *value <= kMaxCoord) return true;
    *error =
        QStringLiteral("--%1 must be a coord from 0 to %2").arg(QLatin1String(name)).arg(kMaxCoord);
    return false;
}

bool readPictureOptions(const QCommandLineParser& parser, PictureOptions* o, QString* error) {
    if (!readCoord(parser, "from", &o->from, error) || !readCoord(parser, "to", &o->to, error))
        return false;
    bool ok = true;
    if (parser.isSet(QStringLiteral("height"))) {
        o->height = parser.value(QStringLiteral("height")).toInt(&ok);
        if (!ok || o->height < kMinRows || o->height > kMaxRows) {
            *error = QStringLiteral("--height must be from %1 to %2").arg(kMinRows).arg(kMaxRows);
            return false;
        }
    }
    const QString decoder = parser.value(QStringLiteral("decoder"));
    const QStringList names = {QStringLiteral("bass"), QStringLiteral("miles"),
                               QStringLiteral("dshow")};
    o->decoder = int(names.indexOf(decoder));
    if (o->decoder < 0) {
        *error = QStringLiteral("--decoder must be bass, miles or dshow");
        return false;
    }
    o->gain = parser.value(QStringLiteral("gain")).toFloat(&ok);
    if (!ok || o->gain < 1 || o->gain > 16) {
        *error = QStringLiteral("--gain must be from 1 to 16");
        return false;
    }
    o->grid = parser.isSet(QStringLiteral("grid"));
    return true;
}

// Fonts and painting need a GUI application; without a display it draws
// off screen.
std::unique_ptr<QGuiApplication> guiApplication() {
    if (QGuiApplication::instance()) return nullptr;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "lumidex-chart";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

QFont stripFont() {
    QFont font;
    font.setFamilies(
        {QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans Narrow")});
    font.setPixelSize(11);
    return font;
}

// One column: coords [low, high] with high on row kMargin.
struct Column {
    int low = 0;
    int high = 0;
    double viewBase = 0;
    int rows = 0;
};

std::vector<Column> layColumns(const PictureOptions& o, int to) {
    const int rows =
        o.height > 0
            ? o.height
            : std::min(kMaxRows, int(std::ceil((to - o.from) * kRowsPerCoord)) + 2 * kMargin);
    const int perColumn = std::max(1, int((rows - 2 * kMargin) / kRowsPerCoord));
    std::vector<Column> columns;
    for (int low = o.from; low <= to; low += perColumn + 1) {
        Column c;
        c.low = low;
        c.high = std::min(to, low + perColumn);
        c.viewBase = c.high - (kBaselineRow - kMargin) / kRowsPerCoord;
        c.rows = rows;
        columns.push_back(c);
    }
    return columns;
}

void drawColumn(QPainter& out, int x, const Column& column, const ChartDocument& doc,
                const NoteRenderer& notes, const waveform::PeakTable* table,
                const PictureOptions& o) {
    QImage canvas(kCanvasWidth, column.rows, QImage::Format_RGB32);
    QImage scale(kScaleWidth, column.rows, QImage::Format_RGB32);
    QImage key(kKeyWidth, column.rows, QImage::Format_RGB32);
    QImage wave(waveform::kStripWidth, column.rows, QImage::Format_RGB32);
    notes.render(column.viewBase, canvas, scale, key);
    waveform::paintStrip(wave, doc, table, {column.viewBase, o.decoder, o.gain, std::nullopt});
    for (const QImage* strip : {&scale, &canvas, &wave, &key}) {
        out.drawImage(x, 0, *strip);
        x += strip->width() + kGap;
    }
}

// The music's table through the cache, or null with the reason printed.
std::shared_ptr<const waveform::PeakTable> analyseMusic(const ChartDocument& doc,
                                                        const QString& chartDir, int decoder) {
    waveform::WaveformJob job({JoinPath(chartDir, doc.Header.MusicPath), doc.keySound(0).Snd,
                               decoder, waveform::WaveformCache::defaultFolder()});
    job.wait();
    printOut(job.result().message + QLatin1Char('\n'));
    return job.result().analysis.table;
}

int drawPicture(const QString& out, const ChartDocument& doc, const QString& chartDir,
                const PictureOptions& o) {
    const int to = o.to >= 0 ? o.to : std::max(doc.LastCoord, o.from);
    if (to < o.from)
        return usageError(QStringLiteral("picture"), QStringLiteral("--to is below --from"));
    const std::vector<Column> columns = layColumns(o, to);
    const auto table = analyseMusic(doc, chartDir, o.decoder);
    const NotePictures pictures;
    NoteRenderer notes(doc, pictures);
    DrawSwitches switches;
    switches.grid = o.grid;
    notes.setSwitches(switches);
    notes.setScaleStyle(StripStyle{stripFont(), Qt::white, Qt::black});
    notes.setKeyStyle(StripStyle{stripFont(), Qt::white, Qt::black});
    const int columnWidth =
        kScaleWidth + kCanvasWidth + waveform::kStripWidth + kKeyWidth + 3 * kGap;
    QImage picture(int(columns.size()) * (columnWidth + kColumnGap) - kColumnGap, columns[0].rows,
                   QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    for (size_t i = 0; i < columns.size(); ++i)
        drawColumn(painter, int(i) * (columnWidth + kColumnGap), columns[i], doc, notes,
                   table.get(), o);
    painter.end();
    if (!picture.save(out, "PNG")) {
        printErr(QStringLiteral("lumidex-chart: cannot write %1\n").arg(out));
        return kExitFailed;
    }
    printOut(QStringLiteral("Coords %1 to %2 in %3 column(s) of %4 rows\n")
                 .arg(o.from)
                 .arg(to)
                 .arg(columns.size())
                 .arg(columns[0].rows));
    return kExitOk;
}

int runPicture(const QStringList& args) {
    QCommandLineParser parser;
    parser.addOption(
        {QStringLiteral("from"), QStringLiteral("The lowest coord."), QStringLiteral("COORD")});
    parser.addOption(
        {QStringLiteral("to"), QStringLiteral("The highest coord."), QStringLiteral("COORD")});
    parser.addOption(
        {QStringLiteral("height"), QStringLiteral("Rows a column."), QStringLiteral("PX")});
    parser.addOption({QStringLiteral("decoder"), QStringLiteral("bass, miles or dshow."),
                      QStringLiteral("NAME"), QStringLiteral("bass")});
    parser.addOption({QStringLiteral("gain"), QStringLiteral("The waveform's gain."),
                      QStringLiteral("G"), QStringLiteral("1")});
    parser.addOption({QStringLiteral("grid"), QStringLiteral("Grid tiles behind the notes.")});
    parser.addOption({QStringLiteral("pak"), QStringLiteral("Read CHART from this PAK archive."),
                      QStringLiteral("PAKFILE")});
    int exitCode = kExitOk;
    if (!parseArguments(parser, kPictureCommand, args, 2, &exitCode)) return exitCode;
    PictureOptions options;
    QString error;
    if (!readPictureOptions(parser, &options, &error))
        return usageError(QStringLiteral("picture"), error);

    const auto application = guiApplication();
    const BassPluginsLoaded plugins;
    ScriptedDialogs ui;
    printMessages(ui);
    ChartDocument doc;
    QString chartDir;
    const QStringList positional = parser.positionalArguments();
    if (LoadFile(doc, positional.at(0), 0, parser.value(QStringLiteral("pak")), ui, &chartDir) == 0)
        return kExitFailed;
    return drawPicture(positional.at(1), doc, chartDir, options);
}

}  // namespace

}  // namespace lumidex::cli
