// The "Key List:" panel: lsKey kept in step with the key sounds, the key
// list commands of the "&Edit" menu and its buttons, and the preview of a
// clicked key.

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>

#include "KeyList.h"
#include "fmMain.h"

namespace lumidex {
void fmMain::fillKeyList() {
    const int count = std::clamp(doc.KeyCount, 0, kMaxKeySound);
    while (lsKey->count() > count) delete lsKey->takeItem(lsKey->count() - 1);
    for (int k = 1; k <= count; ++k) {
        const QString line = keyListLine(k, doc.keySound(k));
        if (k > lsKey->count())
            lsKey->addItem(line);
        else if (lsKey->item(k - 1)->text() != line)
            lsKey->item(k - 1)->setText(line);
    }
}

int fmMain::selectedKey() const {
    const int k = lsKey->currentRow() + 1;
    return k >= 1 && k <= doc.KeyCount ? k : 0;
}

void fmMain::mnKeyAdd_Click() {
    KeyListCommands(edits, ui_).add();
}

void fmMain::mnKeyAddBatch_Click() {
    KeyListCommands(edits, ui_).addBatch(musicDir());
}

void fmMain::mnKeyEdit_Click() {
    if (const int k = selectedKey()) KeyListCommands(edits, ui_).edit(k);
}

void fmMain::mnKeyDelete_Click() {
    const int k = selectedKey();
    if (k && KeyListCommands(edits, ui_).remove(k)) ReDrawNote();
}

void fmMain::mnKeyPurge_Click() {
    if (KeyListCommands(edits, ui_).purge()) ReDrawNote();
}

void fmMain::lsKey_Click() {
    const int k = selectedKey();
    if (!k) return;
    // The preview plays through the decoder chosen in the "Pla&y" menu.
    if (keyPreview.play(KeyDecoder(sounds->decoder()), k, doc.keySound(k), musicDir()))
        cmdCloseKey->setEnabled(true);
}

}  // namespace lumidex
