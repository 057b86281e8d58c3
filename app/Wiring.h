#pragma once
// How the window and its controllers connect controls to handlers: every
// handler runs guarded, so a run-time error that escapes it is shown in a
// message box instead of ending the program. Mouse buttons, modifiers and
// keys are turned into the handlers' numbers (edit/EditTypes.h).

#include <QObject>

#include <functional>

#include "Dialogs.h"

class QFocusEvent;

namespace lumidex {

// Runs handler; an error that escapes it is shown.
void guarded(Dialogs& ui, const std::function<void()>& handler);

// Connects signal of sender to handler (which may take none of the signal's
// arguments), run guarded, for as long as context lives.
template <class Sender, class Signal>
void wire(QObject* context, Dialogs& ui, Sender* sender, Signal signal,
          std::function<void()> handler) {
    QObject::connect(sender, signal, context,
                     [&ui, handler = std::move(handler)] { guarded(ui, handler); });
}

int buttonsOf(Qt::MouseButtons buttons);
int shiftOf(Qt::KeyboardModifiers modifiers);
// The key code of a Qt key; 0 for a key no handler looks at.
int keyCodeOf(int qtKey);
// Focus that leaves for a menu or another window is not the user leaving a
// box: nothing is checked then.
bool leavesTheBox(const QFocusEvent* event);

}  // namespace lumidex
