#pragma once
// What the window shares with its controllers: the chart, the one way to
// change it, the dialogs and the chart view. The window owns them all and
// outlives its controllers.

namespace lumidex {

class ChartDocument;
class ChartEdit;
class ChartView;
class Dialogs;

struct WindowParts {
    ChartDocument& doc;
    ChartEdit& edits;  // every change to doc goes through it
    Dialogs& ui;
    ChartView& view;
};

}  // namespace lumidex
