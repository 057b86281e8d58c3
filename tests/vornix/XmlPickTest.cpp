// The lenient pickers XMLPickAttribPosW / XMLPickFullTagPosW and the wrappers
// PickAttribute / PickFullTag, the way the loader drives them.

#include "Vornix.h"
#include "support/XmlOracle.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

using lumidex::kPickError;
using lumidex::PickAttribute;
using lumidex::PickFullTag;

namespace {

// Every element of a tag, visited with one running position.
QStringList allElements(const QString& text, const QString& tag) {
    QStringList out;
    int32_t running = 0;
    for (;;) {
        const QString e = PickFullTag(text, tag, running, 1);
        if (e == kPickError) break;
        out << e;
    }
    return out;
}

const QString kChart = QStringLiteral(
    "<?xml version=\"1.0\" encoding=\"gb18030\"?>\r\n"
    "<TITLE Name=\"星空 Song\">\r\n"
    "<BPM Frame=\"0\" BPM=\"150\" OriginalBPM=\"120\"></BPM>\r\n"
    "<BPM Frame=\"100.5\" BPM=\"75\"></BPM>\r\n"
    "<BGM Name=\"song.ogg\" Volume=\"1.00\"></BGM>\r\n"
    "<DELAY Value=\"10\"></DELAY>\r\n"
    "<EFFECT Snd=\"kick.wav\" Volume=\"1.00\"></EFFECT>\r\n"
    "<EFFECT Snd=\"鼓.wav\" Volume=\"0.5\"></EFFECT>\r\n"
    "<AREA Coord=\"0\" Kind=\"20\" Level=\"5\" FxSndIndex=\"1\"></AREA>\r\n"
    "<AREA Coord=\"12\" Kind=\"26\" Level=\"1\" FxSndIndex=\"1\" AutoPlay=\"1\"></AREA>\r\n"
    "<AREA Coord=\"24\" Kind=\"128\" Level=\"5\" FxSndIndex=\"2\"></AREA>\r\n"
    "</TITLE>\r\n");

}  // namespace

TEST(PickAttribute, FirstElementWholeNamesAndLenientForms) {
    struct Case {
        QString text;
        const char* tag;
        const char* attribute;
        QString expected;  // kPickError: not found
    };
    const QString quoted = QStringLiteral(
        "<EFFECT Snd=\"a>b <BPM BPM=1>.wav\" Volume='1 > 0' Name=\"&amp;&lt;\"></EFFECT>"
        "<BPM BPM=\"2\"></BPM>");
    const QString title = QStringLiteral(
        "<TITLE Name=\"He said \"hi\" & left\">\r\n<BPM Frame=\"0\" BPM=\"150\"></BPM>");
    const Case cases[] = {
        // Header values come from the first element of a tag.
        {kChart, "TITLE", "Name", QStringLiteral("星空 Song")},
        {kChart, "BPM", "BPM", "150"},
        {kChart, "BPM", "OriginalBPM", "120"},
        {kChart, "LONGCRT", "Value", kPickError},
        {kChart, "BGM", "Snd", kPickError},
        {"<BPM BPM=\"1\"></BPM><BPM OriginalBPM=\"2\"></BPM>", "BPM", "OriginalBPM", kPickError},
        // Names match whole, whichever comes first, and case matters.
        {"<BPM OriginalBPM=\"120\" BPM=\"150\"></BPM>", "BPM", "BPM", "150"},
        {"<BPM Frame=\"0\" OriginalBPM=\"120\"></BPM>", "BPM", "BPM", kPickError},
        {"<BPMX BPM=\"9\"></BPMX><BPM.old BPM=\"8\"/><BPM BPM=\"1\"></BPM>", "BPM", "BPM", "1"},
        {"<BPMX BPM=\"9\"></BPMX><BPM BPM=\"1\"></BPM>", "BP", "BPM", kPickError},
        {"<bpm BPM=\"1\"></bpm><BPM bpm=\"2\" BPM=\"3\"></BPM>", "BPM", "BPM", "3"},
        // A tag name is followed by a blank of any kind, ">" or "/".
        {"<DELAY\r\n\tValue = '5' >", "DELAY", "Value", "5"},
        {"<DELAY/><DELAY Value=\"6\">", "DELAY", "Value", kPickError},
        // Quoted values as they stand: ">" and "<" inside, no entity
        // decoding, single quotes; the "<BPM" inside a value is no element.
        {quoted, "EFFECT", "Snd", "a>b <BPM BPM=1>.wav"},
        {quoted, "EFFECT", "Volume", "1 > 0"},
        {quoted, "EFFECT", "Name", "&amp;&lt;"},
        {quoted, "BPM", "BPM", "2"},
        {"<BGM Name=\"\" Volume=''>", "BGM", "Volume", ""},
        // The saver writes names verbatim, quotes and ampersands included.
        {title, "TITLE", "Name", "He said \"hi\" & left"},
        {title, "BPM", "BPM", "150"},
        {"<TITLE Name=\"\"Quoted\"\">\r\n<BPM BPM=\"1\"></BPM>", "TITLE", "Name", "\"Quoted\""},
        {"<EFFECT Snd=\"it\"s.wav\" Volume=\"1\"></EFFECT>", "EFFECT", "Snd", "it\"s.wav"},
        {"<BGM Name=\"x\"Volume=\"2\">", "BGM", "Volume", "2"},  // no blank between
        // A bare attribute is present and empty; unquoted values.
        {"<AREA Coord=\"1\" AutoPlay>", "AREA", "AutoPlay", ""},
        {"<AREA Coord=12.5 Kind=20/>", "AREA", "Kind", "20"},
        // Comments, processing instructions and CDATA hide what they hold;
        // a "<" in plain text is text; a value cut off runs to the end.
        {"<?BPM BPM=\"7\"?><!-- <BPM BPM=\"8\"> --><![CDATA[<BPM BPM=\"9\">]]><BPM BPM=\"1\">",
         "BPM", "BPM", "1"},
        {"1 < 2 <BPM BPM=\"3\">", "BPM", "BPM", "3"},
        {"<TITLE Name=\"abc", "TITLE", "Name", "abc"},
        // Nothing to search or nothing to search for.
        {QString(), "BPM", "BPM", kPickError},
        {kChart, "", "BPM", kPickError},
        {kChart, "BPM", "", kPickError},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PickAttribute(c.text, c.tag, 1, c.attribute), c.expected)
            << c.text.left(60).toStdString() << " / " << c.tag << " / " << c.attribute;
    EXPECT_EQ(allElements(quoted, "BPM"), QStringList{QStringLiteral("<BPM BPM=\"2\"></BPM>")});
}

