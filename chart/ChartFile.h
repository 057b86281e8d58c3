#pragma once
// Reading and writing Pelvaro XML chart files. Both talk to the user only
// through Dialogs, so the editor and the command-line tool share every line.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

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

// The header texts a save needs that are not numbers ("Current BPM",
// "Current Speed", "Note Length", in that order; an empty text counts as
// missing), as the message naming them: one line each, "Please enter BPM"
// and so on. Empty when all three are numbers.
QString missingHeaderFields(const HeaderTexts& header);

// Writes the chart to name. Checks the header texts first (every missing
// one named in one warning, missingHeaderFields), asks before overwriting, composes the whole file,
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

// How the chart a file gives back differs from the chart it was written
// from. SaveFile reads every file it writes back and adds this to its
// message, so nothing the format cannot hold is lost without a word.
struct ReopenDifference {
    int notes = 0;       // cells whose note (kind, or key of a note) differs
    int firstNote = -1;  // the first of them
    int tempoFrom = -1;  // the first coord whose tempo or speed differs
    QStringList values;  // "the delay", "the name of key sound 3", ...

    bool empty() const { return notes == 0 && tempoFrom < 0 && values.isEmpty(); }
    // One sentence after a line feed; empty when there is no difference.
    QString text() const;
};

// Reads bytes back as a chart (grid 1, plain open) and compares it with doc.
ReopenDifference reopenDifference(const ChartDocument& doc, const QByteArray& bytes);

// The length the open and save messages report: the frames from coord 0 to
// 72 position units after LastCoord. 0 when the chart cannot be timed there.
double totalFrames(const ChartDocument& doc);

// What a load could not take as the file has it. LoadFile adds its lines to
// the open message, so the author learns of every note and value that the
// chart holds differently from the file.
struct LoadReport {
    int notesOffChart = 0;           // AREA elements off coords 0..30000: not stored
    int notesBadKind = 0;            // kinds above 145 (bodies aside) or beyond 0..255: not stored
    int notesUnusedKind = 0;         // kinds 1..4, 6..15, 35..127: kept and saved as they are
    int longEndsMoved = 0;           // long-note ends that fell on their head, moved a beat on
    int notesReplaced = 0;           // notes a later element at the same coord replaced
    std::vector<int> tempoRepaired;  // BPM elements (from 1) whose tempo or speed was replaced
    std::vector<int> tempoLeftOut;   // BPM elements left out
    bool noTempo = false;            // no usable BPM element: 120 taken
    int bpmBeyond = 0;               // BPM elements past the 1000 read
    int effectBeyond = 0;            // EFFECT elements past the 2000 read
    QStringList values;              // header values not taken, one sentence each

    bool empty() const;
    // The sentences, each after a line feed; empty when there is nothing to say.
    QString text() const;
};

// Reads a chart into doc: a plain file, or with pakFn non-empty the entry fn
// of the PAK archive pakFn. flags is the RoundUp flag of PositionToCoord
// (1 for "Open Rounded XML File..."). When the bytes cannot be read, shows a
// warning that names the file and the reason and leaves doc untouched. On
// success shows the combo and frame total (and the LoadReport, with the
// exclamation icon, when it is not empty), sets *chartDir (when given) to the
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

// What LoadFile does with the bytes it has read: decodes them (by their
// byte-order mark, as UTF-8 when they declare encoding="utf-8" and are valid
// UTF-8, else as GB18030) and, when they hold a chart (at least one element a
// chart is made of), fills doc from them and returns 1. Returns 0, with doc
// untouched, when they hold no chart. Shows nothing; *report (when given)
// receives what could not be taken as the file has it.
int loadChartBytes(ChartDocument& doc, const QByteArray& bytes, int flags,
                   LoadReport* report = nullptr);

// The coord the loader gives a long-note end written at position p, whose
// nearest coord is c, after a head at coord start: the first whole beat
// after the start that reaches c, or the beat before it when p lies within
// LongCorrection of that one.
int longNoteEnd(const ChartDocument& doc, int start, double p, int c);

// The folder of path made absolute against the current directory (lexically,
// links are not resolved), with a trailing "/".
QString folderOf(const QString& path);

// The text a whole file is composed in: one buffer, reserved for the whole
// file up front, that every append writes into in place (nothing is joined
// or copied at the end).
class CStringBuilder {
  public:
    void reserve(qsizetype units);
    CStringBuilder& Append(QStringView newStr);
    CStringBuilder& Append(QLatin1StringView newStr);
    CStringBuilder& AppendLine(QStringView newStr);  // the text, then CR LF
    CStringBuilder& AppendLine(QLatin1StringView newStr);
    CStringBuilder& AppendNumber(int n);         // plain decimal
    CStringBuilder& AppendRound2(double x);      // round2Text(x)
    QByteArray ToAnsiArray(int lcid = 0) const;  // GB18030 ("?" for the unencodable)
    QString ToString() const;

  private:
    char16_t* room(qsizetype units);  // where the next units go; grows the buffer

    QString text_;  // sized ahead; the first used_ units are the text
    qsizetype used_ = 0;
    bool ascii_ = true;  // nothing but ASCII was appended
};

}  // namespace lumidex
