#include "TempoController.h"

#include <QAction>
#include <QMenu>

#include "ChartDocument.h"
#include "Playback.h"
#include "SoundBank.h"
#include "TempoDialog.h"
#include "Wiring.h"

namespace lumidex {

TempoController::TempoController(const WindowParts& parts, TempoParts tempo, QMenu* editMenu,
                                 QWidget* window)
    : parts_(parts), tempo_(std::move(tempo)), window_(window) {
    mnDetectTempo = editMenu->addAction(QStringLiteral("Detect Tempo..."));
    mnDetectTempo->setObjectName(QStringLiteral("mnDetectTempo"));
    wire(this, parts_.ui, mnDetectTempo, &QAction::triggered, [this] { mnDetectTempo_Click(); });
}

void TempoController::mnDetectTempo_Click() {
    auto* dialog = new tempo::TempoDialog(
        parts_.edits, tempo_.musicDir(), parts_.doc.keySound(0).Snd,
        [this]() -> std::optional<double> {
            if (!tempo_.playback.running()) return std::nullopt;
            return tempo_.sounds.music().Position();
        },
        tempo_.applied, window_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

}  // namespace lumidex
