// The test play and the "&Help" menu. The work is done by the test play
// (game/TestPlay.h) and the help texts (HelpBoxes.h); these handlers hand
// them what the window holds.

#include "HelpBoxes.h"
#include "MusicInfoBoxes.h"
#include "TestPlay.h"
#include "fmMain.h"

namespace lumidex {

void fmMain::mnPlayGame_Click(int index) {
    storeHeader();  // the save checks the header texts as they stand
    runTestPlay(doc, ui_, index, state.ChartDir, musicInfo->musicPath());
}

void fmMain::mnHelpInstruction_Click() {
    ui_.message(instructionsText(), MsgIcon::Information);
}

void fmMain::mnAbout_Click() {
    ui_.message(aboutText(app.Version), MsgIcon::Information);
}

}  // namespace lumidex
