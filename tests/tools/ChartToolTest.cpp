// lumidex-chart run as a separate process: resave, info and check, their
// failures and their arguments; render; picture; tempo. What the checks find
// is tested in the core (tests/chart/ChartCheckTest); check here reports one
// finding and the sounds. The sounds report in process, over a small folder
// with a loose file, a PAK entry and a missing file.

#include <gtest/gtest.h>

#include <sndfile.h>

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include "SongMaker.h"
#include "SoundsCommand.h"
#include "TempoAnalysis.h"
#include "chart/ChartFixtures.h"
#include "support/ChartText.h"
#include "support/ToolRun.h"
#include "waveform/WaveformFixtures.h"

namespace lumidex::test {
namespace {

struct ChartTool : ::testing::Test {
    QTemporaryDir dir;
    QString in = dir.filePath("in.xml"), out = dir.filePath("out.xml");
    void SetUp() override { test::writeAll(in, test::exampleBytes()); }
};

const QString kOpened = "File opened successfully, All Combo = 3\nFrames = 240\n";

// One command of the tool with its arguments.
ToolRun command(const char* name, const QStringList& args) {
    return runTool(QStringList{name} + args);
}
// The tool run by a shell script, which gets the tool's path as $0.
ToolRun shell(const QString& script, const QStringList& args) {
    return runTool(QStringList{"-c", script, LUMIDEX_CHART_TOOL} + args, {}, "/bin/sh");
}
std::string joined(const QStringList& lines) {
    return lines.join(QLatin1Char('\n')).toStdString();
}

TEST_F(ChartTool, ResavePrintsBothMessagesAndAsksBeforeOverwriting) {
    ToolRun r = runTool({"resave", in, out});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, kOpened + "File saved successfully, All Combo = 3\nFrames = 240\n");
    EXPECT_EQ(test::readAll(out), test::exampleBytes());

