#include "HelpBoxes.h"

#include <QStringList>

#include "Dialogs.h"

namespace lumidex {

QString instructionsText() {
    static const char* const lines[] = {
        "Simple Instructions:",
        "1. If the value of AlignCoord is N, the minimal gap between notes is N. If opening and "
        "saving notes which have abnormal beats (eg. 3/4), you must set AlignCoord to 1 to prevent "
        "from normalising the notes to 3 coords or more.",
        "2. Click the number right to the obstacle to edit key index.",
        "3. While editing key indices, press Up(Down) key to jump to the next(previous) note, "
        "press PageUp(PageDown) key to scroll a page, press Alt+Up(Down) key to tune up(down) the "
        "note by 1 coord.",
        "4. To change BPM/speed, please click on \"Edit->Change Speed...\", enter the coord to "
        "change speed from, press \"Get BPM Info\", and enter new BPM/speed below.",
        "Notice:",
        "1. Keep the gap behind upleft, downleft, upright, downright notes >= 12 coords and the "
        "gap behind the jump notes >= 48 coords consciously, ",
        "otherwise please take responsibility of all consequences for what you are doing.",
        "2. Please set random note kinds before using random notes.",
        "3. For MP3 files, playing by Bass decoder is recommended. However, you should use Miles "
        "decoder to exactly set the delay when publishing your music.",
        "4. When using music in PAK files, please notice that the editor only recognises PAK files "
        "having the same prefix before \"/\" as the music path in \"pvx_music path\" directory.",
    };
    QStringList text;
    for (const char* line : lines) text << QString::fromUtf8(line);
    return text.join(QLatin1Char('\n'));
}

QString aboutText(const VersionRecord& version) {
    return QStringList{
        kAppTitle + QStringLiteral(" Version ") + version.FileVersion,
        QStringLiteral("Written by the Lumidex developers."),
        version.LegalCopyright,
        QStringLiteral("This program is provided as it is, without warranty of any kind."),
        QStringLiteral("The charts you make with it are your own work."),
        QStringLiteral("Keep copies of your charts: use it at your own risk."),
    }
        .join(QLatin1Char('\n'));
}

}  // namespace lumidex
