// The tag scanner over arbitrary text, tag and attribute names: the first
// element's attribute, then every element of the tag in document order with
// the attribute picked out of each; and the one-walk element index the chart
// loader reads with, which must find exactly the same.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>

#include "FuzzSupport.h"
#include "Vornix.h"
#include "support/XmlOracle.h"

using namespace lumidex;

namespace {

void checkAttribute(const QString& text, const QString& tag, const QString& attribute) {
    int32_t pos = -2, len = -2;
    vornix::XMLPickAttribPosW(pos, len, text, tag, 1, attribute);
    fuzz::check(pos == -1 || (pos >= 0 && len >= 0 && qsizetype(pos) + len <= text.size()),
                "attribute value outside the text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const QString tag = QString::fromStdString(in.ConsumeRandomLengthString(24));
    const QString attribute = QString::fromStdString(in.ConsumeRandomLengthString(24));
    const QString text = QString::fromStdString(in.ConsumeRemainingBytesAsString());

    checkAttribute(text, tag, attribute);
    int32_t running = 0;
    for (;;) {
        const int32_t before = running;
        int32_t pos = -2, len = -2;
        vornix::XMLPickFullTagPosW(pos, len, text, tag, running, 1);
        if (pos == -1) {
            fuzz::check(running == before, "running position moved without an element");
            break;
        }
        fuzz::check(pos >= before && len > 0 && qsizetype(pos) + len <= text.size(),
                    "element outside the text");
        fuzz::check(running > before && running <= text.size(), "running position did not move on");
        checkAttribute(text.mid(pos, len), tag, attribute);
    }
    // The index holds tags that are names, as every chart tag is.
    const bool isName = !tag.isEmpty() && std::none_of(tag.begin(), tag.end(), [](QChar c) {
        return QStringView(u" \t\r\n=>/<\"'").contains(c);
    });
    if (isName) {
        const std::string difference = testing::xmlIndexDifference(text, tag, attribute);
        if (!difference.empty()) std::fprintf(stderr, "%s\n", difference.c_str());
        fuzz::check(difference.empty(), "the element index differs from the pickers");
    }
    return 0;
}
