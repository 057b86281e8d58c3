#pragma once
// The test play: the chart is saved as "temp.xml" in the game folder and the
// game client there is started with it, so the author hears the chart in the
// game and comes back to the editor.
//
// The game folder is the parent of the music folder (the "pvx_music Path"
// text joined to the chart's folder). The clients are Windows programs: one
// that is not an executable file is started through wine when wine is on the
// PATH. The client is started detached, with an argument list and the game
// folder as its working directory, never through a shell.
//
// Everything shown goes through Dialogs. The chart itself, its file and its
// Modified flag are never touched (except the combo count a save recomputes).

#include <QString>
#include <QStringList>

#include "ChartDocument.h"
#include "Dialogs.h"

namespace lumidex {

// The file the chart is saved to in the game folder, and the one argument the
// client gets.
inline const QString kTestPlayFile = QStringLiteral("temp.xml");

// The client of menu item index: 0 "qorv.exe", 1 "zelt.exe".
QString clientName(int index);

// The game folder for a chart folder and the music path text: their join
// (JoinPath; "./" when both are empty) made absolute against the current
// directory and cleaned lexically, then one level up, with a trailing "/".
// "\" counts as a separator. The parent of "/" is "/".
QString gameFolder(const QString& chartDir, const QString& musicPath);

// How a client is started: the program, its arguments and working directory.
struct ClientStart {
    enum How { Direct, Wine, Impossible };
    How how = Impossible;
    QString program;
    QStringList arguments;
    QString workingDir;
};

// The start of client (a file in gameDir, which ends in "/"): the client
// itself with "temp.xml" when it is an executable file; else wine (as found
// on the PATH) with the client's path and "temp.xml"; else Impossible.
ClientStart clientStart(const QString& gameDir, const QString& client);

// "Test Music Using &qorv" (index 0) and "... &zelt" (index 1). Finds the
// game folder and the client; when the client is missing says so ("qorv.exe
// is not found, so the test can't be executed.") and writes nothing; when it
// cannot be started (not executable, no wine) says why and writes nothing.
// Otherwise deletes an old "temp.xml" (a failure is ignored; the save then
// asks before overwriting), saves the chart there with SaveFile and, only
// when the save succeeded, starts the client. A failed start is reported.
// A run-time error on the way shows its description in a plain box.
// True when the client was started.
bool runTestPlay(ChartDocument& doc, Dialogs& ui, int index, const QString& chartDir,
                 const QString& musicPath);

}  // namespace lumidex
