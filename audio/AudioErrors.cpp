#include "AudioErrors.h"

#include "Bass.h"
#include "CMSS.h"
#include "DShowTypes.h"
#include "RuntimeError.h"

namespace lumidex {

namespace {

constexpr const char* kUnknown = "Unknown error";
constexpr const char* kNoMemory = "Out of memory";
constexpr const char* kNotFound = "File not found";
constexpr const char* kNoHardware = "Audio hardware not found";
constexpr const char* kUnsupported = "Unsupported format";

struct KnownError {
    int32_t number;
    const char* text;
};

constexpr KnownError kKnownErrors[] = {
    {bassErrorNumber(BASS_ERROR_UNKNOWN), kUnknown},
    {bassErrorNumber(BASS_ERROR_MEM), kNoMemory},
    {bassErrorNumber(BASS_ERROR_FILEOPEN), kNotFound},
    {bassErrorNumber(BASS_ERROR_INIT), kNoHardware},
    {bassErrorNumber(BASS_ERROR_FILEFORM), kUnsupported},
    {milesErrorNumber(CMSS::kFileNotFound), kNotFound},
    {milesErrorNumber(CMSS::kUnsupported), kUnsupported},
    {E_FAIL, kUnknown},
    {VFW_E_NOT_FOUND, kNotFound},
    {VFW_E_NO_AUDIO_HARDWARE, kNoHardware},
    {VFW_E_UNSUPPORTED_STREAM, kUnsupported},
};

}  // namespace

QString soundErrorText(int32_t n) {
    for (const KnownError& known : kKnownErrors)
        if (known.number == n) return QString::fromLatin1(known.text);
    return QString();
}

QString fileOpenErrorText(int32_t n) {
    if (n >= hresult(0x800A0000) && n < hresult(0x800B0000)) n -= hresult(0x800A0000);
    const QString text = QStringLiteral("File open error!\nError code ");
    if (n >= 0 && n < 0x10000)
        return text + QString::number(n) + QStringLiteral(": ") + RuntimeError::describe(n);
    const auto bits = static_cast<uint32_t>(n);
    return text + QStringLiteral("0x") + QString::number(bits, 16).toUpper() +
           QStringLiteral(": ") + soundErrorText(n);
}

}  // namespace lumidex
