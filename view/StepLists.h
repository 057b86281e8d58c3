#pragma once
// The four step lists of the tool bar: their items, the item chosen at
// start-up, and the value an item stands for. Each value is the leading
// number of the item's text.

#include <QString>
#include <QStringList>

namespace lumidex {

struct StepList {
    QStringList items;
    int startIndex = 0;
};

// "AlignCoord": the note grid of loading and the minimal gap between notes.
const StepList& normalizeList();
// "VScroll": coords per wheel notch.
const StepList& vScrollList();
// "AltStep".
const StepList& altStepList();
// "KeyStep": "Note" (step to the next note) and fixed steps.
const StepList& keyStepList();

double alignCoordFromItem(const QString& text);
double altStepFromItem(const QString& text);
// Rounded to a whole number of coords.
int wheelStepFromItem(const QString& text);
// Rounded to a whole number of coords; "Note" (no number) is stored as -1.
int keyStepFromItem(const QString& text);

}  // namespace lumidex
