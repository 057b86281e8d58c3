#pragma once
// Text the program puts into a one-line text box is shown from its start, as
// in a box the user has not touched: QLineEdit::setText leaves the cursor, and
// with it the visible part of a long text, at the end ("ase enter music name").

#include <QLineEdit>

namespace lumidex {

inline void showText(QLineEdit* box, const QString& text) {
    box->setText(text);
    box->setCursorPosition(0);
}

}  // namespace lumidex
