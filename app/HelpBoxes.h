#pragma once
// The texts of the "&Help" menu's two boxes: the usage notes of
// "&Instructions..." and the version and notice of "&About...".

#include <QString>

#include "AppInfo.h"

namespace lumidex {

// Eleven lines joined by line feeds, none after the last.
QString instructionsText();

// Six lines joined by line feeds: the title with the file version, the
// author line, the copyright of the version record and a three-line notice.
QString aboutText(const VersionRecord& version);

}  // namespace lumidex