TEST(PickAttribute, PositionsAreZeroBasedUtf16Offsets) {
    const QString text = QStringLiteral("\U00020000<TITLE Name=\"中\U00020000x\">");
    int32_t pos = 99, len = 99;
    EXPECT_EQ(vornix::XMLPickAttribPosW(pos, len, text, "TITLE", 1, "Name"), 15);
    EXPECT_EQ(pos, 15);  // 2 units for U+20000, then <TITLE Name=" (13 units)
    EXPECT_EQ(len, 4);
    EXPECT_EQ(vornix::XMLPickAttribPosW(pos, len, text, "TITLE", 1, "Snd"), -1);
    EXPECT_EQ(pos, -1);
    EXPECT_EQ(vornix::XMLPickAttribPosW(pos, len, text, "NONE", 1, "Name"), -1);
    EXPECT_EQ(pos, -1);
}

TEST(PickFullTag, VisitsEveryElementInOrder) {
    EXPECT_EQ(allElements(kChart, "AREA").size(), 3);
    EXPECT_TRUE(allElements(kChart, "LONGCRT").isEmpty());
    // The whole TITLE element spans the file, the elements it holds included.
    const int from = int(kChart.indexOf("<TITLE"));
    EXPECT_EQ(allElements(kChart, "TITLE"), QStringList{kChart.mid(from).trimmed()});
}

TEST(PickFullTag, RunningPositionAndPositions) {
    const QString text = QStringLiteral("xx<A k=\"1\"></A>yy<A k=\"2\"></A >");
    int32_t running = 0, pos = 0, len = 0;
    EXPECT_EQ(vornix::XMLPickFullTagPosW(pos, len, text, "A", running, 1), 2);
    EXPECT_EQ(len, 13);
    EXPECT_EQ(running, 15);
    EXPECT_EQ(vornix::XMLPickFullTagPosW(pos, len, text, "A", running, 1), 17);
    EXPECT_EQ(text.mid(pos, len), QStringLiteral("<A k=\"2\"></A >"));
    EXPECT_EQ(running, int32_t(text.size()));
    EXPECT_EQ(vornix::XMLPickFullTagPosW(pos, len, text, "A", running, 1), -1);
    EXPECT_EQ(running, int32_t(text.size()));  // unchanged when none is left
    // Starting in the middle skips what came before; out of range positions.
    for (auto [start, expected] : {std::pair{3, QStringLiteral("<A k=\"2\"></A >")},
                                   {-5, QStringLiteral("<A k=\"1\"></A>")},
                                   {1000, kPickError}}) {
        running = start;
        EXPECT_EQ(PickFullTag(text, "A", running, 1), expected) << start;
    }
}

