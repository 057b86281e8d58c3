#include <gtest/gtest.h>

#include <QPainter>

#include "RenderHelpers.h"

using namespace lumidex;
using namespace lumidex::testing;

namespace {

class NoteRendering : public ::testing::Test {
  protected:
    NoteRendering() : renderer(doc, pictures) { fillTempo(doc); }

    RenderReport render(double viewBase) {
        return renderer.render(viewBase, buffers.canvas, buffers.scale, buffers.key);
    }
    void setSwitches(bool grid, bool baseline, bool transparent) {
        renderer.setSwitches(DrawSwitches{grid, baseline, transparent});
    }
    static std::vector<int> kindsOf(const RenderReport& report) {
        std::vector<int> kinds;
        for (const PlacedNote& n : report.notes) kinds.push_back(n.kind);
        return kinds;
    }
    // Coords at which a kind was placed, read back from the rows.
    static std::vector<int> coordsOf(const RenderReport& report, int kind, double viewBase) {
        std::vector<int> coords;
        for (const PlacedNote& n : report.notes)
            if (n.kind == kind) coords.push_back(HeightToCoord(n.top + kNoteRowOffset, viewBase));
        return coords;
    }
    static std::vector<int> every3(int from, int to) {
        std::vector<int> coords;
        for (int c = from; c <= to; c += 3) coords.push_back(c);
        return coords;
    }

    ChartDocument doc;
    NotePictures pictures{1};
    NoteRenderer renderer;
    Buffers buffers;
};

// The picture without its first and last rows, which neighbours share.
bool canvasShowsInside(const QImage& canvas, const QImage& picture, int top) {
    return canvasShows(canvas, picture.copy(0, 1, picture.width(), picture.height() - 2), top + 1);
}

std::vector<std::pair<int, QString>> texts(const std::vector<PrintedText>& printed) {
    std::vector<std::pair<int, QString>> out;
    for (const PrintedText& t : printed) out.emplace_back(t.row, t.text);
    return out;
}

}  // namespace

TEST_F(NoteRendering, LongNoteWithHeadAndEndInView) {
    doc.setNote(99, 134, 7);
    doc.setNote(120, 136, 0);
    const RenderReport r = render(99);
    EXPECT_EQ(coordsOf(r, 134, 99), std::vector<int>{99});
    EXPECT_EQ(coordsOf(r, 135, 99), every3(102, 117));
    EXPECT_EQ(coordsOf(r, 136, 99), std::vector<int>{120});
    // Only the head carries the key index; the end carries none.
    EXPECT_EQ(texts(r.keyTexts), (std::vector<std::pair<int, QString>>{{noteTop(99, 99), "7"}}));
    EXPECT_TRUE(canvasShowsInside(buffers.canvas, pictures.opaque(134), noteTop(99, 99)));
    EXPECT_TRUE(canvasShowsInside(buffers.canvas, pictures.opaque(135), noteTop(108, 99)));
    EXPECT_TRUE(canvasShows(buffers.canvas, pictures.opaque(136), noteTop(120, 99)));
}

TEST_F(NoteRendering, LongNoteWhoseHeadLiesBelowTheView) {
    doc.setNote(30, 134, 1);
    doc.setNote(150, 136, 0);
    const RenderReport r = render(120);  // walks 81..200
    EXPECT_EQ(coordsOf(r, 134, 120), std::vector<int>{});
    // Bodies keep the end's rhythm of 3 and start just below the view, not at the head.
    EXPECT_EQ(coordsOf(r, 135, 120), every3(81, 147));
    EXPECT_FALSE(coordsOf(r, 136, 120).empty());
    EXPECT_TRUE(canvasShowsInside(buffers.canvas, pictures.opaque(135), noteTop(96, 120)));

    // A note between the head and the view breaks the link: only the end shows.
    doc.setNote(60, 16, 0);
    const RenderReport broken = render(120);
    EXPECT_EQ(kindsOf(broken), std::vector<int>{136});
}

TEST_F(NoteRendering, LongNoteCrossingTheWholeView) {
    doc.setNote(30, 134, 1);
    doc.setNote(600, 136, 0);
    const RenderReport r = render(300);  // walks 261..380, all empty
    EXPECT_EQ(coordsOf(r, 135, 300), every3(264, 378));
    EXPECT_EQ(coordsOf(r, 136, 300), std::vector<int>{380});
    for (int c : {264, 300, 360})
        EXPECT_TRUE(canvasShowsInside(buffers.canvas, pictures.opaque(135), noteTop(c, 300))) << c;
}

