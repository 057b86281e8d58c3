// The renderer takes short cuts for speed (texts laid out once, pictures
// copied straight into the buffer). Whatever it does must give exactly the
// pixels that plain QPainter drawing of what it reports gives: the demo chart
// with a crowded stretch added, at the design height and four times it, at
// device pixel ratios 1 and 2, with every drawing switch. The grid tiles
// (every 3 coords, up past row 0) and the inverted baseline band (rows
// 343..357) are drawn here from the switches alone: this is their test.
#include <gtest/gtest.h>

#include <QPainter>

#include "DemoSong.h"
#include "Numbers.h"
#include "RenderHelpers.h"

using namespace lumidex;
using namespace lumidex::testing;

namespace {

// The strips' style in the window: a small narrow face, so that long tempo
// texts are narrowed to fit.
StripStyle windowStyle(QColor background) {
    StripStyle style;
    style.font.setFamilies({QStringLiteral("DejaVu Sans Condensed")});
    style.font.setPixelSize(11);
    style.background = background;
    return style;
}

QImage blank(const QImage& like) {
    QImage image(like.size(), QImage::Format_RGB32);
    image.setDevicePixelRatio(like.devicePixelRatio());
    return image;
}

int logicalHeight(const QImage& image) {
    return int(std::lround(image.height() / image.devicePixelRatio()));
}

QImage plainCanvas(const NoteRenderer& renderer, const NotePictures& pictures,
                   const RenderReport& report, const QImage& like, double viewBase) {
    QImage image = blank(like);
    QPainter p(&image);
    const int height = logicalHeight(image);
    p.fillRect(QRect(0, 0, kCanvasWidth, height), Qt::black);
    if (renderer.switches().grid) {
        const int first = int(roundHalfEven(report.drawn.first / 3.0)) * 3;
        for (int y = noteTop(first, viewBase); y >= -14; y -= 14)
            if (y < height) p.drawImage(QPoint(0, y), pictures.opaque(0));
    }
    for (const PlacedNote& n : report.notes) renderer.DrawNote(p, n.kind, n.top);
    if (renderer.switches().baseline) {
        p.setCompositionMode(QPainter::CompositionMode_Difference);
        p.fillRect(QRect(0, 343, kCanvasWidth, 15), Qt::white);
    }
    return image;
}

QImage plainStrip(const StripStyle& style, const std::vector<PrintedText>& texts,
                  const QImage& like) {
    QImage image = blank(like);
    QPainter p(&image);
    const double room = image.width() / image.devicePixelRatio() - 1;
    p.fillRect(QRectF(0, 0, room + 1, logicalHeight(image)), style.background);
    p.setFont(style.font);
    const QFontMetricsF metrics(style.font);
    for (const PrintedText& t : texts) {
        p.setPen(t.warning ? style.warning : style.text);
        const double width = metrics.horizontalAdvance(t.text);
        p.save();
        if (width > room) p.scale(room / width, 1);
        p.drawText(QPointF(0, t.row + metrics.ascent()), t.text);
        p.restore();
    }
    return image;
}

// The first differing pixel, or "" when the pictures are the same.
std::string firstDifference(const QImage& got, const QImage& want) {
    for (int y = 0; y < got.height(); ++y) {
        for (int x = 0; x < got.width(); ++x) {
            if ((got.pixel(x, y) | 0xff000000u) != (want.pixel(x, y) | 0xff000000u))
                return std::to_string(x) + "," + std::to_string(y);
        }
    }
    return "";
}

}  // namespace

TEST(PlainDrawing, RepaintsGiveThePixelsOfPlainDrawing) {
    ChartDocument doc;
    demo::buildChart(doc);
    // A crowded stretch: a note and a key index on every coord (some naming
    // no key), overlapping texts, tempo changes on neighbouring coords.
    for (int c = 600; c < 700; ++c) doc.setNote(c, uint8_t(16 + c % 19), int16_t(c % 40 - 3));
    for (int c = 640; c < 646; ++c) doc.fillSpeedTempoFrom(c, 187.256 + c, 93.75);
    const int last = std::max(doc.LastCoord, 720);
    const StripStyle scaleStyle = windowStyle(Qt::white);
    const StripStyle keyStyle = windowStyle(QColor(240, 240, 240));
    for (int ratio : {1, 2}) {
        const NotePictures pictures(ratio);
        NoteRenderer renderer(doc, pictures);
        renderer.setScaleStyle(scaleStyle);
        renderer.setKeyStyle(keyStyle);
        for (int tall : {1, 4}) {
            Buffers b(ratio, tall);
            for (const DrawSwitches& s :
                 {DrawSwitches{false, false, false}, DrawSwitches{true, true, false},
                  DrawSwitches{true, false, true}}) {
                renderer.setSwitches(s);
                for (double base = 0; base <= last; base += 59) {
                    SCOPED_TRACE(::testing::Message()
                                 << "ratio " << ratio << ", " << tall << "x, view " << base
                                 << ", grid " << s.grid << " transparent " << s.transparent);
                    const RenderReport r = renderer.render(base, b.canvas, b.scale, b.key);
                    ASSERT_EQ(firstDifference(b.canvas,
                                              plainCanvas(renderer, pictures, r, b.canvas, base)),
                              "");
                    ASSERT_EQ(
                        firstDifference(b.scale, plainStrip(scaleStyle, r.scaleTexts, b.scale)),
                        "");
                    ASSERT_EQ(firstDifference(b.key, plainStrip(keyStyle, r.keyTexts, b.key)), "");
                }
            }
        }
    }
}
