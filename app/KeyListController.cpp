#include "KeyListController.h"

#include <QAction>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>

#include "ChartView.h"
#include "KeyList.h"
#include "Wiring.h"

namespace lumidex {

KeyListController::KeyListController(const WindowParts& parts, KeyListParts keys,
                                     const KeyListWidgets& w)
    : parts_(parts), keys_(std::move(keys)), w_(w) {
    Dialogs& ui = parts_.ui;
    wire(this, ui, w_.mnKeyAdd, &QAction::triggered, [this] { mnKeyAdd_Click(); });
    wire(this, ui, w_.mnKeyAddBatch, &QAction::triggered, [this] { mnKeyAddBatch_Click(); });
    wire(this, ui, w_.mnKeyEdit, &QAction::triggered, [this] { mnKeyEdit_Click(); });
    wire(this, ui, w_.mnKeyDelete, &QAction::triggered, [this] { mnKeyDelete_Click(); });
    wire(this, ui, w_.mnKeyPurge, &QAction::triggered, [this] { mnKeyPurge_Click(); });
    wire(this, ui, w_.cmdKeyAdd, &QPushButton::clicked, [this] { cmdKeyAdd_Click(); });
    wire(this, ui, w_.cmdKeyEdit, &QPushButton::clicked, [this] { cmdKeyEdit_Click(); });
    wire(this, ui, w_.cmdKeyDelete, &QPushButton::clicked, [this] { cmdKeyDelete_Click(); });
    wire(this, ui, w_.lsKey, &QListWidget::itemClicked, [this] { lsKey_Click(); });
    wire(this, ui, w_.lsKey, &QListWidget::itemDoubleClicked, [this] { lsKey_DblClick(); });
    parts_.edits.addListener(this);
}

KeyListController::~KeyListController() {
    parts_.edits.removeListener(this);
}

void KeyListController::chartChanged(const ChartChange& change) {
    if (changesKeyList(change)) fillKeyList();
}

void KeyListController::fillKeyList() {
    const ChartDocument& doc = parts_.doc;
    QListWidget* list = w_.lsKey;
    const int count = std::clamp(doc.KeyCount, 0, kMaxKeySound);
    while (list->count() > count) delete list->takeItem(list->count() - 1);
    for (int k = 1; k <= count; ++k) {
        const QString line = keyListLine(k, doc.keySound(k));
        if (k > list->count())
            list->addItem(line);
        else if (list->item(k - 1)->text() != line)
            list->item(k - 1)->setText(line);
    }
}

int KeyListController::selectedKey() const {
    const int k = w_.lsKey->currentRow() + 1;
    return k >= 1 && k <= parts_.doc.KeyCount ? k : 0;
}

void KeyListController::mnKeyAdd_Click() {
    KeyListCommands(parts_.edits, parts_.ui).add();
}

void KeyListController::mnKeyAddBatch_Click() {
    KeyListCommands(parts_.edits, parts_.ui).addBatch(keys_.musicDir());
}

void KeyListController::mnKeyEdit_Click() {
    if (const int k = selectedKey()) KeyListCommands(parts_.edits, parts_.ui).edit(k);
}

void KeyListController::mnKeyDelete_Click() {
    const int k = selectedKey();
    if (k && KeyListCommands(parts_.edits, parts_.ui).remove(k)) parts_.view.ReDrawNote();
}

void KeyListController::mnKeyPurge_Click() {
    if (KeyListCommands(parts_.edits, parts_.ui).purge()) parts_.view.ReDrawNote();
}

// The preview plays through the decoder chosen in the "Pla&y" menu.
void KeyListController::lsKey_Click() {
    const int k = selectedKey();
    if (!k) return;
    if (keys_.keyPreview.play(KeyDecoder(keys_.sounds.decoder()), k, parts_.doc.keySound(k),
                              keys_.musicDir()))
        keys_.previewPlayed();
}

}  // namespace lumidex
