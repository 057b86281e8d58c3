#include <gtest/gtest.h>

#include <QPainter>

#include "RenderHelpers.h"

using namespace lumidex;
using namespace lumidex::testing;

namespace {

class NoteRendering : public ::testing::Test {
  protected:
    NoteRendering() : renderer(doc, pictures) { doc.fillSpeedTempoFrom(0, 150, 150); }

    RenderReport render(double viewBase) {
        return renderer.render(viewBase, buffers.canvas, buffers.scale, buffers.key);
    }
    void setSwitches(bool grid, bool baseline, bool transparent) {
        renderer.setSwitches(DrawSwitches{grid, baseline, transparent});
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

// "what@coord ..." for the notes placed or the texts printed, in order; a
// row that is no coord's row shows as "what@row N".
std::string at(int row, double viewBase) {
    const int coord = HeightToCoord(row + kNoteRowOffset, viewBase);
    return noteTop(coord, viewBase) == row ? std::to_string(coord) : "row " + std::to_string(row);
}
std::string kindsAt(const RenderReport& report, double viewBase) {
    std::string out;
    for (const PlacedNote& n : report.notes)
        out += std::to_string(n.kind) + "@" + at(n.top, viewBase) + " ";
    return out;
}
std::string textsAt(const std::vector<PrintedText>& printed, double viewBase) {
    std::string out;
    for (const PrintedText& t : printed)
        out += t.text.toStdString() + "@" + at(t.row, viewBase) + " ";
    return out;
}

}  // namespace

TEST_F(NoteRendering, LongNotesSeenFromEveryPartOfTheView) {
    struct Case {
        int head, end, blocker;  // blocker: a short note at that coord (0: none)
        double view;
        std::vector<int> heads, bodies, ends;
    };
    const Case cases[] = {
        // Head and end in view: bodies every 3 from the head to below the end.
        {99, 120, 0, 99, {99}, every3(102, 117), {120}},
        // Head below the view (81..200): the bodies keep the end's rhythm of 3
        // and start just below the view, not at the head; the end is drawn
        // with the span and again for itself...
        {30, 150, 0, 120, {}, every3(81, 147), {150, 150}},
        // ...unless a note between the head and the view breaks the link.
        {30, 150, 60, 120, {}, {}, {150}},
        // Crossing the whole view (261..380), nothing else in it: bodies
        // from the aligned first drawn coord to the top.
        {30, 600, 0, 300, {}, every3(264, 378), {380}},
        // Running past the top of the view (60..179): the end above the canvas.
        {150, 400, 0, 99, {150}, every3(153, 177), {180}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(::testing::Message() << k.head << ".." << k.end << " in view " << k.view);
        doc.setNote(k.head, 134, 7);
        doc.setNote(k.end, 136, 0);
        if (k.blocker) doc.setNote(k.blocker, 16, 0);
        const RenderReport r = render(k.view);
        EXPECT_EQ(coordsOf(r, 134, k.view), k.heads);
        EXPECT_EQ(coordsOf(r, 135, k.view), k.bodies);
        EXPECT_EQ(coordsOf(r, 136, k.view), k.ends);
        EXPECT_EQ(r.notes.size(), k.heads.size() + k.bodies.size() + k.ends.size());
        for (int kind : {134, 135, 136})
            for (int c : coordsOf(r, kind, k.view))
                EXPECT_TRUE(
                    canvasShowsInside(buffers.canvas, pictures.opaque(kind), noteTop(c, k.view)))
                    << kind << " at " << c;
        // Only the head carries the key index; the end carries none.
        EXPECT_EQ(textsAt(r.keyTexts, k.view),
                  k.heads.empty() ? "" : "7@" + std::to_string(k.head) + " ");
        for (int c : {k.head, k.end, k.blocker}) doc.setNote(c, 0, 0);
    }
}

TEST_F(NoteRendering, ShortNoteInsideALongNoteHidesItsBody) {
    doc.setNote(99, 134, 1);
    doc.setNote(111, 16, 2);
    doc.setNote(123, 136, 0);
    EXPECT_EQ(kindsAt(render(99), 99), "134@99 16@111 136@123 ");
    // A body kind stored in a cell opens a long note without drawing anything.
    doc.setNote(99, 135, 0);
    doc.setNote(111, 0, 0);
    EXPECT_EQ(coordsOf(render(99), 135, 99), every3(102, 120));
}

TEST_F(NoteRendering, TowerIsDrawnFortyTwoRowsHigherAndFiftySevenTall) {
    doc.setNote(99, 24, 3);
    const RenderReport r = render(99);
    EXPECT_EQ(kindsAt(r, 99), "24@99 ");  // given with the top of row 343
    EXPECT_EQ(textsAt(r.keyTexts, 99), "3@99 ");
    EXPECT_TRUE(canvasShows(buffers.canvas, pictures.opaque(24), 343 - 42));
    EXPECT_TRUE(canvasBlack(buffers.canvas, 0, 343 - 42));
    EXPECT_TRUE(canvasBlack(buffers.canvas, 343 + 15, kDesignCanvasHeight));
}

TEST_F(NoteRendering, ScaleShowsBeatsAndTempoChanges) {
    doc.fillSpeedTempoFrom(120, 1.5, 120);
    doc.fillSpeedTempoFrom(140, 1.5, 187.256);
    const RenderReport r = render(120);    // walks 81..200
    EXPECT_EQ(textsAt(r.scaleTexts, 120),  // "120(1.5)", not "120"
              "-@84 96@96 -@108 120(1.5)@120 -@132 187.26(1.5)@140 144@144 -@156 168@168 -@180 "
              "192@192 ");
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

TEST_F(NoteRendering, TransparentDrawingShowsTheGridAndLeavesOutKindsWithoutAPicture) {
    // 5, 6 and 8 have an opaque picture only; 254 and 146 look like long-note
    // heads, 255 like a body, 148 like an end, but none of them has pictures,
    // and nothing wraps around to kind 0 (the grid tile).
    for (auto [coord, kind] : {std::pair{90, 5}, {99, 6}, {108, 8}}) doc.setNote(coord, kind, 1);
    render(99);
    for (auto [coord, kind] : {std::pair{90, 5}, {99, 6}, {108, 8}})
        EXPECT_TRUE(canvasShows(buffers.canvas, pictures.opaque(kind), noteTop(coord, 99))) << kind;
    int coord = 111;
    for (int kind : {25, 146, 148, 200, 255, 7, 254}) doc.setNote(coord += 6, uint8_t(kind), 1);
    setSwitches(false, false, true);
    render(99);
    EXPECT_TRUE(canvasBlack(buffers.canvas, 0, kDesignCanvasHeight));
    for (int c : {90, 99, 108}) doc.setNote(c, 0, 0);
    setSwitches(false, false, false);
    render(99);
    EXPECT_TRUE(canvasBlack(buffers.canvas, 0, kDesignCanvasHeight));

    doc.setNote(99, 16, 0);
    setSwitches(true, false, true);
    render(99);
    QImage expected = pictures.opaque(0).copy();
    QPainter(&expected).drawImage(0, 0, pictures.transparent(16));
    EXPECT_TRUE(canvasShows(buffers.canvas, expected, noteTop(99, 99)));
    EXPECT_FALSE(canvasShows(buffers.canvas, pictures.opaque(16), noteTop(99, 99)));
}

TEST_F(NoteRendering, CoordsZeroAndOneAreDrawnLikeAnyOther) {
    doc.setNote(0, 16, 1);
    doc.setNote(1, 17, 2);
    doc.setNote(2, 18, 3);
    doc.fillSpeedTempoFrom(1, 200, 200);  // a tempo change at 1 gets its mark
    const RenderReport r = render(0);
    EXPECT_EQ(kindsAt(r, 0), "16@0 17@1 18@2 ");
    EXPECT_EQ(textsAt(r.keyTexts, 0), "1@0 2@1 3@2 ");
    EXPECT_EQ(textsAt(r.scaleTexts, 0).substr(0, 20), "0@0 200(200)@1 -@12 ");
    // A long note from coord 0 shows its body in a view above it.
    for (int c : {0, 1, 2}) doc.setNote(c, 0, 0);
    doc.setNote(0, 134, 4);
    doc.setNote(150, 136, 0);
    EXPECT_EQ(coordsOf(render(120), 135, 120), every3(81, 147));
    doc.setNote(150, 0, 0);
    doc.setNote(600, 136, 0);
    EXPECT_EQ(coordsOf(render(300), 135, 300), every3(264, 378));
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

TEST_F(NoteRendering, KeyIndicesThatNameNoKeyArePrintedInTheWarningColour) {
    doc.KeyCount = 2;
    for (auto [coord, index] : {std::pair{99, 2}, {102, 3}, {105, -1}, {108, 0}})
        doc.setNote(coord, 16, int16_t(index));
    std::string warned;
    for (const PrintedText& t : render(99).keyTexts) warned += t.warning ? "!" : ".";
    EXPECT_EQ(warned, ".!!.");
    // Smoothed text: red-dominant pixels, in the rows of 105 and 102 only.
    const auto red = [this](int from, int to) {
        int n = 0;
        for (int y = from; y < to; ++y)
            for (int x = 0; x < buffers.key.width(); ++x)
                n += qRed(buffers.key.pixel(x, y)) > 150 && qGreen(buffers.key.pixel(x, y)) < 100;
        return n;
    };
    EXPECT_GT(red(noteTop(105, 99), noteTop(99, 99)), 0);
    EXPECT_EQ(red(0, noteTop(105, 99)) + red(noteTop(99, 99), buffers.key.height()), 0);
}
