#pragma once
// Reading and writing Pelvaro XML chart files. Both talk to the user only
// through Dialogs, so the editor and the command-line tool share every line.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "ChartDocument.h"
#include "Dialogs.h"

namespace lumidex {

// Writes the chart to name. Checks the header texts ("Current BPM", "Current
// Speed", "Note Length"), asks before overwriting, composes the whole file,
// converts it to GB18030 and writes it through WriteFileBytes (a failed save
// leaves any existing file as it was). Reports the result in a message box and
// stores the recomputed combo count in doc.Combo on success.
// Returns 1 when the file was written, 0 otherwise.
int SaveFile(ChartDocument& doc, const QString& name, Dialogs& ui);

// Reads a chart into doc: a plain file, or with pakFn non-empty the entry fn
// of the PAK archive pakFn. flags is the RoundUp flag of PositionToCoord
// (1 for "Open Rounded XML File..."). When the bytes cannot be read, shows a
// warning that names the file and the reason and leaves doc untouched. On
// success shows the combo and frame total, sets *chartDir (when given) to the
// folder of the chart (or of the archive) with a trailing "/", and returns 1.
// An empty fn returns 0 at once.
int LoadFile(ChartDocument& doc, const QString& fn, int flags, const QString& pakFn, Dialogs& ui,
             QString* chartDir = nullptr);

// Writes bytes to path: a temporary file beside it, flushed, then renamed
// over path. 0 on success, 1 on failure (the old file, if any, untouched).
int WriteFileBytes(const QString& path, const QByteArray& bytes);

// The piece list a whole file is composed in; joined once at the end.
class CStringBuilder {
public:
    CStringBuilder& Append(const QString& newStr);
    CStringBuilder& AppendLine(const QString& newStr);  // the text, then CR LF
    QByteArray ToAnsiArray(int lcid = 0) const;          // GB18030 ("?" for the unencodable)
    QByteArray ToAnsiArrayByCP(int codePage = 0) const;
    QByteArray ToArray() const;  // UTF-16 LE, no byte-order mark
    QString ToString() const;
    void Reset();
    int count() const { return static_cast<int>(parts_.size()); }

private:
    QStringList parts_;
};

}  // namespace lumidex
