#include "fmBPM.h"

#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumidex {
namespace {

template <class W>
W* named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

}  // namespace

fmBPM::fmBPM(BatchCommands& commands, std::function<void()> changed, QWidget* parent)
    : QDialog(parent), commands_(commands), changed_(std::move(changed)) {
    setObjectName(QStringLiteral("fmBPM"));
    setWindowTitle(QStringLiteral("Change Speed"));
    setModal(false);

    txCoord = named(new QLineEdit, QStringLiteral("txCoord"));
    txBPMO = named(new QLineEdit, QStringLiteral("txBPMO"));
    txBPM = named(new QLineEdit, QStringLiteral("txBPM"));
    cmdGetInfo =
        named(new QPushButton(QStringLiteral("&Get BPM Info")), QStringLiteral("cmdGetInfo"));
    cmdOK = named(new QPushButton(QStringLiteral("&Change")), QStringLiteral("cmdOK"));
    cmdCancel = named(new QPushButton(QStringLiteral("Cancel")), QStringLiteral("cmdCancel"));

    auto* info = named(new QGroupBox(QStringLiteral("BPM Info")), QStringLiteral("frBPMInfo"));
    auto* infoForm = new QFormLayout(info);
    infoForm->addRow(QStringLiteral("Current BPM:"), txBPMO);
    infoForm->addRow(QStringLiteral("Current Speed:"), txBPM);
    auto* coordForm = new QFormLayout;
    coordForm->addRow(QStringLiteral("Enter Coord:"), txCoord);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdGetInfo, cmdOK, cmdCancel}) buttons->addWidget(b);
    auto* column = new QVBoxLayout(this);
    column->addLayout(coordForm);
    column->addWidget(info);
    column->addLayout(buttons);

    txCoord->installEventFilter(this);
    txBPM->installEventFilter(this);
    connect(cmdGetInfo, &QPushButton::clicked, this, [this] { cmdGetInfo_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void fmBPM::cmdGetInfo_Click() {
    const auto texts = commands_.GetBPMInfo(txCoord->text());
    if (!texts) return;
    txBPMO->setText(texts->BPMO);
    txBPM->setText(texts->BPM);
}

void fmBPM::cmdOK_Click() {
    if (!commands_.ChangeSpeed(txCoord->text(), txBPMO->text(), txBPM->text())) return;
    if (changed_) changed_();
    close();
}

void fmBPM::cmdCancel_Click() {
    close();
}

void fmBPM::txCoord_GotFocus() {
    cmdGetInfo->setDefault(true);
}

void fmBPM::txBPM_GotFocus() {
    cmdOK->setDefault(true);
}

bool fmBPM::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (watched == txCoord) txCoord_GotFocus();
        if (watched == txBPM) txBPM_GotFocus();
    }
    return QDialog::eventFilter(watched, event);
}

// Closing forgets the typed values; a hide by the window system (the main
// window minimised) keeps them.
void fmBPM::hideEvent(QHideEvent* event) {
    if (!event->spontaneous())
        for (QLineEdit* box : {txCoord, txBPMO, txBPM}) box->clear();
    QDialog::hideEvent(event);
}

}  // namespace lumidex
