#pragma once
// The "File" menu commands and the question about unsaved changes: open,
// save, exit, a new editor window, and the chart named on the command line.
// They talk to the user only through Dialogs and reach the window through
// DocumentHost, so tests drive them with scripted answers.

#include <QString>
#include <QStringList>

#include <cstdint>

#include "ChartDocument.h"
#include "Dialogs.h"

namespace lumidex {

// Window-level state shared by the commands and the editing code.
struct WindowState {
    QString CurrentFile;   // last chart opened or saved; offered by the file dialogs
    QString ChartDir;      // folder of the loaded chart (or its archive), ending in "/"
    int32_t Modified = 0;  // non-zero: the chart has unsaved changes
    bool Closing = false;  // the window is being unloaded
    // The chart the window names: its file, or the entry of a chart read from
    // a PAK archive (ChartPak the archive, else empty). Empty until a chart
    // is opened or saved.
    QString ChartFile;
    QString ChartPak;
    // The chart came back from a recovery copy: its file may have changed
    // since, so even "&Save" asks before overwriting it, until the next save.
    bool AskBeforeOwnFile = false;
};

// Dialog texts of the chart commands (the key sound chooser uses kOpenCaption
// with kKeySoundFilter).
inline const QString kOpenCaption = QStringLiteral("打开");
inline const QString kSaveCaption = QStringLiteral("另存为");
inline const QString kOpenFilter =
    QStringLiteral("Pelvaro XML File(*.xml)|*.xml|All Files (*.*)|*.*");
inline const QString kSaveFilter = QStringLiteral("Pelvaro XML File(*.xml)|*.xml");
inline const QString kKeySoundFilter = QStringLiteral(
    "All Supported Audio Files|*.mp?;*.og?;*.wav;*.aac;*.ac3;*.aiff;*.ape;*.flac;*.m4a;*.opus;"
    "*.tta;*.wma;*.wv;*.wvc;|All Files (*.*)|*.*");
inline const QString kSaveQuestion = QStringLiteral("Do you want to save current file?");

// The key list line of key sound k: "[3]1.00 kick.wav".
QString keyListLine(int k, const KeySound& key);

// What the commands need from the window around them.
class DocumentHost {
  public:
    virtual ~DocumentHost() = default;
    // Copies the "Music Info" text boxes into doc.Header (before a save or a
    // load, so that fields a load leaves alone keep what the user typed).
    virtual void storeHeader() = 0;
    // Fills the "Music Info" text boxes from doc.Header (after a load).
    virtual void showHeader() = 0;
    // The window's steps after a chart was opened: playback stopped, sounds
    // closed, key list, scroll range and position.
    virtual void afterOpen() = 0;
    // Sets Modified and shows it with the chart's name (after an open or a
    // save also when the value stays the same: the name may have changed).
    virtual void setModified(bool modified) = 0;
    // A passing note in the status bar (a save done without a box).
    virtual void showStatus(const QString& text) = 0;
    // A chart was opened or saved under the name WindowState now holds.
    virtual void chartNamed() {}
    // The chart was written to its file (after chartNamed).
    virtual void chartSaved() {}
};

// A chart to open at start-up: a path, or an entry of a PAK archive.
struct CommandLineChart {
    QString fn;     // chart path, or entry name inside pakFn
    QString pakFn;  // archive path; empty for a plain file
};

// The chart the arguments name: "PATH", or "-p PAKFILE ENTRY". Nothing
// (an empty fn) for no arguments or a "-p" with fewer than two after it.
CommandLineChart chartFromArgs(const QStringList& args);

class DocumentCommands {
  public:
    DocumentCommands(ChartDocument& doc, WindowState& state, Dialogs& ui, DocumentHost& host)
        : doc_(doc), state_(state), ui_(ui), host_(host) {}

    // When the chart is modified: "Do you want to save current file?" with
    // Yes/No/Cancel. Yes saves through the save dialog. Returns true when the
    // caller may go on (nothing to save, saved, or changes dropped); false on
    // Cancel or when the save was cancelled or failed.
    bool askSaveChanges();

    // "&Open XML File..." (index 0) and "Open Rounded XML File..." (index 1):
    // the question, the open dialog, the load. True when a chart was loaded.
    bool open(int index);

    // A chart file dropped on the window: the question, then the load as
    // "&Open XML File..." does it. True when it was loaded.
    bool openDropped(const QString& fn);

    // A chart of "Open &Recent": the question, then the load. A chart whose
    // file (or archive) is gone is reported and not opened: false with
    // *missing set.
    bool openRecent(const QString& fn, const QString& pakFn, bool* missing);

    // The chart of the command line, without a question. True when loaded.
    bool openCommandLine(const QStringList& args);

    // "&Save XML File...": the header fields a save needs are checked first
    // (every missing one named in one warning, no chooser then); then always
    // through the save dialog. True when saved.
    bool save();

    // "&Save": writes the chart to its own file (the loose file last opened
    // or saved) with the same checks and failure messages, but no chooser, no
    // overwrite question and the success in the status bar. A chart without
    // a file of its own (new, or read from an archive) goes through save().
    bool saveInPlace();

    // The loose file the chart was opened from or last saved to; empty when
    // it has none.
    QString ownFile() const;

    // "&New": starts program in workingDir with no arguments, detached. The
    // current chart is not touched. Tells the user when the start fails.
    bool startNewInstance(const QString& program, const QString& workingDir);

  private:
    bool loadChart(const QString& fn, int flags, const QString& pakFn);
    void saved(const QString& fn);

    ChartDocument& doc_;
    WindowState& state_;
    Dialogs& ui_;
    DocumentHost& host_;
};

}  // namespace lumidex
