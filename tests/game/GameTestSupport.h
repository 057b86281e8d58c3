#pragma once
// A game installation in a temporary folder: the game folder with its music
// folder and a chart folder two levels below it, stand-in clients and a
// stand-in wine that record how they were started, and a PATH of the test's
// choosing.

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include "support/FileHelpers.h"

namespace lumidex::testing {

// A script at path that writes its working folder and then each argument,
// one a line, to record, whole or not at all.
inline void writeRecorder(const QString& path, const QString& record, bool executable) {
    const QByteArray to = record.toUtf8();
    const QByteArray script =
        "#!/bin/sh\nPATH=/usr/bin:/bin\n"
        "{ pwd -P; for a; do echo \"$a\"; done; } > '" +
        to + ".part' && mv '" + to + ".part' '" + to + "'\n";
    ASSERT_TRUE(test::writeAll(path, script));
    QFile::Permissions perms = QFile::ReadOwner | QFile::WriteOwner;
    if (executable) perms |= QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(path, perms));
}

// The lines a started recorder wrote. The client runs on its own, so this
// waits (up to a generous deadline) for the record to appear.
inline QStringList waitForRecord(const QString& record) {
    const QDeadlineTimer deadline(20000);
    while (!QFile::exists(record) && !deadline.hasExpired()) QThread::msleep(5);
    return QString::fromUtf8(test::readAll(record)).split('\n', Qt::SkipEmptyParts);
}

class GameFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        oldPath = qgetenv("PATH");
        for (const char* sub : {"game/pvx_music", "game/songs/abc", "bin", "empty"})
            ASSERT_TRUE(QDir(root()).mkpath(QString::fromLatin1(sub)));
    }
    void TearDown() override { qputenv("PATH", oldPath); }

    // The folder as the system names it, links resolved, with a trailing "/".
    QString root() const { return QFileInfo(tmp.path()).canonicalFilePath() + '/'; }
    QString game() const { return root() + "game/"; }
    QString chartDir() const { return game() + "songs/abc/"; }
    QString recordOf(const QString& name) const { return root() + name + ".record"; }

    void writeClient(const QString& exe, bool executable = true) {
        writeRecorder(game() + exe, recordOf(exe), executable);
    }
    // PATH holds only a folder with a stand-in wine, or only an empty folder.
    void usePath(bool withWine) {
        if (withWine) writeRecorder(root() + "bin/wine", recordOf("wine"), true);
        qputenv("PATH", (root() + (withWine ? "bin" : "empty")).toUtf8());
    }

    QTemporaryDir tmp;
    QByteArray oldPath;
};

}  // namespace lumidex::testing