TEST_F(NoteRendering, LongNoteRunningPastTheTopOfTheView) {
    doc.setNote(150, 134, 1);
    doc.setNote(400, 136, 0);
    const RenderReport r = render(99);  // walks 60..179
    EXPECT_EQ(coordsOf(r, 135, 99), every3(153, 177));
    EXPECT_EQ(coordsOf(r, 136, 99), std::vector<int>{180});  // above the canvas
}

TEST_F(NoteRendering, ShortNoteInsideALongNoteHidesItsBody) {
    doc.setNote(99, 134, 1);
    doc.setNote(111, 16, 2);
    doc.setNote(123, 136, 0);
    const RenderReport r = render(99);
    EXPECT_EQ(kindsOf(r), (std::vector<int>{134, 16, 136}));
    // A body kind stored in a cell opens a long note without drawing anything.
    doc.setNote(99, 135, 0);
    doc.setNote(111, 0, 0);
    EXPECT_EQ(coordsOf(render(99), 135, 99), every3(102, 120));
}

TEST_F(NoteRendering, TowerIsDrawnFortyTwoRowsHigherAndFiftySevenTall) {
    doc.setNote(99, 24, 3);
    const RenderReport r = render(99);
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_EQ(r.notes[0].top, 343);
    EXPECT_TRUE(canvasShows(buffers.canvas, pictures.opaque(24), 343 - 42));
    EXPECT_TRUE(canvasBlack(buffers.canvas, 0, 343 - 42));
    EXPECT_TRUE(canvasBlack(buffers.canvas, 343 + 15, kDesignCanvasHeight));
    EXPECT_EQ(texts(r.keyTexts), (std::vector<std::pair<int, QString>>{{343, "3"}}));
}

TEST_F(NoteRendering, ScaleShowsBeatsAndTempoChanges) {
    doc.fillSpeedTempoFrom(120, 1.5, 120);
    doc.fillSpeedTempoFrom(140, 1.5, 187.256);
    const RenderReport r = render(120);  // walks 81..200
    EXPECT_EQ(texts(r.scaleTexts), (std::vector<std::pair<int, QString>>{
                                       {noteTop(84, 120), "-"},
                                       {noteTop(96, 120), "96"},
                                       {noteTop(108, 120), "-"},
                                       {noteTop(120, 120), "120(1.5)"},  // not "120"
                                       {noteTop(132, 120), "-"},
                                       {noteTop(140, 120), "187.26(1.5)"},
                                       {noteTop(144, 120), "144"},
                                       {noteTop(156, 120), "-"},
                                       {noteTop(168, 120), "168"},
                                       {noteTop(180, 120), "-"},
                                       {noteTop(192, 120), "192"},
                                   }));
    // The text is really in the strip at its row, and nothing between marks.
    const auto inked = [this](int top, int rows) {
        const QRgb background = buffers.scale.pixel(buffers.scale.width() - 1, 0);
        for (int y = std::max(top, 0); y < std::min(top + rows, buffers.scale.height()); ++y)
            for (int x = 0; x < buffers.scale.width(); ++x)
                if (buffers.scale.pixel(x, y) != background) return true;
        return false;
    };
    EXPECT_TRUE(inked(noteTop(120, 120), 14));
    EXPECT_FALSE(inked(noteTop(120, 120) + 16, noteTop(108, 120) - noteTop(120, 120) - 16));
}

TEST_F(NoteRendering, TransparentDrawingLeavesOutKindsWithoutATransparentPicture) {
    doc.setNote(90, 5, 1);
    doc.setNote(99, 6, 0);
    doc.setNote(108, 8, 0);
    render(99);
    for (auto [coord, kind] : {std::pair{90, 5}, {99, 6}, {108, 8}})
        EXPECT_TRUE(canvasShows(buffers.canvas, pictures.opaque(kind), noteTop(coord, 99))) << kind;
    setSwitches(false, false, true);
    render(99);
    EXPECT_TRUE(canvasBlack(buffers.canvas, 0, kDesignCanvasHeight));
}

