#pragma once
// "Random Note Kind": the dialog of "S&et Random Note Kinds...". One row per
// offered kind, a check box captioned with the kind's number beside its
// picture; the boxes of the current set start checked. "OK" makes the
// checked kinds the set. Confirming with no box checked is refused with a
// beep and the dialog stays, so random notes never draw from a set the user
// did not choose. Closing the window keeps the set as it was.

#include <QDialog>

#include <array>
#include <vector>

#include "ChartDocument.h"
#include "Dialogs.h"
#include "NotePictures.h"
#include "RandomKinds.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace lumidex {

class fmRandKind : public QDialog {
  public:
    // offered: the kinds the palette shows; rows are made for those from 16
    // to 127 other than the tower 24.
    fmRandKind(RandomKindSet& set, const std::vector<int>& offered, const NotePictures& pictures,
               Dialogs& ui, QWidget* parent = nullptr);

    // Indexed by kind; null where a kind has no row.
    std::array<QCheckBox*, kKindSlots> chkKind{};
    std::array<QLabel*, kKindSlots> imgKind{};
    QPushButton* cmOK = nullptr;

    void cmOK_Click();

  private:
    void Form_Load(const std::vector<int>& offered, const NotePictures& pictures);

    RandomKindSet& set_;
    Dialogs& ui_;
};

}  // namespace lumidex
