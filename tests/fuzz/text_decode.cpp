// Text decoding: arbitrary bytes behind each byte-order mark (or none), with
// each code page a caller may name, then back into that code page. The
// converter itself is held to its two-pass promise: the size query and a fill
// of exactly that size agree, and a short buffer is never written past.

#include <fuzzer/FuzzedDataProvider.h>

#include <iterator>
#include <vector>

#include "FileText.h"
#include "FuzzSupport.h"
#include "Vornix.h"

using namespace lumidex;

namespace {

const QByteArray kMarks[] = {
    QByteArray(),
    QByteArray("\xFF\xFE\x00\x00", 4),
    QByteArray("\x00\x00\xFE\xFF", 4),
    QByteArray("\xEF\xBB\xBF"),
    QByteArray("\xFF\xFE"),
    QByteArray("\xFE\xFF"),
};

// The system page, the double-byte and Unicode pages, stateful ones (UTF-7,
// ISO-2022-JP), single-byte ones, and one iconv does not know.
const int kCodePages[] = {0,    54936, 936,   950,   932,   949,   1361,  65001, 65000, 1200,
                          1201, 12000, 12001, 50220, 51932, 20866, 28591, 1252,  437,   1};

void checkTwoPass(const QByteArray& code, const QByteArray& bytes) {
    const char* src = bytes.constData();
    const int32_t n = int32_t(bytes.size());
    const int32_t units = vornix::convertToUTF16(code.constData(), src, n, nullptr, 0);
    fuzz::check(units >= 0, "negative size");
    std::vector<char16_t> exact(static_cast<size_t>(units));
    const int32_t written = vornix::convertToUTF16(code.constData(), src, n, exact.data(), units);
    fuzz::check(written == units, "the fill and the size query disagree");
    if (units < 2) return;
    std::vector<char16_t> half(static_cast<size_t>(units / 2));
    const int32_t part = vornix::convertToUTF16(code.constData(), src, n, half.data(), units / 2);
    fuzz::check(part == units / 2, "a short buffer was not filled to its end");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const uint8_t options = in.ConsumeIntegral<uint8_t>();
    const std::vector<uint8_t> rest = in.ConsumeRemainingBytes<uint8_t>();
    const QByteArray& mark = kMarks[options % std::size(kMarks)];
    const int codePage = kCodePages[(options / std::size(kMarks)) % std::size(kCodePages)];

    const QByteArray bytes = mark + fuzz::bytesOf(rest.data(), rest.size());
    const QString text = BytesToText(bytes, codePage);
    textToBytes(text, codePage);
    checkTwoPass(codePageName(codePage), bytes);
    return 0;
}
