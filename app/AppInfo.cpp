#include "AppInfo.h"

#include "LumidexVersion.h"

namespace lumidex {

VersionRecord buildVersionRecord() {
    VersionRecord v;
    v.CompanyName = QStringLiteral(LUMIDEX_COMPANY_NAME);
    v.FileDescription = QStringLiteral(LUMIDEX_FILE_DESCRIPTION);
    v.FileVersion = QStringLiteral(LUMIDEX_FILE_VERSION);
    v.InternalName = QStringLiteral(LUMIDEX_INTERNAL_NAME);
    v.LegalCopyright = QStringLiteral(LUMIDEX_LEGAL_COPYRIGHT);
    v.OriginalFilename = QStringLiteral(LUMIDEX_INTERNAL_NAME);
    v.ProductName = QStringLiteral(LUMIDEX_PRODUCT_NAME);
    v.ProductVersion = QStringLiteral(LUMIDEX_PRODUCT_VERSION);
    v.FileVersionNumber = v.FileVersion;
    v.ProductVersionNumber = v.ProductVersion;
    return v;
}

AppInfo makeAppInfo(const QString& exePath, const QStringList& argv) {
    AppInfo info;
    info.ExePath = exePath;
    const qsizetype slash = exePath.lastIndexOf(QLatin1Char('/'));
    info.ExeName = exePath.mid(slash + 1);
    info.AppDir = exePath.left(slash + 1);
    info.Args = argv.isEmpty() ? QStringList{exePath} : argv;
    info.ArgCount = static_cast<int32_t>(info.Args.size());
    info.ArgsLine = info.Args.mid(1).join(QLatin1Char(' '));
    info.Version = buildVersionRecord();
    return info;
}

}  // namespace lumidex