    test::writeAll(out, "keep");
    r = runTool({"resave", in, out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, kOpened + "File already exists, overwrite?\n");
    EXPECT_EQ(test::readAll(out), "keep");

    r = runTool({"resave", "--force", in, out, "--align", "4"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(test::readAll(out), test::exampleBytes());

    r = runTool({"resave", in, dir.path(), "--force"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, kOpened + "Error saving file, debug info:\ni=49\nThe path is a folder\n");
}

TEST_F(ChartTool, InfoDescribesTheChart) {
    const ToolRun r = runTool({"info", in, "--rounded"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.section('\n', 2),
              "Name: Song\nBPM: 150\nSpeed: 150\nMusic: song.mp3\nMusic volume: 1.00\n"
              "Delay: 10\nLong-note correction: 4\nLength: 48\nTempo changes: 1\n"
              "  coord 0: tempo 150, speed 150\nKey sounds: 1\n  1: kick.wav, volume 1.00\n");
}

TEST_F(ChartTool, OutputThatCannotBeWrittenAndWhatTheFileHoldsDifferently) {
    for (const char* command : {"info", "check"}) {
        const ToolRun r = shell(R"(exec "$0" "$1" "$2" > /dev/full)", {command, in});
        EXPECT_EQ(r.exitCode, 1) << command;
        EXPECT_TRUE(r.err.contains("standard output cannot be written"));
    }

    test::writeAll(in, test::chartText(test::area(-100, 20) + test::area(12, 7)));
    const ToolRun r = command("check", {in});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(
        r.out.startsWith("file-repaired file: 1 note lies outside coords 0 to 30000: not stored.\n"
                         "file-repaired file: 1 note has a kind without a picture"))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("kind-unused coord 12: a note of kind 7"));
}

TEST_F(ChartTool, FailuresAndBadArguments) {
    // The loader's own reasons are printed (their wording is the loader's).
    ToolRun r = runTool({"info", "song.xml", "--pak", dir.filePath("none.pak")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.contains("the archive was not found")) << r.out.toStdString();
    const QString picture = dir.filePath("picture.png");
    test::writeAll(picture, "\x89PNG\r\n\x1a\n");
    r = runTool({"resave", picture, out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.startsWith("Cannot open chart file \"")) << r.out.toStdString();
    EXPECT_FALSE(QFile::exists(out));

    // A name that is not UTF-8 is refused, never written as another name.
    r = shell(R"(exec "$0" resave "$1" "$2/out_$(printf '\377').xml")", {in, dir.path()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.contains("the file name is not valid UTF-8 text"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"in.xml", "picture.png"}));

    for (const QStringList& args :
         {QStringList{"bogus"}, {"resave", in}, {"info", in, "--align", "5"}}) {
        r = runTool(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.startsWith("lumidex-chart: ")) << r.err.toStdString();
    }
    r = runTool({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("resave IN OUT [--align N] [--rounded] [--pak PAKFILE] [--force]"));
}

TEST_F(ChartTool, CheckReportsAChartsFindingsAndItsSounds) {
    // The note findings are the chart check's (above); here one of them and
    // the sounds: the music and key 2 missing, key 3 an OGG.
    ChartText chart{"Check", 150, "song.mp3"};
    chart.keys = {{"kick.wav", "1.00"}, {"gone.wav", "1.00"}, {"tone.ogg", "1.00"}};
    chart.notes = {{0, 16, 1}, {12, 16, 9}, {24, 16, 2}, {36, 16, 3}};
    const QString fn = dir.filePath("check.xml");
    ASSERT_TRUE(writeAll(fn, chart.bytes()));
    ASSERT_TRUE(writeTone(dir.filePath("kick.wav"), 0.05));
    ASSERT_TRUE(writeAll(dir.filePath("tone.ogg"), ogg(2205)));

    const QStringList common = {"key-past-list coord 12", "sound-missing music",
                                "sound-missing key 2"};
    ToolRun run = command("check", {fn, "--music-path", ""});
    EXPECT_EQ(run.exitCode, 1);
    QStringList places;
    for (const QString& line : run.lines()) places << line.section(QLatin1Char(':'), 0, 0);
    EXPECT_EQ(joined(places), joined(common));

    // Miles opens MP3 and WAV only.
    run = command("check", {fn, "--music-path", "", "--decoder", "miles"});
    EXPECT_EQ(run.exitCode, 1);
    ASSERT_EQ(run.lines().size(), common.size() + 1);
    EXPECT_TRUE(
        run.lines().back().startsWith("sound-unplayable key 3: miles does not open tone.ogg"))
        << run.lines().back().toStdString();
}

TEST(CheckCommand, DemoChartIsCleanAndBadArgumentsAreRefused) {
    const QString demo = QStringLiteral(LUMIDEX_SOURCE_DIR "/examples/demo/songs/demo/demo.xml");
    const ToolRun clean = command("check", {demo});
    EXPECT_EQ(clean.exitCode, 0);
    EXPECT_TRUE(clean.lines().isEmpty()) << clean.lines().join('\n').toStdString();
    EXPECT_EQ(command("check", {}).exitCode, 2);
    EXPECT_EQ(command("check", {demo, "--decoder", "wave"}).exitCode, 2);
    EXPECT_EQ(command("check", {demo, "extra"}).exitCode, 2);
    EXPECT_EQ(command("check", {"/no/such/chart.xml"}).exitCode, 1);
}

// ---- render ----------------------------------------------------------------

// The left channel of a WAV file; empty when it is not 44100 Hz stereo.
std::vector<float> readLeft(const QString& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file) return {};
    std::vector<float> frames(size_t(info.frames) * 2);
    sf_readf_float(file, frames.data(), info.frames);
    sf_close(file);
    if (info.samplerate != 44100 || info.channels != 2) return {};
    return left(frames);
}

// A chart two folders below the game folder, whose music folder is
// "../../pvx_music/". 120 BPM (2.5 chart frames a coord), music starting 3
// frames in: coord c is music time c x 2.5 / 60 s, coord 0 music time 0. Kick
// (0.5) on every 12th coord, snare (0.25, at volume 0.5) between them; a
// long-note end with a key that must stay silent.
class SongFolder : public WaveformFiles {
  protected:
    void SetUp() override {
        ChartText text{"Song", 120, "song.wav", 3, 48};
        text.keys = {{"kick.wav", "1.00"}, {"snare.wav", "0.5"}};
        text.notes = {{0, 20, 1}, {6, 5, 2}, {12, 128, 1}, {24, 130, 2}, {36, 21, 1}};
        ASSERT_TRUE(writeAll(chart, text.bytes()));
    }
    QString chart = dir.filePath("songs/s/s.xml");
    QString music = dir.filePath("pvx_music/");
    QString out = dir.filePath("out.wav");
};

class RenderCommand : public SongFolder {
  protected:
    void SetUp() override {
        SongFolder::SetUp();
        ASSERT_TRUE(writeAll(music + "song.wav", wavFloat(constant(88200, 1, 0.0f))));
        ASSERT_TRUE(writeAll(music + "kick.wav", wavFloat({0.5f})));
        ASSERT_TRUE(writeAll(music + "snare.wav", wavFloat({0.25f})));
    }
};

TEST_F(RenderCommand, EveryKeyOnItsFrame) {
    const ToolRun r = command("render", {chart, out});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.endsWith("Placed 4 key sounds; music 2.000 s, output 2.000 s\n"))
        << r.out.toStdString();
    const std::vector<float> heard = readLeft(out);
    ASSERT_EQ(heard.size(), 88200u);
    // Coord c starts at 2.5 c chart frames, 2.5 c / 60 s: 1837.5 c output frames.
    const std::map<int64_t, float> want = {
        {0, 0.5f}, {11025, 0.125f}, {22050, 0.5f}, {66150, 0.5f}};
    std::map<int64_t, float> got;
    for (size_t i = 0; i < heard.size(); ++i)
        if (heard[i] != 0) got[int64_t(i)] = heard[i];
    EXPECT_EQ(got, want);
}

TEST_F(RenderCommand, RefusesWhatItCannotPlayAndLeavesNoFile) {
    QFile::remove(music + "song.wav");
    ToolRun r = command("render", {chart, out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.contains("File open error!\nError code 0xBA550002: File not found"));
    EXPECT_TRUE(r.err.contains("the music cannot be opened"));
    r = command("render", {chart, out, "--decoder", "miles"});
    EXPECT_TRUE(r.out.contains("Error code 0xA1100003: File not found"));
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_FALSE(QFile::exists(out + ".part"));

    for (const QStringList& bad : {QStringList{"--rate", "100"}, QStringList{"--from", "-1"},
                                   QStringList{"--decoder", "dshow"}}) {
        r = command("render", QStringList{chart, out} + bad);
        EXPECT_EQ(r.exitCode, 2) << bad.join(' ').toStdString();
    }
}

TEST_F(RenderCommand, NeverWritesOverItsInputsOrAnExistingFileUnasked) {
    const QString song = music + "song.wav";
    const QByteArray chartBytes = readAll(chart), musicBytes = readAll(song);
    writeAll(out, "keep");
    for (const QStringList& args : {QStringList{chart, out},
                                    {chart, chart, "--force"},
                                    {chart, song, "--force"},
                                    {chart, music + "kick.wav", "--force"}}) {
        const ToolRun r = command("render", args);
        EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("lumidex-chart: ")) << r.err.toStdString();
    }
    EXPECT_EQ(readAll(out), "keep");
    EXPECT_EQ(readAll(chart), chartBytes);
    EXPECT_EQ(readAll(song), musicBytes);

    // A planted OUT.part link is neither followed nor removed.
    const QString precious = dir.filePath("precious.txt");
    writeAll(precious, "precious");
    ASSERT_TRUE(QFile::link(precious, out + ".part"));
    ToolRun r = command("render", {chart, out, "--force"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(readLeft(out).size(), 88200u);
    EXPECT_EQ(readAll(precious), "precious");

    // Nothing to play from past the end: nothing written.
    r = command("render", {chart, dir.filePath("late.wav"), "--from", "30000"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("nothing plays from coord 30000")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("late.wav")));
}

// ---- picture ---------------------------------------------------------------

constexpr int kWaveX = 45 + 2 + 62 + 2;  // the waveform strip's left edge
constexpr int kClickRow = 126;           // coord 24 with coords 0..48 in one column

class PictureCommand : public SongFolder {
  protected:
    int run(const QStringList& args) {
        const ToolRun r = runTool(QStringList{"picture"} + args, {{"XDG_CACHE_HOME", cacheDir()}});
        said = r.out;
        return r.exitCode;
    }
    QString said;
};

TEST_F(PictureCommand, DrawsTheClickOnTheRowOfItsCoord) {
    const long click = std::lround(24 * 2.5 / 60 * kRate);
    ASSERT_TRUE(writeAll(music + "song.wav", wavFloat(clickTrack(5 * kRate, {click}), 1, kRate)));
    const QString png = dir.filePath("a.png");
    ASSERT_EQ(run({chart, png, "--to", "48"}), 0) << said.toStdString();
    EXPECT_TRUE(said.contains("Waveform: 0:05 of music")) << said.toStdString();
    const QImage image(png);
    ASSERT_EQ(image.height(), 252);
    const int loud = kWaveX + 24 + 15;  // inside the click's peak, beyond the tone's
    EXPECT_NE(image.pixel(loud, kClickRow), qRgb(0, 0, 0));
    for (int row : {kClickRow - 5, kClickRow + 5}) EXPECT_EQ(image.pixel(loud, row), qRgb(0, 0, 0));
}

TEST_F(PictureCommand, WithoutMusicDrawsTheNotesAndSaysWhy) {
    const QString png = dir.filePath("a.png");
    EXPECT_EQ(run({chart, png, "--height", "150"}), 0);
    EXPECT_TRUE(said.contains("Waveform: the music file cannot be read"));
    EXPECT_EQ(QImage(png).height(), 150);
    EXPECT_EQ(run({chart, png, "--height", "5"}), 2);
    EXPECT_EQ(run({chart, png, "--decoder", "wav"}), 2);
}

// ---- tempo -----------------------------------------------------------------

namespace song = tempo::testing;

TEST(TempoCommand, MusicFileOrChartJsonAndExitCodes) {
    QTemporaryDir dir;
    const QString music = dir.filePath("pvx_music/a/song.wav");
    const std::vector<float> song =
        song::makeSong({song::Style::Rock, 112.4, 1.3, 16, 1, 0.01, 44100, 2});
    ASSERT_TRUE(writeAll(music, song::wavFile(song, 44100)));
    const QString chart = dir.filePath("songs/a/a.xml");
    ASSERT_TRUE(writeAll(chart, ChartText{"a", 120, "a/song.wav", 0, 100}.bytes()));
    const QString silent = dir.filePath("silent.wav");
    ASSERT_TRUE(writeAll(silent, song::wavFile(std::vector<float>(44100 * 8), 44100)));

    for (const QString& file : {music, chart}) {
        const ToolRun run = command("tempo", {file, "--json"});
        ASSERT_EQ(run.exitCode, 0) << run.out.toStdString();
        const QJsonObject o = QJsonDocument::fromJson(run.out.toUtf8()).object();
        const double bpm = o["bpm"].toDouble(), firstBeat = o["first_beat"].toDouble();
        EXPECT_NEAR(bpm, 112.4, 0.02);
        EXPECT_NEAR(firstBeat, 1.3, 0.005);
        EXPECT_NEAR(o["delay"].toDouble(), tempo::delayFor(bpm, firstBeat), 0.01);
        EXPECT_TRUE(o["steady"].toBool());
        EXPECT_GT(o["confidence"].toDouble(), 0.5);
        EXPECT_TRUE(o["alternatives"].toArray().first().toObject().contains("confidence"));
    }
    const ToolRun text = command("tempo", {music});
    EXPECT_TRUE(text.out.contains("3 frames")) << text.out.toStdString();
    EXPECT_EQ(command("tempo", {silent}).exitCode, 1);
    EXPECT_EQ(command("tempo", {dir.filePath("missing.xml")}).exitCode, 1);
    EXPECT_EQ(command("tempo", {}).exitCode, 2);
    EXPECT_EQ(command("tempo", {music, "--bpm"}).exitCode, 2);
}

// ---- sounds ----------------------------------------------------------------

TEST(SoundsReport, NamesWhereEachSoundIsAndWhatEachDecoderMakesOfIt) {
    // A music folder with song/song.wav and song/tune.ogg loose, and song.pak
    // holding song/inpak.wav; gone.wav is nowhere.
    QTemporaryDir dir;
    const QString musicDir = dir.filePath("pvx_music/");
    ASSERT_TRUE(writeTone(musicDir + "song/song.wav", 0.25));
    ASSERT_TRUE(
        writeTone(musicDir + "song/tune.ogg", 0.25, 2, 44100, SF_FORMAT_OGG | SF_FORMAT_VORBIS));
    ASSERT_TRUE(writeZip(musicDir + "song.pak", {{"song/inpak.wav", wav16(4410, 1, 22050)}}));

    ChartDocument doc;
    const char* names[] = {"song/song.wav", "song/inpak.wav", "gone.wav", "song/tune.ogg"};
    for (int k = 0; k < 4; ++k) doc.keySound(k) = {QString(names[k]), "1.00"};
    doc.KeyCount = 3;
    QString report;
    // Problems: DirectShow cannot reach the PAK entry; the missing file counts
    // once as missing and once per decoder; Miles refuses Ogg.
    EXPECT_EQ(cli::reportSounds(doc, musicDir, cli::decodersNamed("all"), &report), 6);
    // MUSIC/ stands for the music folder, ERR for the head of an error text.
    const QString expected = QStringLiteral(R"(music  song/song.wav
  file: MUSIC/song/song.wav
  bass: 0.250 s, 2 ch, 44100 Hz
  miles: 0.250 s
  dshow: 0.250 s, 2 ch, 44100 Hz
key 1  song/inpak.wav
  entry song/inpak.wav of MUSIC/song.pak
  bass: 0.200 s, 1 ch, 22050 Hz
  miles: 0.200 s
  dshow: ERR 0x80040216: File not found
key 2  gone.wav
  missing: no file MUSIC/gone.wav
  bass: ERR 0xBA550002: File not found
  miles: ERR 0xA1100003: File not found
  dshow: ERR 0x80040216: File not found
key 3  song/tune.ogg
  file: MUSIC/song/tune.ogg
  bass: 0.250 s, 2 ch, 44100 Hz
  miles: ERR 0xA1100005: Unsupported format
  dshow: 0.250 s, 2 ch, 44100 Hz
Problems: 6
)")
                                 .replace("MUSIC/", musicDir)
                                 .replace("ERR ", "File open error! Error code ");
    // A last line counts the output's underruns: how many depends on the
    // machine's load, not on the sounds.
    const qsizetype last = report.lastIndexOf("Underruns: ");
    ASSERT_GT(last, 0);
    EXPECT_TRUE(QRegularExpression("^Underruns: \\d+\n$").match(report.mid(last)).hasMatch());
    EXPECT_EQ(report.left(last).right(expected.size()).toStdString(), expected.toStdString());
    // One name selects its column, an unknown none.
    EXPECT_EQ(cli::decodersNamed("dshow"), QStringList{"dshow"});
    EXPECT_TRUE(cli::decodersNamed("quicktime").isEmpty());
}

}  // namespace
}  // namespace lumidex::test
