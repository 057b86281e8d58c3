#include "Wiring.h"

#include <QFocusEvent>

#include <exception>

#include "EditTypes.h"
#include "RuntimeError.h"

namespace lumidex {

void guarded(Dialogs& ui, const std::function<void()>& handler) {
    try {
        handler();
    } catch (const RuntimeError& e) {
        ui.message(e.description(), MsgIcon::Exclamation);
    } catch (const std::exception& e) {
        ui.message(QString::fromLocal8Bit(e.what()), MsgIcon::Exclamation);
    }
}

int buttonsOf(Qt::MouseButtons buttons) {
    return (buttons & Qt::LeftButton ? kButtonLeft : 0) |
           (buttons & Qt::RightButton ? kButtonRight : 0) |
           (buttons & Qt::MiddleButton ? kButtonMiddle : 0);
}

int shiftOf(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? kShiftMask : 0) |
           (modifiers & Qt::ControlModifier ? kCtrlMask : 0) |
           (modifiers & Qt::AltModifier ? kAltMask : 0);
}

int keyCodeOf(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Backspace:
            return kKeyBackspace;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return kKeyEnter;
        case Qt::Key_Shift:
            return kKeyShift;
        case Qt::Key_Space:
            return kKeySpace;
        case Qt::Key_PageUp:
            return kKeyPgUp;
        case Qt::Key_PageDown:
            return kKeyPgDown;
        case Qt::Key_Left:
            return kKeyLeft;
        case Qt::Key_Up:
            return kKeyUp;
        case Qt::Key_Right:
            return kKeyRight;
        case Qt::Key_Down:
            return kKeyDown;
        default:
            return 0;
    }
}

bool leavesTheBox(const QFocusEvent* event) {
    return event->reason() != Qt::PopupFocusReason &&
           event->reason() != Qt::ActiveWindowFocusReason;
}

}  // namespace lumidex
