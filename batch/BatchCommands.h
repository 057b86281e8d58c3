#pragma once
// The batch commands as the window runs them: they read the texts of the
// "Clipboard" panel and of the "Change Speed" dialog, refuse bad input with
// the messages and beeps the user sees (through Dialogs), and run the
// operations of RangeClipboard, KindTransforms and SpeedChange.
//
// A command answers true when it ran; the window then repaints. Each
// command that writes is one edit step, and the chart counts as modified
// through that step only: a command whose writes leave every value as it was
// (a speed change to the values there, a transform over a range without
// notes) records nothing and leaves the chart unmarked. Refusals and
// commands without a field to work on answer false and change nothing.
//
// The AlignCoord grid is the document's, read at each command.

#include <QString>

#include <optional>

#include "ChartEdit.h"
#include "Dialogs.h"
#include "KindTransforms.h"
#include "RandomKinds.h"
#include "RangeClipboard.h"
#include "ValueLimits.h"

namespace lumidex {

class BatchCommands {
  public:
    BatchCommands(ChartEdit& edits, Dialogs& ui, RandomKindSet& randomKinds);

    // ---- "Clipboard" panel: from and to are the "Copy from" boxes, dest the
    // "Paste to" box, fields the three check boxes.
    bool Copy(const QString& from, const QString& to, ClipFields fields);
    bool Cut(const QString& from, const QString& to, ClipFields fields);
    bool Paste(const QString& dest, ClipFields fields);

    // ---- "--Batch Operation--" over the range of the "Copy from" boxes.
    bool Transform(KindTransform t, const QString& from, const QString& to);
    bool FillKeyIndex(bool ascending, const QString& from, const QString& to);

    // ---- "Change Speed" dialog
    struct TempoTexts {
        QString BPMO;  // the Tempo at the coord, for "Current BPM:"
        QString BPM;   // the Speed, for "Current Speed:"
    };
    // "&Get BPM Info": the values at the coord typed (cell 0 for an empty
    // box); a beep and nullopt for text that is not a number or a coord
    // outside the chart. Never throws.
    std::optional<TempoTexts> GetBPMInfo(const QString& coord);
    // "&Change": rewrites the tempo segment at coord. Tempo and speed must be
    // numbers from 1 to 10000 (ValueLimits.h) and the coord inside the chart (text without a number
    // is coord 0); anything else beeps and changes nothing. Never throws.
    bool ChangeSpeed(const QString& coord, const QString& tempo, const QString& speed);

  private:
    std::optional<SteppedRange> range(const QString& from, const QString& to);
    double align() const { return edits_.doc().AlignCoord; }
    static std::optional<double> boxValue(const QString& text);
    std::optional<int> dialogCoord(const QString& text);
    // The number of text within the limits of value (as a file gives it
    // back), or nullopt after a beep.
    std::optional<double> limited(const QString& text, ChartValue value);

    ChartEdit& edits_;
    Dialogs& ui_;
    RandomKindSet& randomKinds_;
    RangeClipboard clip_;
};

}  // namespace lumidex
