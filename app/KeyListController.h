#pragma once
// The "Key List:" panel: lsKey kept in step with the key sounds, the key
// list commands of the "&Edit" menu and the panel's buttons (keys/
// KeyList.h does the work), and the preview of a clicked key.

#include <QObject>

#include <functional>

#include "ChartEdit.h"
#include "DocumentCommands.h"
#include "KeyPreview.h"
#include "SoundBank.h"
#include "WindowParts.h"
#include "WindowWidgets.h"

namespace lumidex {

struct KeyListParts {
    const WindowState& state;  // the chart's file, where "&Batch Add Key..." starts
    const SoundBank& sounds;   // the decoder a preview plays through
    KeyPreview& keyPreview;
    std::function<QString()> musicDir;
    std::function<void()> previewPlayed;  // a clicked key's sound was opened
};

class KeyListController : public QObject, private ChartEditListener {
  public:
    KeyListController(const WindowParts& parts, KeyListParts keys, const KeyListWidgets& w);
    ~KeyListController() override;

    // Brings lsKey in step with the key sounds 1..KeyCount, rewriting only
    // the lines that differ (the selection stays where it is).
    void fillKeyList();
    // The selected key of lsKey (1..KeyCount), or 0 when none is.
    int selectedKey() const;

    void mnKeyAdd_Click();
    void mnKeyAddBatch_Click();
    void mnKeyEdit_Click();
    void mnKeyDelete_Click();
    void mnKeyPurge_Click();
    void cmdKeyAdd_Click() { mnKeyAdd_Click(); }
    void cmdKeyEdit_Click() { mnKeyEdit_Click(); }
    void cmdKeyDelete_Click() { mnKeyDelete_Click(); }
    void lsKey_Click();
    void lsKey_DblClick() { mnKeyEdit_Click(); }

  private:
    void chartChanged(const ChartChange& change) override;

    WindowParts parts_;
    KeyListParts keys_;
    KeyListWidgets w_;
};

}  // namespace lumidex
