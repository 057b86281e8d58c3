#pragma once
// What the window tells a controller of its features besides the chart's
// edits (which it hears from ChartEdit): where settings live, and that the
// chart was saved. A controller that wants either derives from this too.

class QSettings;

namespace lumidex {

class WindowFeature {
  public:
    virtual ~WindowFeature() = default;
    // Where the feature remembers things between runs (nowhere until then);
    // settings outlive the feature.
    virtual void useSettings(QSettings*) {}
    // The chart was written to its file.
    virtual void chartSaved() {}
};

}  // namespace lumidex
