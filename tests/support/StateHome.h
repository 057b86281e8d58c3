#pragma once
// A temporary XDG_STATE_HOME for the life of a test, so recovery copies never
// touch the user's own folder; the variable is put back afterwards.

#include <QDir>
#include <QTemporaryDir>

#include "RecoveryStore.h"

namespace lumidex::test {

class StateHome {
  public:
    StateHome() : before_(qgetenv("XDG_STATE_HOME")) {
        qputenv("XDG_STATE_HOME", dir_.path().toUtf8());
    }
    ~StateHome() { qputenv("XDG_STATE_HOME", before_); }

    QString folder() const { return recoveryFolder(); }
    // The names of the recovery folder's files matching pattern, sorted.
    QStringList files(const QString& pattern = QStringLiteral("*")) const {
        return QDir(folder()).entryList({pattern}, QDir::Files, QDir::Name);
    }

  private:
    QByteArray before_;
    QTemporaryDir dir_;
};

}  // namespace lumidex::test
