// The lenient pickers XMLPickAttribPosW / XMLPickFullTagPosW and the wrappers
// PickAttribute / PickFullTag, the way the loader drives them.

#include "Vornix.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
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
    "<LENGTH Value=\"48\"></LENGTH>\r\n"
    "<EFFECT Snd=\"kick.wav\" Volume=\"1.00\"></EFFECT>\r\n"
    "<EFFECT Snd=\"鼓.wav\" Volume=\"0.5\"></EFFECT>\r\n"
    "<AREA Coord=\"0\" Kind=\"20\" Level=\"5\" FxSndIndex=\"1\"></AREA>\r\n"
    "<AREA Coord=\"12\" Kind=\"26\" Level=\"1\" FxSndIndex=\"1\" AutoPlay=\"1\"></AREA>\r\n"
    "<AREA Coord=\"24\" Kind=\"128\" Level=\"5\" FxSndIndex=\"2\"></AREA>\r\n"
    "</TITLE>\r\n");

}  // namespace

TEST(PickAttribute, HeaderValuesFromTheFirstElement) {
    EXPECT_EQ(PickAttribute(kChart, "TITLE", 1, "Name"), QStringLiteral("星空 Song"));
    EXPECT_EQ(PickAttribute(kChart, "BPM", 1, "BPM"), QStringLiteral("150"));
    EXPECT_EQ(PickAttribute(kChart, "BPM", 1, "OriginalBPM"), QStringLiteral("120"));
    EXPECT_EQ(PickAttribute(kChart, "BPM", 1, "Frame"), QStringLiteral("0"));
    EXPECT_EQ(PickAttribute(kChart, "BGM", 1, "Volume"), QStringLiteral("1.00"));
    EXPECT_EQ(PickAttribute(kChart, "DELAY", 1, "Value"), QStringLiteral("10"));
    // Missing element, missing attribute.
    EXPECT_EQ(PickAttribute(kChart, "LONGCRT", 1, "Value"), kPickError);
    EXPECT_EQ(PickAttribute(kChart, "BGM", 1, "Snd"), kPickError);
    // Only the first element counts, even when a later one has the attribute.
    EXPECT_EQ(PickAttribute(QStringLiteral("<BPM BPM=\"1\"></BPM><BPM OriginalBPM=\"2\"></BPM>"),
                            "BPM", 1, "OriginalBPM"),
              kPickError);
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

TEST(PickAttribute, NamesMatchWhole) {
    // "BPM" is not "OriginalBPM", whichever comes first.
    const QString reversed = QStringLiteral("<BPM OriginalBPM=\"120\" BPM=\"150\"></BPM>");
    EXPECT_EQ(PickAttribute(reversed, "BPM", 1, "BPM"), QStringLiteral("150"));
    const QString onlyOriginal = QStringLiteral("<BPM Frame=\"0\" OriginalBPM=\"120\"></BPM>");
    EXPECT_EQ(PickAttribute(onlyOriginal, "BPM", 1, "BPM"), kPickError);
    EXPECT_EQ(PickAttribute(onlyOriginal, "BPM", 1, "Original"), kPickError);
    EXPECT_EQ(PickAttribute(onlyOriginal, "BPM", 1, "Frame"), QStringLiteral("0"));
    // A tag name is whole too: <BPMX> and <BP> are not BPM elements.
    const QString prefixed =
        QStringLiteral("<BPMX BPM=\"9\"></BPMX><BPM.old BPM=\"8\"/><BPM BPM=\"1\"></BPM>");
    EXPECT_EQ(PickAttribute(prefixed, "BPM", 1, "BPM"), QStringLiteral("1"));
    EXPECT_EQ(PickAttribute(prefixed, "BP", 1, "BPM"), kPickError);
    EXPECT_EQ(allElements(prefixed, "BPM"), QStringList{QStringLiteral("<BPM BPM=\"1\"></BPM>")});
    // Case matters, for tags and attributes.
    const QString lower = QStringLiteral("<bpm BPM=\"1\"></bpm><BPM bpm=\"2\" BPM=\"3\"></BPM>");
    EXPECT_EQ(PickAttribute(lower, "BPM", 1, "BPM"), QStringLiteral("3"));
    EXPECT_EQ(PickAttribute(lower, "BPM", 1, "bpm"), QStringLiteral("2"));
    // Tag followed by a blank of any kind, ">" or "/".
    EXPECT_EQ(PickAttribute(QStringLiteral("<DELAY\tValue=\"4\">"), "DELAY", 1, "Value"), "4");
    EXPECT_EQ(PickAttribute(QStringLiteral("<DELAY\r\n Value = '5' >"), "DELAY", 1, "Value"), "5");
    EXPECT_EQ(PickAttribute(QStringLiteral("<DELAY/><DELAY Value=\"6\">"), "DELAY", 1, "Value"),
              kPickError);
}

TEST(PickAttribute, QuotedValuesAreTakenAsTheyStand) {
    // ">" and "<" inside quotes, no entity decoding, single quotes.
    const QString text = QStringLiteral(
        "<EFFECT Snd=\"a>b <BPM BPM=1>.wav\" Volume='1 > 0' Name=\"&amp;&lt;\"></EFFECT>"
        "<BPM BPM=\"2\"></BPM>");
    EXPECT_EQ(PickAttribute(text, "EFFECT", 1, "Snd"), QStringLiteral("a>b <BPM BPM=1>.wav"));
    EXPECT_EQ(PickAttribute(text, "EFFECT", 1, "Volume"), QStringLiteral("1 > 0"));
    EXPECT_EQ(PickAttribute(text, "EFFECT", 1, "Name"), QStringLiteral("&amp;&lt;"));
    // The "<BPM" inside the quoted value is no element.
    EXPECT_EQ(PickAttribute(text, "BPM", 1, "BPM"), QStringLiteral("2"));
    EXPECT_EQ(allElements(text, "BPM"), QStringList{QStringLiteral("<BPM BPM=\"2\"></BPM>")});
    // Empty values are found, not missing.
    EXPECT_EQ(PickAttribute(QStringLiteral("<BGM Name=\"\" Volume=''>"), "BGM", 1, "Name"),
              QString(""));
    EXPECT_EQ(PickAttribute(QStringLiteral("<BGM Name=\"\" Volume=''>"), "BGM", 1, "Volume"),
              QString(""));
}

TEST(PickAttribute, UnescapedQuotesInsideTitles) {
    // The saver writes names verbatim, quotes and ampersands
    // included; the reader takes them back.
    const QString t1 = QStringLiteral(
        "<TITLE Name=\"He said \"hi\" & left\">\r\n<BPM Frame=\"0\" BPM=\"150\"></BPM>");
    EXPECT_EQ(PickAttribute(t1, "TITLE", 1, "Name"), QStringLiteral("He said \"hi\" & left"));
    EXPECT_EQ(PickAttribute(t1, "BPM", 1, "BPM"), QStringLiteral("150"));
    const QString t2 = QStringLiteral("<TITLE Name=\"\"Quoted\"\">\r\n<BPM BPM=\"1\"></BPM>");
    EXPECT_EQ(PickAttribute(t2, "TITLE", 1, "Name"), QStringLiteral("\"Quoted\""));
    const QString t3 = QStringLiteral("<EFFECT Snd=\"it\"s.wav\" Volume=\"1\"></EFFECT>");
    EXPECT_EQ(PickAttribute(t3, "EFFECT", 1, "Snd"), QStringLiteral("it\"s.wav"));
    EXPECT_EQ(PickAttribute(t3, "EFFECT", 1, "Volume"), QStringLiteral("1"));
    // Attributes without a blank between them still split.
    const QString t4 = QStringLiteral("<BGM Name=\"x\"Volume=\"2\">");
    EXPECT_EQ(PickAttribute(t4, "BGM", 1, "Name"), QStringLiteral("x"));
    EXPECT_EQ(PickAttribute(t4, "BGM", 1, "Volume"), QStringLiteral("2"));
}

TEST(PickAttribute, LenientForms) {
    // A bare attribute (AutoPlay with no value) is present with an empty value.
    EXPECT_EQ(PickAttribute(QStringLiteral("<AREA Coord=\"1\" AutoPlay>"), "AREA", 1, "AutoPlay"),
              QString(""));
    // Unquoted values.
    const QString unq = QStringLiteral("<AREA Coord=12.5 Kind=20/>");
    EXPECT_EQ(PickAttribute(unq, "AREA", 1, "Coord"), QStringLiteral("12.5"));
    EXPECT_EQ(PickAttribute(unq, "AREA", 1, "Kind"), QStringLiteral("20"));
    // Comments, processing instructions and CDATA hide what they hold.
    const QString hidden = QStringLiteral(
        "<?BPM BPM=\"7\"?><!-- <BPM BPM=\"8\"> --><![CDATA[<BPM BPM=\"9\">]]><BPM BPM=\"1\">");
    EXPECT_EQ(PickAttribute(hidden, "BPM", 1, "BPM"), QStringLiteral("1"));
    // A value cut off by the end of the text runs to the end.
    EXPECT_EQ(PickAttribute(QStringLiteral("<TITLE Name=\"abc"), "TITLE", 1, "Name"),
              QStringLiteral("abc"));
    // A "<" in plain text is text.
    EXPECT_EQ(PickAttribute(QStringLiteral("1 < 2 <BPM BPM=\"3\">"), "BPM", 1, "BPM"), "3");
    // Nothing to search or nothing to search for.
    EXPECT_EQ(PickAttribute(QString(), "BPM", 1, "BPM"), kPickError);
    EXPECT_EQ(PickAttribute(kChart, QString(), 1, "BPM"), kPickError);
    EXPECT_EQ(PickAttribute(kChart, "BPM", 1, QString()), kPickError);
}

TEST(PickFullTag, VisitsEveryElementInOrder) {
    const QStringList bpm = allElements(kChart, "BPM");
    ASSERT_EQ(bpm.size(), 2);
    EXPECT_EQ(bpm[0], QStringLiteral("<BPM Frame=\"0\" BPM=\"150\" OriginalBPM=\"120\"></BPM>"));
    EXPECT_EQ(bpm[1], QStringLiteral("<BPM Frame=\"100.5\" BPM=\"75\"></BPM>"));
    EXPECT_EQ(PickAttribute(bpm[1], "BPM", 1, "OriginalBPM"), kPickError);
    EXPECT_EQ(PickAttribute(bpm[1], "BPM", 1, "Frame"), QStringLiteral("100.5"));

    const QStringList effects = allElements(kChart, "EFFECT");
    ASSERT_EQ(effects.size(), 2);
    EXPECT_EQ(PickAttribute(effects[1], "EFFECT", 1, "Snd"), QStringLiteral("鼓.wav"));
    EXPECT_EQ(PickAttribute(effects[1], "EFFECT", 1, "Volume"), QStringLiteral("0.5"));

    const QStringList areas = allElements(kChart, "AREA");
    ASSERT_EQ(areas.size(), 3);
    QStringList coords, autoPlay;
    for (const QString& a : areas) {
        coords << PickAttribute(a, "AREA", 1, "Coord");
        autoPlay << PickAttribute(a, "AREA", 1, "AutoPlay");
    }
    EXPECT_EQ(coords, (QStringList{"0", "12", "24"}));
    EXPECT_EQ(autoPlay, (QStringList{kPickError, "1", kPickError}));

    EXPECT_TRUE(allElements(kChart, "LONGCRT").isEmpty());
    // The whole TITLE element spans the file up to its end tag.
    const QStringList title = allElements(kChart, "TITLE");
    ASSERT_EQ(title.size(), 1);
    EXPECT_TRUE(title[0].startsWith("<TITLE Name="));
    EXPECT_TRUE(title[0].endsWith("</TITLE>"));
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
    // Starting in the middle skips what came before.
    running = 3;
    EXPECT_EQ(PickFullTag(text, "A", running, 1), QStringLiteral("<A k=\"2\"></A >"));
    // Out of range running positions.
    running = -5;
    EXPECT_EQ(PickFullTag(text, "A", running, 1), QStringLiteral("<A k=\"1\"></A>"));
    running = 1000;
    EXPECT_EQ(PickFullTag(text, "A", running, 1), kPickError);
}

TEST(PickFullTag, ElementsWithoutEndTags) {
    // No end tag before the next element of the tag: the start tag alone.
    const QString text = QStringLiteral(
        "<AREA Coord=\"1\" Kind=\"2\">\r\n"
        "<AREA Coord=\"3\" Kind=\"4\"></AREA>\r\n"
        "<AREA Coord=\"5\"/>\r\n"
        "<AREA Coord=\"6\" Kind=\"7\">x<EFFECT Snd=\"a\"/>y</AREA>\r\n"
        "<AREA Coord=\"8\">");
    const QStringList areas = allElements(text, "AREA");
    EXPECT_EQ(areas,
              (QStringList{
                  QStringLiteral("<AREA Coord=\"1\" Kind=\"2\">"),
                  QStringLiteral("<AREA Coord=\"3\" Kind=\"4\"></AREA>"),
                  QStringLiteral("<AREA Coord=\"5\"/>"),
                  QStringLiteral("<AREA Coord=\"6\" Kind=\"7\">x<EFFECT Snd=\"a\"/>y</AREA>"),
                  QStringLiteral("<AREA Coord=\"8\">"),
              }));
    EXPECT_EQ(PickAttribute(areas[0], "AREA", 1, "Kind"), QStringLiteral("2"));
    EXPECT_EQ(PickAttribute(areas[2], "AREA", 1, "Kind"), kPickError);
    EXPECT_EQ(PickAttribute(areas[3], "EFFECT", 1, "Snd"), QStringLiteral("a"));

    // A start tag that lacks its ">" ends where the next element begins.
    const QString broken = QStringLiteral("<AREA Coord=\"1\"\r\n<AREA Coord=\"2\"></AREA>");
    EXPECT_EQ(allElements(broken, "AREA"),
              (QStringList{QStringLiteral("<AREA Coord=\"1\"\r\n"),
                           QStringLiteral("<AREA Coord=\"2\"></AREA>")}));
    // A text cut off inside a start tag gives that start tag up to the end.
    EXPECT_EQ(
        allElements(QStringLiteral("<BPM BPM=\"1\"></BPM><BPM BPM=\"2"), "BPM"),
        (QStringList{QStringLiteral("<BPM BPM=\"1\"></BPM>"), QStringLiteral("<BPM BPM=\"2")}));
    // An end tag whose ">" is missing.
    EXPECT_EQ(allElements(QStringLiteral("<A x=\"1\"></A<A x=\"2\"></A>"), "A"),
              (QStringList{QStringLiteral("<A x=\"1\"></A"), QStringLiteral("<A x=\"2\"></A>")}));
}

TEST(PickFullTag, LargeChartCostsLinearTime) {
    // About 30000 elements and 2 MB, as the loader meets them: one
    // PickFullTag per element, then PickAttribute on the element's text.
    QString text =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"gb18030\"?>\r\n<TITLE Name=\"x\">\r\n");
    for (int i = 0; i < 1000; ++i)
        text += QStringLiteral("<BPM Frame=\"%1\" BPM=\"150\"></BPM>\r\n").arg(i);
    for (int i = 0; i < 29000; ++i)
        text += QStringLiteral(
                    "<AREA Coord=\"%1.25\" Kind=\"%2\" Level=\"5\" FxSndIndex=\"%3\"></AREA>\r\n")
                    .arg(i * 12)
                    .arg(16 + i % 19)
                    .arg(i % 2000);
    text += QStringLiteral("</TITLE>\r\n");
    ASSERT_GT(text.size(), 1900000);

    QElapsedTimer timer;
    timer.start();
    int32_t running = 0;
    int count = 0;
    double coordSum = 0;
    for (;;) {
        const QString e = PickFullTag(text, "AREA", running, 1);
        if (e == kPickError) break;
        coordSum += PickAttribute(e, "AREA", 1, "Coord").toDouble();
        EXPECT_NE(PickAttribute(e, "AREA", 1, "FxSndIndex"), kPickError);
        ++count;
    }
    // The header lookups run over the whole text once each.
    EXPECT_EQ(PickAttribute(text, "LONGCRT", 1, "Value"), kPickError);
    EXPECT_EQ(allElements(text, "EFFECT").size(), 0);
    const qint64 ms = timer.elapsed();
    EXPECT_EQ(count, 29000);
    EXPECT_DOUBLE_EQ(coordSum, 12.0 * (28999.0 * 29000.0 / 2) + 0.25 * 29000);
    // Linear work is a few tens of milliseconds (more under sanitizers); a
    // rescan from 0 per element would take minutes.
    EXPECT_LT(ms, 10000);
}