TEST(PickFullTag, ElementsWithoutEndTags) {
    // No end tag before the next element of the tag: the start tag alone.
    const QStringList areas = {
        QStringLiteral("<AREA Coord=\"1\" Kind=\"2\">"),
        QStringLiteral("<AREA Coord=\"3\" Kind=\"4\"></AREA>"),
        QStringLiteral("<AREA Coord=\"5\"/>"),
        QStringLiteral("<AREA Coord=\"6\" Kind=\"7\">x<EFFECT Snd=\"a\"/>y</AREA>"),
        QStringLiteral("<AREA Coord=\"8\">"),
    };
    EXPECT_EQ(allElements(areas.join("\r\n"), "AREA"), areas);
    EXPECT_EQ(PickAttribute(areas[3], "EFFECT", 1, "Snd"), QStringLiteral("a"));
    // A start tag without its ">" ends where the next element begins; a text
    // cut off inside a start tag gives it up to the end; an end tag without ">".
    const std::pair<QString, QStringList> broken[] = {
        {QStringLiteral("<A x=\"1\"\r\n<A x=\"2\"></A>"),
         {QStringLiteral("<A x=\"1\"\r\n"), QStringLiteral("<A x=\"2\"></A>")}},
        {QStringLiteral("<A x=\"1\"></A><A x=\"2"),
         {QStringLiteral("<A x=\"1\"></A>"), QStringLiteral("<A x=\"2")}},
        {QStringLiteral("<A x=\"1\"></A<A x=\"2\"></A>"),
         {QStringLiteral("<A x=\"1\"></A"), QStringLiteral("<A x=\"2\"></A>")}},
    };
    for (const auto& [text, elements] : broken) EXPECT_EQ(allElements(text, "A"), elements);
}

// The loader reads through the one-walk index; on every text it must find
// what the per-tag pickers find: elements, extents and attribute values,
// including where a start tag lacks its ">" and a value's quote is in doubt.
TEST(XmlElements, FindsWhatThePickersFind) {
    const QString texts[] = {
        kChart,
        QStringLiteral(
            "<EFFECT Snd=\"a>b <BPM BPM=1>.wav\" Volume='1 > 0'></EFFECT><BPM BPM=\"2\"/>"),
        QStringLiteral(
            "<TITLE Name=\"He said \"hi\" & left\">\r\n<BPM Frame=\"0\" BPM=\"150\"></BPM>"),
        QStringLiteral("<AREA Coord=\"1\" Kind=\"2\">\r\n<AREA Coord=\"3\"></AREA><AREA Coord=5/>"
                       "<AREA Coord=\"6\">x<EFFECT Snd=\"a\"/>y</AREA><AREA Coord=\"8\">"),
        QStringLiteral("<A Coord=\"1\"\r\n<A Coord=\"2\"></A><A Coord=\"3"),
        QStringLiteral(
            "<A Coord=\"1\"></A<A Coord=\"2\"></A ><A/><A Coord=\"x\"y\"<A Coord=\"4\">"),
        QStringLiteral("<A Coord=\"a\"<B Coord=\"q\">\"</A>\r\n<A Coord=\"a\"? y>\"</A>"),
        QStringLiteral("<A Coord=\"v\" \"stray\" Coord=\"w\" Coord></A><A\tCoord = 'z' AutoPlay>"),
        QStringLiteral("<?A Coord=\"7\"?><!-- <A Coord=\"8\"> --><![CDATA[<A>]]><!A><A Coord=\"9\">"
                       "</A\"><A Coord=\"1\"></A=><A Coord=\"2\"></A"),
        QStringLiteral("<AB Coord=\"1\"><A.B Coord=\"2\"><A= Coord=\"3\"><A Coord=\"4\"></AB></A>"),
        // A start tag without ">" whose value ends differently when the scan
        // sees what follows the element.
        QStringLiteral("<A Coord=\"= >x\"\"\"<=/  \n=x<"),
        // More attributes than the index keeps: read again when asked.
        "<A " + QStringLiteral("x ").repeated(1000) + "Coord=\"1\"></A><A Coord=\"2\">",
    };
    const char* tags[] = {"A", "AREA", "BPM", "TITLE", "EFFECT", "B"};
    const char* attributes[] = {"Coord", "BPM", "Name", "Snd", "AutoPlay", "y"};
    for (const QString& text : texts)
        for (const char* tag : tags)
            for (const char* attribute : attributes)
                EXPECT_EQ(lumidex::testing::xmlIndexDifference(text, tag, attribute), "")
                    << text.toStdString() << " / " << tag << " / " << attribute;
}