TEST_F(NoteRendering, TransparentNotesLetTheGridShowThrough) {
    doc.setNote(99, 16, 0);
    setSwitches(true, false, true);
    render(99);
    QImage expected = pictures.opaque(0).copy();
    QPainter(&expected).drawImage(0, 0, pictures.transparent(16));
    EXPECT_TRUE(canvasShows(buffers.canvas, expected, noteTop(99, 99)));
    EXPECT_FALSE(canvasShows(buffers.canvas, pictures.opaque(16), noteTop(99, 99)));
}

TEST_F(NoteRendering, GridTilesCoverTheCanvasOnMultiplesOfThree) {
    setSwitches(true, false, false);
    render(100);  // a view base off the grid of 3
    for (int c = 99 - 24; c <= 100 + 75; c += 3)
        EXPECT_TRUE(canvasShows(buffers.canvas, pictures.opaque(0), noteTop(c, 100))) << c;
    // The topmost tile reaches row 0.
    EXPECT_EQ(buffers.canvas.pixel(0, 0), qRgb(128, 128, 128));
}

TEST_F(NoteRendering, CoordsZeroAndOneAreNeverDrawn) {
    doc.setNote(0, 16, 1);
    doc.setNote(1, 17, 2);
    doc.setNote(2, 18, 3);
    doc.fillSpeedTempoFrom(1, 200, 200);  // a tempo change at 1 has no mark either
    const RenderReport r = render(0);
    EXPECT_EQ(kindsOf(r), std::vector<int>{18});
    EXPECT_EQ(texts(r.keyTexts), (std::vector<std::pair<int, QString>>{{noteTop(2, 0), "3"}}));
    ASSERT_FALSE(r.scaleTexts.empty());
    EXPECT_EQ(r.scaleTexts.front().text, "-");  // coord 12; no "0" at coord 0
    EXPECT_TRUE(canvasBlack(buffers.canvas, noteTop(2, 0) + 15, kDesignCanvasHeight));
}

TEST_F(NoteRendering, BaselineBandInvertsRows343To357) {
    doc.setNote(99, 16, 0);
    render(99);
    const QImage plain = buffers.canvas.copy();
    setSwitches(false, true, false);
    render(99);
    for (int y = 340; y < 361; ++y) {
        const bool inBand = y >= 343 && y <= 357;
        for (int x = 0; x < kCanvasWidth; ++x) {
            const QRgb want = inBand ? (~plain.pixel(x, y) | 0xff000000u) : plain.pixel(x, y);
            ASSERT_EQ(buffers.canvas.pixel(x, y), want) << x << "," << y;
        }
    }
}

TEST_F(NoteRendering, KindsWithoutPicturesDrawNothing) {
    // 254 and 146 look like long-note heads, 255 like a body, 148 like an
    // end: their bodies and ends have no pictures either, and nothing wraps
    // around to kind 0 (the grid tile).
    int coord = 60;
    for (int kind : {25, 146, 148, 200, 255, 7, 254}) {
        doc.setNote(coord, static_cast<uint8_t>(kind), 1);
        coord += 6;
    }
    setSwitches(false, false, false);
    render(99);
    EXPECT_TRUE(canvasBlack(buffers.canvas, 0, kDesignCanvasHeight));
    setSwitches(false, false, true);
    render(99);
    EXPECT_TRUE(canvasBlack(buffers.canvas, 0, kDesignCanvasHeight));
}

TEST_F(NoteRendering, ChartWithoutTempoStillDraws) {
    doc.InitArea();  // every cell zero: no tempo anywhere
    doc.setNote(99, 16, 4);
    const RenderReport r = render(99);
    EXPECT_EQ(kindsOf(r), std::vector<int>{16});
    EXPECT_EQ(r.scaleTexts.size(), 10u);  // beat marks at every 12, no tempo texts
}

TEST_F(NoteRendering, DoubleScaleBuffersGetTheLargePictures) {
    const NotePictures large(2);
    NoteRenderer sharp(doc, large);
    Buffers twice(2);
    doc.setNote(99, 16, 0);
    doc.setNote(102, 24, 0);
    sharp.render(99, twice.canvas, twice.scale, twice.key);
    EXPECT_TRUE(canvasShows(twice.canvas, large.opaque(16), noteTop(99, 99)));
    EXPECT_TRUE(canvasShows(twice.canvas, large.opaque(24), noteTop(102, 99) - 42));
}
