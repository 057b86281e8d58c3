#include "DocumentCommands.h"

#include <QFileInfo>
#include <QProcess>

#include "ChartFile.h"

namespace lumidex {

QString keyListLine(int k, const KeySound& key) {
    return QLatin1Char('[') + QString::number(k) + QLatin1Char(']') + key.Volume +
           QLatin1Char(' ') + key.Snd;
}

CommandLineChart chartFromArgs(const QStringList& args) {
    if (args.size() < 2) return {};
    if (args[1] == QLatin1String("-p")) {
        if (args.size() < 4) return {};
        return {args[3], args[2]};
    }
    return {args[1], QString()};
}

bool DocumentCommands::askSaveChanges() {
    if (state_.Modified == 0) return true;
    switch (ui_.message(kSaveQuestion, MsgIcon::Question, MsgButtons::YesNoCancel)) {
        case MsgAnswer::Yes:
            // A full save: the chart now is that file and has no unsaved
            // changes, even when the command asking goes no further.
            return save();
        case MsgAnswer::No:
            return true;
        default:
            return false;
    }
}

bool DocumentCommands::open(int index) {
    if (!askSaveChanges()) return false;
    const QString fn = ui_.ShowOpenDialog(kOpenFilter, kOpenCaption, state_.CurrentFile);
    return loadChart(fn, index == 1 ? 1 : 0, QString());
}

bool DocumentCommands::openDropped(const QString& fn) {
    if (!askSaveChanges()) return false;
    return loadChart(fn, 0, QString());
}

bool DocumentCommands::openRecent(const QString& fn, const QString& pakFn, bool* missing) {
    const QString file = pakFn.isEmpty() ? fn : pakFn;
    *missing = !QFileInfo(file).isFile();
    if (*missing) {
        ui_.message(QStringLiteral("The chart file no longer exists:\n") + file +
                        QStringLiteral("\nIt is removed from the recent charts."),
                    MsgIcon::Exclamation);
        return false;
    }
    if (!askSaveChanges()) return false;
    return loadChart(fn, 0, pakFn);
}

bool DocumentCommands::openCommandLine(const QStringList& args) {
    const CommandLineChart chart = chartFromArgs(args);
    return loadChart(chart.fn, 0, chart.pakFn);
}

// The header fields are checked before the chooser, so a chart that cannot
// be saved as it stands costs no trip through it.
bool DocumentCommands::save() {
    host_.storeHeader();
    if (const QString missing = missingHeaderFields(doc_.Header); !missing.isEmpty()) {
        ui_.message(missing, MsgIcon::Exclamation);
        return false;
    }
    const QString fn = ui_.ShowSaveDialog(kSaveFilter, kSaveCaption, state_.CurrentFile);
    if (SaveFile(doc_, fn, ui_) != 1) return false;
    saved(fn);
    return true;
}

bool DocumentCommands::saveInPlace() {
    const QString fn = ownFile();
    if (fn.isEmpty()) return save();
    host_.storeHeader();
    SaveStyle quiet;
    quiet.askOverwrite = state_.AskBeforeOwnFile;
    quiet.showSuccess = [this](QString text) {
        host_.showStatus(text.replace(QLatin1Char('\n'), QStringLiteral(", ")));
    };
    if (SaveFile(doc_, fn, ui_, quiet) != 1) return false;
    saved(fn);
    return true;
}

QString DocumentCommands::ownFile() const {
    return state_.ChartPak.isEmpty() ? state_.ChartFile : QString();
}

void DocumentCommands::saved(const QString& fn) {
    state_.CurrentFile = fn;
    state_.ChartFile = fn;
    state_.ChartPak.clear();
    state_.AskBeforeOwnFile = false;
    host_.setModified(false);
    host_.chartNamed();
    host_.chartSaved();
}

bool DocumentCommands::startNewInstance(const QString& program, const QString& workingDir) {
    if (QProcess::startDetached(program, {}, workingDir)) return true;
    ui_.message(QStringLiteral("Cannot start a new editor window:\n") + program,
                MsgIcon::Exclamation);
    return false;
}

// An empty fn (a cancelled dialog) loads nothing. A chart read from an
// archive has no file of its own, so CurrentFile stays as it was.
bool DocumentCommands::loadChart(const QString& fn, int flags, const QString& pakFn) {
    if (fn.isEmpty()) return false;
    host_.storeHeader();
    if (LoadFile(doc_, fn, flags, pakFn, ui_, &state_.ChartDir) == 0) return false;
    host_.showHeader();
    if (pakFn.isEmpty()) state_.CurrentFile = fn;
    state_.ChartFile = fn;
    state_.ChartPak = pakFn;
    state_.AskBeforeOwnFile = false;
    host_.setModified(false);
    host_.chartNamed();
    host_.afterOpen();
    return true;
}

}  // namespace lumidex
