#include "AudioEngines.h"

#include <QDir>
#include <QFileInfo>

#include "Bass.h"

namespace lumidex {

namespace {

constexpr DWORD kOutputRate = 44100;

}  // namespace

bool AudioEngines::startup(Dialogs& ui, const std::function<void(int)>& disableDecoder) {
    if (started_) return true;

    // 1. The BASS layer must speak version 2.4.
    if ((BASS_GetVersion() >> 16) != BASSVERSION) {
        ui.message(kBassVersionMessage, MsgIcon::Critical);
        return false;
    }
    started_ = true;

    // 2. BASS on the default device.
    bassReady_ = BASS_Init(-1, kOutputRate, 0, nullptr, nullptr) != FALSE;
    if (!bassReady_) {
        ui.message(kBassInitMessage, MsgIcon::Critical);
        if (disableDecoder) disableDecoder(0);
    }

    // 3. The BASS decoder plug-ins.
    loadBassPlugins();

    // 4. Miles: digital output only, 44100 Hz, 16-bit stereo.
    AIL_set_redist_directory("./");
    AIL_set_preference(DIG_MIXER_CHANNELS, 2000);
    milesReady_ = AIL_quick_startup(1, 0, kOutputRate, 16, 2) != 0;
    if (!milesReady_) {
        ui.message(kMilesInitMessage, MsgIcon::Critical);
        if (disableDecoder) disableDecoder(1);
    }

    // 5. The Miles handles (no MIDI or DLS device is ever asked for). There
    // is no DirectSound window to name here: the output does not depend on a
    // window's focus.
    HMDIDRIVER midi = nullptr;
    HDLSDEVICE dls = nullptr;
    AIL_quick_handles(&digital_, &midi, &dls);
    AIL_set_DirectSound_HWND(digital_, nullptr);
    return true;
}

void AudioEngines::loadBassPlugins() {
    // Every shared library in the program's own plug-in folder (never the
    // working directory, where anyone could plant one), in name order.
    // Failures are ignored here; the BASS layer keeps their reasons.
    const QString folder = audio::bassPluginFolder();
    if (folder.isEmpty()) return;
    const QFileInfoList files =
        QDir(folder).entryInfoList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
    for (const QFileInfo& file : files) {
        if (!file.fileName().toLower().endsWith(QStringLiteral(".so"))) continue;
        const QString path = file.filePath();
        BASS_PluginLoad(path.utf16(), BASS_UNICODE);
    }
}

void AudioEngines::shutdown() {
    if (!started_) return;
    AIL_quick_shutdown();
    BASS_PluginFree(0);
    if (bassReady_) BASS_Free();
    started_ = false;
    bassReady_ = false;
    milesReady_ = false;
    digital_ = nullptr;
}

}  // namespace lumidex
