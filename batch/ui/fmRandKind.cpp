#include "fmRandKind.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace lumidex {

fmRandKind::fmRandKind(RandomKindSet& set, const std::vector<int>& offered,
                       const NotePictures& pictures, Dialogs& ui, QWidget* parent)
    : QDialog(parent), set_(set), ui_(ui) {
    setObjectName(QStringLiteral("fmRandKind"));
    setWindowTitle(QStringLiteral("Random Note Kind"));
    Form_Load(offered, pictures);
}

void fmRandKind::Form_Load(const std::vector<int>& offered, const NotePictures& pictures) {
    auto* grid = new QGridLayout(this);
    grid->setVerticalSpacing(2);
    int row = 0;
    for (int kind : offered) {
        if (kind < 16 || kind > 127 || kind == 24) continue;
        auto* box = new QCheckBox(QString::number(kind));
        box->setObjectName(QStringLiteral("chkKind"));
        box->setProperty("index", kind);
        box->setChecked(set_.contains(kind));
        auto* image = new QLabel;
        image->setObjectName(QStringLiteral("imgKind"));
        image->setPixmap(pictures.palettePixmap(kind));
        chkKind[size_t(kind)] = box;
        imgKind[size_t(kind)] = image;
        grid->addWidget(box, row, 0);
        grid->addWidget(image, row, 1);
        ++row;
    }
    cmOK = new QPushButton(QStringLiteral("OK"));
    cmOK->setObjectName(QStringLiteral("cmOK"));
    cmOK->setDefault(true);
    grid->addWidget(cmOK, row, 0, 1, 2);
    connect(cmOK, &QPushButton::clicked, this, [this] { cmOK_Click(); });
}

void fmRandKind::cmOK_Click() {
    std::vector<uint8_t> kinds;
    for (int kind = 0; kind < kKindSlots; ++kind)
        if (chkKind[size_t(kind)] && chkKind[size_t(kind)]->isChecked())
            kinds.push_back(uint8_t(kind));
    if (!set_.confirm(kinds)) {
        ui_.beep();
        return;
    }
    accept();
}

}  // namespace lumidex
