#include "NoteRenderer.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "ChartCheck.h"
#include "Numbers.h"
#include "PictureCopy.h"

namespace lumidex {

namespace {

constexpr int kTowerKind = 24;
constexpr int kTowerRaise = 42;
constexpr int kTowerHeight = 57;
constexpr int kNoteHeight = 15;
constexpr int kFirstLongKind = 128;
constexpr int kBandTop = 343;  // the inverted baseline band, rows 343..357
constexpr int kBandHeight = 15;
constexpr int kGridPitch = 14;  // grid tiles repeat every 3 coords
constexpr int kAlwaysFits = 5;  // coords and key indices fit the strips as they are

bool isLongHead(int kind) {
    return kind >= kFirstLongKind && kind % 3 == 2;
}
bool isLongBodyKind(int kind) {
    return kind >= kFirstLongKind && kind % 3 == 0;
}
bool isLongEndKind(int kind) {
    return kind >= kFirstLongKind && kind % 3 == 1;
}

int logicalHeight(const QImage& image) {
    return static_cast<int>(std::lround(image.height() / image.devicePixelRatio()));
}

int logicalWidth(const QImage& image) {
    return static_cast<int>(std::lround(image.width() / image.devicePixelRatio()));
}

int roundToInt(double x) {
    return static_cast<int>(roundHalfEven(x));
}

// The rows DrawNote gives a kind's picture (see there).
struct NoteRows {
    int top = 0;
    int height = 0;
};
NoteRows noteRows(int kind, int dTop) {
    if (kind == kTowerKind) return {dTop - kTowerRaise, kTowerHeight};
    return {dTop, kNoteHeight};
}

// The part of a picture DrawNote puts on the canvas, in its own pixels.
QRect notePart(const QImage& picture, int height) {
    const qreal ratio = picture.devicePixelRatio();
    return QRectF(0, 0, kCanvasWidth * ratio, height * ratio).toAlignedRect() & picture.rect();
}

}  // namespace

// One repaint: the walk over the drawn coords with its long-note state.
class RepaintPass {
  public:
    RepaintPass(const NoteRenderer& renderer, double viewBase, QImage& canvas, QImage& scale,
                QImage& key, RenderReport& report)
        : r_(renderer),
          doc_(renderer.doc_),
          viewBase_(viewBase),
          canvas_(&canvas),
          scale_(&scale),
          key_(&key),
          report_(report),
          range_(drawnRange(viewBase, logicalHeight(canvas))),
          walkStart_(std::max(range_.first, 0)) {
        report_.drawn = range_;
    }

    void run() {
        canvas_.fillRect(QRect(0, 0, logicalWidth(*canvas_.image), logicalHeight(*canvas_.image)),
                         Qt::black);
        clearStrip(scale_, r_.scale_);
        clearStrip(key_, r_.key_);
        if (r_.switches_.grid) drawGrid();
        for (int c = walkStart_; c <= range_.last; ++c) walkCoord(c);
        if (openKind_ != 0) drawSpan(openStart_, range_.last + 1, openKind_);
        if (notesMet_ == 0) showLongNoteAcrossView();
        if (r_.switches_.baseline) invertBaseline();
    }

  private:
    // A painter that remembers its image, so sizes can be read back.
    struct Target {
        explicit Target(QImage* target) : painter(target), image(target) {}
        void fillRect(const QRect& rect, const QColor& colour) { painter.fillRect(rect, colour); }
        QPainter painter;
        QImage* image;
    };

    int row(int coord) const { return CoordToHeight(coord, viewBase_) - kNoteRowOffset; }
    int kindAt(int coord) const { return doc_.cell(coord).Kind; }

    void clearStrip(Target& strip, const NoteRenderer::Strip& style) {
        strip.fillRect(QRect(0, 0, logicalWidth(*strip.image), logicalHeight(*strip.image)),
                       style.style.background);
        strip.painter.setFont(style.style.font);
        strip.painter.setPen(style.style.text);
        style.texts->fitTo(*strip.image);
    }

