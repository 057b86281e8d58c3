#pragma once
// What the program knows about itself: where it runs from, how it was
// started and its version record. Filled once at start-up, read-only after.

#include <QString>
#include <QStringList>

#include <cstdint>

namespace lumidex {

// The version strings of the executable, generated at build time. The
// numeric versions are four numbers joined by dots ("1.0.0.0").
struct VersionRecord {
    QString Comments;
    QString CompanyName;
    QString FileDescription;
    QString FileVersion;
    QString InternalName;
    QString LegalCopyright;
    QString LegalTrademarks;
    QString OriginalFilename;
    QString PrivateBuild;
    QString ProductName;
    QString ProductVersion;
    QString SpecialBuild;
    QString FileVersionNumber;
    QString ProductVersionNumber;
};

// The version record of this build.
VersionRecord buildVersionRecord();

struct AppInfo {
    QString ExePath;   // absolute path of the running executable
    QString ExeName;   // ExePath after its last "/"
    QString AppDir;    // ExePath up to and including its last "/"
    QString ArgsLine;  // the arguments after the program name, joined by blanks
    QStringList Args;  // argv: entry 0 the program as invoked, then the arguments
    int32_t ArgCount = 1;
    VersionRecord Version;
};

// The application information for an executable path and an argument list
// as the shell split it. An empty argument list counts as the bare program
// (Args = {exePath}).
AppInfo makeAppInfo(const QString& exePath, const QStringList& argv);

}  // namespace lumidex
