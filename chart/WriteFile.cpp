// Whole-file writing that never damages the file already there.

#include <QSaveFile>

#include "ChartFile.h"

namespace lumidex {

int WriteFileBytes(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty()) return 1;
    // QSaveFile writes a temporary file in the target's folder and renames it
    // over the target only on commit(), after every byte is written and
    // flushed to disk. Falling back to writing the target directly (when the
    // folder does not allow a temporary file) would defeat that, so it stays
    // off.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) return 1;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return 1;
    }
    return file.commit() ? 0 : 1;
}

}  // namespace lumidex