    // A text at the left edge with its top at row top. A long text (a tempo
    // change) that is wider than the strip is narrowed to fit rather than cut.
    void print(Target& strip, const NoteRenderer::Strip& style, std::vector<PrintedText>& log,
               int top, const StripTexts::Text& text, bool warning = false) {
        if (warning) strip.painter.setPen(style.style.warning);
        const double room = logicalWidth(*strip.image) - 1;
        const bool narrow = text.text.size() > kAlwaysFits && text.width > room;
        style.texts->print(strip.painter, *strip.image, top, text,
                           warning ? style.style.warning : style.style.text, warning,
                           narrow ? room / text.width : 1);
        if (warning) strip.painter.setPen(style.style.text);
        log.push_back(PrintedText{top, text.text, warning});
    }

    // Tiles centred on multiples of 3, from the lowest drawn one up past the
    // top edge; neighbours overlap by one row.
    void drawGrid() {
        const QImage& tile = r_.pictures_->opaque(0);
        if (tile.isNull()) return;
        const int top = row(roundToInt(range_.first / 3.0) * 3);
        const int height = logicalHeight(*canvas_.image);
        for (int y = top; y >= -kGridPitch; y -= kGridPitch)
            if (y < height && !copyPicture(*canvas_.image, y, tile, tile.rect()))
                canvas_.painter.drawImage(QPoint(0, y), tile);
    }

    // DrawNote, copying the picture straight into the buffer where it can.
    void drawNote(int kind, int top) {
        const QImage& picture = r_.pictures_->picture(kind, r_.switches_.transparent);
        const NoteRows rows = noteRows(kind, top);
        if (!picture.isNull() &&
            !copyPicture(*canvas_.image, rows.top, picture, notePart(picture, rows.height)))
            r_.DrawNote(canvas_.painter, kind, top);
        report_.notes.push_back(PlacedNote{kind, top});
    }

    void walkCoord(int c) {
        const NoteEntry& cell = doc_.cell(c);
        const int kind = cell.Kind;
        const int y = row(c);
        if (openKind_ != 0 && isLongEndKind(kind)) {
            drawSpan(openStart_, c, openKind_);
        } else if (kind != 0) {
            openKind_ = 0;  // any other note ends an open long note where it stands
            meetNote(c, cell, y);
        }
        if (kind != 0) lastNoteWalked_ = c;
        printScale(c, cell, y);
    }

    void meetNote(int c, const NoteEntry& cell, int y) {
        const int kind = cell.Kind;
        ++notesMet_;
        if (kind < kFirstLongKind) {
            drawNote(kind, y);
            printKey(cell, y);
        } else if (isLongHead(kind)) {
            drawNote(kind, y);
            openKind_ = kind;
            openStart_ = c;
            printKey(cell, y);
        } else if (isLongBodyKind(kind)) {
            openKind_ = kind - 1;
            openStart_ = c;
        } else {
            endWithoutOpenHead(c, kind, y);
        }
    }

    // An end whose head was not met in this walk: when the nearest note below
    // is its head, the body runs from just below the view (keeping the 3-coord
    // rhythm of the end) or from the head if that is nearer.
    void endWithoutOpenHead(int c, int kind, int y) {
        const std::optional<int> below = nearestNoteBelow();
        if (below && kindAt(*below) == kind - 2) {
            const int reach = 3 * roundToInt((c - range_.first) / 3.0 + 1);
            drawSpan(std::max(*below, c - reach), c, kind - 2);
        }
        drawNote(kind, y);
    }

    // Bodies every 3 coords after the start and below the end, then the end.
    void drawSpan(int start, int end, int headKind) {
        for (int c = start + 3; c <= end - 1; c += 3) drawNote(headKind + 1, row(c));
        drawNote(headKind + 2, row(end));
        openKind_ = 0;
    }

    // A long note crossing the whole view: nothing was met, and the nearest
    // note below the view is a long-note head.
    void showLongNoteAcrossView() {
        const std::optional<int> below = nearestNoteBelow();
        if (below && isLongHead(kindAt(*below)))
            drawSpan(roundToInt(range_.first / 3.0) * 3, range_.last, kindAt(*below));
    }

    // The nearest coord below the one being walked (down to 0) that holds a
    // note. The walk knows the part inside the view; the part below it is
    // searched once per repaint.
    std::optional<int> nearestNoteBelow() {
        if (lastNoteWalked_ >= 0) return lastNoteWalked_;
        if (!searchedBelow_) {
            searchedBelow_ = true;
            for (int j = walkStart_ - 1; j >= 0; --j) {
                if (kindAt(j) != 0) {
                    noteBelowView_ = j;
                    break;
                }
            }
        }
        return noteBelowView_;
    }

