#pragma once
// Reading and writing Pelvaro XML chart files. Both talk to the user only
// through Dialogs, so the editor and the command-line tool share every line.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

#include "ChartDocument.h"
#include "Dialogs.h"

namespace lumidex {

// The texts SaveFile and LoadFile show.
inline const QString kPleaseEnterBpm = QStringLiteral("Please enter BPM");
inline const QString kPleaseEnterSpeed = QStringLiteral("Please enter speed");
inline const QString kPleaseEnterLength = QStringLiteral("Please enter note length");
inline const QString kOverwriteQuestion = QStringLiteral("File already exists, overwrite?");

// How a save asks and answers; the defaults are those of the save chooser.
struct SaveStyle {
    bool askOverwrite = true;  // false: an existing file is written over without the question
    // Shows the success text ("File saved successfully, ..."); a message box when empty.
    std::function<void(const QString&)> showSuccess;
};

// Writes the chart to name. Checks the header texts ("Current BPM", "Current
// Speed", "Note Length"), asks before overwriting, composes the whole file,
// converts it to GB18030 and writes it through WriteFileBytes (a failed save
// leaves any existing file as it was). Reports the result in a message box and
// stores the recomputed combo count in doc.Combo on success.
// Returns 1 when the file was written, 0 otherwise (a check failed, the name
// was empty, the user declined, or composing or writing failed). style
// leaves out the overwrite question or shows the success elsewhere; failures
// are always message boxes.
int SaveFile(ChartDocument& doc, const QString& name, Dialogs& ui, const SaveStyle& style = {});

// The whole file text SaveFile writes for doc, and the combo count of the
// cells it walked. Throws RuntimeError when the chart cannot be written (a
// length or key count beyond the capacities, a cell that cannot be timed);
// *counter then holds the loop counter at the failing index.
struct ComposedChart {
    QByteArray bytes;  // GB18030
    int combo = 0;
};
ComposedChart composeChart(const ChartDocument& doc, int* counter = nullptr);

// The length the open and save messages report: the frames from coord 0 to
// 72 position units after LastCoord. 0 when the chart cannot be timed there.
double totalFrames(const ChartDocument& doc);

// Reads a chart into doc: a plain file, or with pakFn non-empty the entry fn
// of the PAK archive pakFn. flags is the RoundUp flag of PositionToCoord
// (1 for "Open Rounded XML File..."). When the bytes cannot be read, shows a
// warning that names the file and the reason and leaves doc untouched. On
// success shows the combo and frame total, sets *chartDir (when given) to the
// folder of the chart (or of the archive) with a trailing "/", and returns 1.
// An empty fn returns 0 at once.
//
// Once the bytes are read the load always completes: a value that cannot be
// used (a number too large, a note off the chart, a chart that cannot be
// timed) skips only the step that needed it. Capacities are kept: at most
// 1000 tempo records and 2000 key sounds are read, notes outside coords
// 0..30000 or with a kind outside 0..255 are not stored, and LastCoord stays
// within 0..30000.
int LoadFile(ChartDocument& doc, const QString& fn, int flags, const QString& pakFn, Dialogs& ui,
             QString* chartDir = nullptr);

// What LoadFile does with the bytes it has read: decodes them and, when they
// hold a chart (at least one element a chart is made of), fills doc from
// them and returns 1. Returns 0, with doc untouched, when they hold no chart.
// Shows nothing.
int loadChartBytes(ChartDocument& doc, const QByteArray& bytes, int flags);

// The folder of path made absolute against the current directory (lexically,
// links are not resolved), with a trailing "/".
QString folderOf(const QString& path);

// The piece list a whole file is composed in; joined once at the end.
class CStringBuilder {
  public:
    CStringBuilder& Append(const QString& newStr);
    CStringBuilder& AppendLine(const QString& newStr);  // the text, then CR LF
    QByteArray ToAnsiArray(int lcid = 0) const;         // GB18030 ("?" for the unencodable)
    QString ToString() const;

  private:
    QStringList parts_;
};

}  // namespace lumidex
