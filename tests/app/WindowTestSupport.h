#pragma once
// A real main window driven through scripted dialogs, in a folder of its own
// that holds the program path, the charts and whatever the commands write.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <memory>

#include "AppInfo.h"
#include "ScriptedDialogs.h"
#include "fmMain.h"
#include "support/FileHelpers.h"

namespace lumidex::testing {

// A small chart: tempo 150 everywhere, music starting 12 frames in (coord
// 9), two key sounds, an arrow at 0, a star at position 12.3 and a long note
// from 24 to 48.
inline const QByteArray kChart =
    "<?xml version=\"1.0\" encoding=\"gb18030\"?>\r\n"
    "<TITLE Name=\"Song\">\r\n"
    "<BPM Frame=\"0\" BPM=\"150\"></BPM>\r\n"
    "<BGM Name=\"song.mp3\" Volume=\"1.00\"></BGM>\r\n"
    "<DELAY Value=\"12\"></DELAY>\r\n"
    "<LENGTH Value=\"48\"></LENGTH>\r\n"
    "<EFFECT Snd=\"kick.wav\" Volume=\"1.00\"></EFFECT>\r\n"
    "<EFFECT Snd=\"snare.wav\" Volume=\"0.5\"></EFFECT>\r\n"
    "<AREA Coord=\"0\" Kind=\"20\" Level=\"5\" FxSndIndex=\"1\"></AREA>\r\n"
    "<AREA Coord=\"12.3\" Kind=\"16\" Level=\"3\" FxSndIndex=\"2\"></AREA>\r\n"
    "<AREA Coord=\"24\" Kind=\"128\" Level=\"5\" FxSndIndex=\"1\"></AREA>\r\n"
    "<AREA Coord=\"48\" Kind=\"130\" Level=\"5\" FxSndIndex=\"0\"></AREA>\r\n"
    "</TITLE>\r\n";

class WindowTest : public ::testing::Test {
  protected:
    // Creates and starts the window as the program does, with args after the
    // program name.
    void start(const QStringList& args = {}) {
        AppInfo info = makeAppInfo(exePath(), QStringList{QStringLiteral("lumidex")} + args);
        window = std::make_unique<fmMain>(ui, info);
        ASSERT_TRUE(window->Form_Load());
        window->show();
        window->openCommandLine();
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    QString exePath() const { return path(QStringLiteral("lumidex")); }

    QString writeFile(const QString& name, const QByteArray& bytes) {
        EXPECT_TRUE(test::writeAll(path(name), bytes));
        return path(name);
    }
    QString writeChart(const QString& name = QStringLiteral("song.xml")) {
        return writeFile(name, kChart);
    }
    QByteArray readFile(const QString& name) const { return test::readAll(path(name)); }

    // What was shown from now on (ignores anything shown before).
    void mark() { marked = ui.shown.size(); }
    std::vector<ScriptedDialogs::Shown> shownSinceMark() const {
        return {ui.shown.begin() + static_cast<std::ptrdiff_t>(marked), ui.shown.end()};
    }

    QTemporaryDir dir;
    ScriptedDialogs ui;
    std::unique_ptr<fmMain> window;
    size_t marked = 0;
};

}  // namespace lumidex::testing