    void printKey(const NoteEntry& cell, int y) {
        print(key_, r_.key_, report_.keyTexts, y, r_.key_.texts->number(cell.FxSndIndex),
              keyIndexPastList(doc_, cell.FxSndIndex));
    }

    // Beat marks every 12 coords (the coord number every 24, "-" between),
    // or the tempo and speed where either changes. Coord 0 has nothing
    // before it to change from: it shows its number.
    void printScale(int c, const NoteEntry& cell, int y) {
        const NoteEntry& before = doc_.cell(c > 0 ? c - 1 : c);
        if (cell.Tempo == before.Tempo && cell.Speed == before.Speed) {
            if (c % 12 != 0) return;
            StripTexts& texts = *r_.scale_.texts;
            print(scale_, r_.scale_, report_.scaleTexts, y,
                  c % 24 == 0 ? texts.number(c) : texts.text(QStringLiteral("-")));
            return;
        }
        print(scale_, r_.scale_, report_.scaleTexts, y,
              r_.scale_.texts->text(round2Text(cell.Tempo) + QLatin1Char('(') +
                                    round2Text(cell.Speed) + QLatin1Char(')')));
    }

    void invertBaseline() {
        canvas_.painter.setCompositionMode(QPainter::CompositionMode_Difference);
        canvas_.painter.fillRect(QRect(0, kBandTop, logicalWidth(*canvas_.image), kBandHeight),
                                 Qt::white);
        canvas_.painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }

    const NoteRenderer& r_;
    const ChartDocument& doc_;
    const double viewBase_;
    Target canvas_;
    Target scale_;
    Target key_;
    RenderReport& report_;
    const CoordRange range_;
    const int walkStart_;  // the lowest coord walked: the first drawn one, at least 0

    int openKind_ = 0;   // head kind of the open long note, 0 when none is open
    int openStart_ = 0;  // its start coord
    int notesMet_ = 0;
    int lastNoteWalked_ = -1;
    bool searchedBelow_ = false;
    std::optional<int> noteBelowView_;
};

NoteRenderer::NoteRenderer(const ChartDocument& doc, const NotePictures& pictures)
    : doc_(doc),
      pictures_(&pictures),
      scale_(makeStrip(StripStyle{})),
      key_(makeStrip(StripStyle{})) {}

NoteRenderer::Strip NoteRenderer::makeStrip(const StripStyle& style) {
    return Strip{style, std::make_unique<StripTexts>(style.font, style.background)};
}

// Measuring a font and laying out texts cost more than a whole repaint; they
// are done again only when the style changes.
void NoteRenderer::setScaleStyle(const StripStyle& style) {
    if (!(style == scale_.style)) scale_ = makeStrip(style);
}

void NoteRenderer::setKeyStyle(const StripStyle& style) {
    if (!(style == key_.style)) key_ = makeStrip(style);
}

RenderReport NoteRenderer::render(double viewBase, QImage& canvas, QImage& scale,
                                  QImage& key) const {
    RenderReport report;
    RepaintPass(*this, viewBase, canvas, scale, key, report).run();
    return report;
}

void NoteRenderer::DrawNote(QPainter& canvas, int kind, int dTop) const {
    const QImage& picture = pictures_->picture(kind, switches_.transparent);
    if (picture.isNull()) return;
    const bool tower = kind == kTowerKind;
    const int top = tower ? dTop - kTowerRaise : dTop;
    const int height = tower ? kTowerHeight : kNoteHeight;
    const QRect onCanvas(0, top, kCanvasWidth, height);
    // Pictures wholly above or below the canvas cost nothing.
    if (const QPaintDevice* device = canvas.device()) {
        const qreal deviceRatio = device->devicePixelRatioF();
        const QRect area(0, 0, std::lround(device->width() / deviceRatio),
                         std::lround(device->height() / deviceRatio));
        if (!onCanvas.intersects(area)) return;
    }
    const qreal ratio = picture.devicePixelRatio();
    canvas.drawImage(QPointF(0, top), picture,
                     QRectF(0, 0, kCanvasWidth * ratio, height * ratio) & QRectF(picture.rect()));
}

}  // namespace lumidex
