#pragma once
// Editing on the canvas: the "Note Kind List" palette, the mouse on picMain,
// keyboard entry while "Keyboard &Input" is ticked, "Set Foc&us" and "S&et
// Random Note Kinds...". The rules are in edit/ (MouseEditing,
// KeyboardEntry); this wires the controls to them and repaints after them.

#include <QObject>

#include <memory>

#include "KeyboardEntry.h"
#include "MouseEditing.h"
#include "WindowParts.h"
#include "WindowWidgets.h"

namespace lumidex {

class CanvasEditing : public QObject, private ChartEditListener {
  public:
    CanvasEditing(const WindowParts& parts, const CanvasWidgets& w, RandomKindSet& randomKinds);
    ~CanvasEditing() override;

    // Mouse buttons and modifiers as sets (edit/EditTypes.h); rows in pixels.
    void imgEle_MouseDown(int index);
    void picMain_MouseDown(int button, int shift, int x, int y);
    void picMain_MouseMove(int button, int shift, int x, int y);
    void picMain_MouseUp(int button, int shift, int x, int y);
    // True when the key was taken by keyboard entry.
    bool picMain_KeyDown(int keyCode, int shift);
    bool picMain_KeyUp(int keyCode, int shift);
    void picMain_LostFocus();
    void chkKBInput_Click();
    void cmdFocus_Click();
    void mnRandKind_Click();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void chartChanged(const ChartChange&) override {}
    void chartReplaced() override;
    bool canvasEvent(QEvent* event);
    bool keyEvent(QEvent* event);
    KeyContext keyContext() const;
    void afterKey(const KeyOutcome& outcome);
    void setPaletteBorder(int kind, bool on);

    WindowParts parts_;
    CanvasWidgets w_;
    RandomKindSet& randomKinds_;
    std::unique_ptr<MouseEditing> mouse_;
    KeyboardEntry keyboard_;
    bool keyboardInput_ = false;
};

}  // namespace lumidex
