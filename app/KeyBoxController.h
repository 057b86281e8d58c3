#pragma once
// The key index box over the key strip: the text box txFxSnd that a click on
// picKey opens on a note. The rules are KeyIndexBox's (edit/); this shows
// the box for them and turns events into its handlers.

#include <QObject>

#include "KeyIndexBox.h"
#include "WindowParts.h"
#include "WindowWidgets.h"

namespace lumidex {

class KeyBoxController : public QObject, private ChartEditListener, private KeyBoxSurface {
  public:
    KeyBoxController(const WindowParts& parts, const KeyBoxWidgets& w);
    ~KeyBoxController() override;

    // The rules, with the coord the box edits.
    const KeyIndexBox& box() const { return box_; }

    void picKey_MouseDown(int button, int shift, int x, int y);
    // True when the key was taken (the box's own text editing gets the rest).
    bool txFxSnd_KeyDown(int keyCode, int shift);
    void txFxSnd_Validate(bool& Cancel);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool boxEvent(QEvent* event);
    // ChartEditListener
    void chartChanged(const ChartChange&) override {}
    void chartReplaced() override { box_.chartReplaced(); }
    // KeyBoxSurface
    bool isOpen() const override;
    QString text() const override;
    int top() const override;
    int stripHeight() const override;
    void open() override;
    void close() override;
    void place(int top, const QString& text) override;
    void showText(const QString& text) override;
    void moveWithNote(double d) override;
    void scrollPage(bool up) override;
    void focusCanvas() override;
    void repaint() override;
    void beep() override;

    WindowParts parts_;
    KeyBoxWidgets w_;
    KeyIndexBox box_;
};

}  // namespace lumidex
