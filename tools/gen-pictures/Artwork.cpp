#include "Artwork.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <functional>

namespace gen {
namespace {

// Left edge of each lane cell and of the icon cell.
enum class Lane { Left = 0, Centre = 14, Right = 28 };
constexpr int kIconX = 47;
constexpr int kCell = 15;  // a cell is 15 x 15; neighbours share their border

// Directions in 45-degree steps, clockwise from up.
enum class Dir { Up, UpRight, Right, DownRight, Down, DownLeft, Left, UpLeft };

const QColor kLaneGrey(128, 128, 128);
const QColor kIconOlive(128, 128, 0);
const QColor kObstacle(214, 128, 48);
const QColor kCone(255, 140, 26);
const QColor kNoteBlue(64, 200, 255);
const QColor kStone(136, 150, 172);
const QColor kStar(255, 214, 40);
const QColor kDouble(184, 120, 255);
const QColor kHead(56, 226, 88);
const QColor kBody(226, 44, 44);
const QColor kEnd(255, 72, 255);
const QColor kIconWhite(236, 236, 236);

using Painting = std::function<void(QPainter&)>;

// What one picture shows: its height and how to draw its objects.
struct Design {
    int height = kRowHeight;
    Painting objects;
};

QPointF cellOrigin(Lane lane, int row = 0) {
    return QPointF(static_cast<int>(lane), row);
}
QPointF iconOrigin(int row = 0) {
    return QPointF(kIconX, row);
}

// ---- shapes, in the coordinates of one 15 x 15 cell ------------------------

QPainterPath arrowPath(Dir dir, double size = 1.0) {
    QPainterPath up;
    up.moveTo(0, -5.5);
    up.lineTo(5, -0.5);
    up.lineTo(1.5, -0.5);
    up.lineTo(1.5, 5.5);
    up.lineTo(-1.5, 5.5);
    up.lineTo(-1.5, -0.5);
    up.lineTo(-5, -0.5);
    up.closeSubpath();
    const int steps = static_cast<int>(dir);
    QTransform t;
    t.translate(7.5, 7.5);
    t.rotate(45.0 * steps);
    // A diagonal arrow reaches further into the corners; keep it inside.
    const double s = size * (steps % 2 ? 0.88 : 1.0);
    t.scale(s, s);
    return t.map(up);
}

void fillIn(QPainter& p, QPointF origin, const QPainterPath& path, const QColor& colour) {
    p.save();
    p.translate(origin);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(path);
    p.restore();
}

void arrow(QPainter& p, QPointF origin, Dir dir, const QColor& colour, double size = 1.0) {
    fillIn(p, origin, arrowPath(dir, size), colour);
}

void iconArrow(QPainter& p, Dir dir, const QColor& colour = kIconWhite, int row = 0) {
    arrow(p, iconOrigin(row), dir, colour, 0.82);
}

// Two stacked chevrons: notes that are passed together with the lane beside.
void doubleIcon(QPainter& p) {
    p.save();
    p.translate(iconOrigin());
    QPen pen(kIconWhite, 2.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    for (double y : {5.0, 10.0}) {
        QPainterPath chevron;
        chevron.moveTo(3.5, y + 2.5);
        chevron.lineTo(7.5, y - 1.5);
        chevron.lineTo(11.5, y + 2.5);
        p.drawPath(chevron);
    }
    p.restore();
}

// Four small triangles around a dot: the tower is passed in any direction.
void fourWayIcon(QPainter& p, int row) {
    p.save();
    p.translate(iconOrigin(row));
    p.setPen(Qt::NoPen);
    p.setBrush(kIconWhite);
    for (int steps = 0; steps < 4; ++steps) {
        QTransform t;
        t.translate(7.5, 7.5);
        t.rotate(90.0 * steps);
        QPolygonF tip;
        tip << QPointF(0, -6) << QPointF(3.5, -2.5) << QPointF(-3.5, -2.5);
        p.drawPolygon(t.map(tip));
    }
    p.drawRect(QRectF(6, 6, 3, 3));
    p.restore();
}

void block(QPainter& p, Lane lane) {
    p.save();
    p.translate(cellOrigin(lane));
    p.setPen(Qt::NoPen);
    p.setBrush(kObstacle);
    p.drawRoundedRect(QRectF(2, 3, 11, 9), 1.5, 1.5);
    p.setBrush(kObstacle.lighter(140));
    p.drawRect(QRectF(3, 4, 9, 2));
    p.setBrush(kObstacle.darker(170));
    p.drawRect(QRectF(3, 9, 9, 1));
    p.restore();
}

void arch(QPainter& p, Lane lane) {
    p.save();
    p.translate(cellOrigin(lane));
    p.setPen(QPen(kObstacle, 3.0, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    path.moveTo(3.5, 13);
    path.lineTo(3.5, 7.5);
    path.arcTo(QRectF(3.5, 3.5, 8, 8), 180, -180);
    path.lineTo(11.5, 13);
    p.drawPath(path);
    p.restore();
}

void cone(QPainter& p, Lane lane, const QColor& colour) {
    p.save();
    p.translate(cellOrigin(lane));
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    QPolygonF body;
    body << QPointF(7.5, 1.5) << QPointF(11.5, 12) << QPointF(3.5, 12);
    p.drawPolygon(body);
    p.setBrush(Qt::white);
    QPolygonF stripe;
    stripe << QPointF(5.9, 6.5) << QPointF(9.1, 6.5) << QPointF(9.9, 8.5) << QPointF(5.1, 8.5);
    p.drawPolygon(stripe);
    p.setBrush(colour.darker(150));
    p.drawRect(QRectF(2, 12, 11, 2));
    p.restore();
}

QPainterPath starPath(double outer, double inner) {
    QPainterPath path;
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 ? inner : outer;
        const double a = M_PI / 5 * i - M_PI / 2;
        const QPointF pt(7.5 + r * std::cos(a), 7.8 + r * std::sin(a));
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    path.closeSubpath();
    return path;
}

void star(QPainter& p, Lane lane) {
    fillIn(p, cellOrigin(lane), starPath(6.6, 2.8), kStar);
}

void ring(QPainter& p, Lane lane) {
    p.save();
    p.translate(cellOrigin(lane));
    p.setPen(QPen(kDouble, 2.4));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(7.5, 7.5), 4.6, 4.6);
    p.restore();
}

void diamond(QPainter& p, Lane lane) {
    QPainterPath path;
    path.moveTo(7.5, 2);
    path.lineTo(13, 7.5);
    path.lineTo(7.5, 13);
    path.lineTo(2, 7.5);
    path.closeSubpath();
    path.addRect(QRectF(6, 6, 3, 3));  // a hole in the middle (odd-even fill)
    fillIn(p, cellOrigin(lane), path, kDouble);
}

void questionMark(QPainter& p, QPointF origin) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(13);
    p.save();
    p.setFont(font);
    p.setPen(kStar);
    p.drawText(QRectF(origin, QSizeF(kCell, kCell)), Qt::AlignCenter, QStringLiteral("?"));
    p.restore();
}

// A caption on a dark plate across the three lanes.
void caption(QPainter& p, const QString& text, const QColor& plate) {
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(plate);
    p.drawRect(QRectF(1, 1, 41, 13));
    // The largest bold face that fits the plate at this scale, measured at the
    // size it is really drawn (hinting changes widths at small sizes).
    const double scale = p.transform().m11();
    QFont font(QStringLiteral("DejaVu Sans Condensed"));
    font.setBold(true);
    font.setHintingPreference(QFont::PreferFullHinting);
    for (int size = 11; size >= 7; --size) {
        font.setPixelSize(static_cast<int>(size * scale));
        if (QFontMetricsF(font).horizontalAdvance(text) / scale <= 39) break;
    }
    p.save();
    p.scale(1 / scale, 1 / scale);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(1 * scale, 1 * scale, 41 * scale, 13 * scale), Qt::AlignCenter, text);
    p.restore();
    p.restore();
}

void speakerIcon(QPainter& p) {
    p.save();
    p.translate(iconOrigin());
    p.setPen(Qt::NoPen);
    p.setBrush(kIconWhite);
    QPolygonF cone;
    cone << QPointF(2.5, 5.5) << QPointF(5, 5.5) << QPointF(8.5, 2.5) << QPointF(8.5, 12.5)
         << QPointF(5, 9.5) << QPointF(2.5, 9.5);
    p.drawPolygon(cone);
    p.setPen(QPen(kIconWhite, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(6.5, 4.5, 6, 6), -60 * 16, 120 * 16);
    p.restore();
}

void keyboardIcon(QPainter& p) {
    p.save();
    p.translate(iconOrigin());
    p.setPen(QPen(kIconWhite, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1.5, 4.5, 12, 7));
    p.setPen(Qt::NoPen);
    p.setBrush(kIconWhite);
    for (int x = 3; x <= 11; x += 2) p.drawRect(QRectF(x, 6, 1, 1));
    for (int x = 4; x <= 10; x += 2) p.drawRect(QRectF(x, 8, 1, 1));
    p.drawRect(QRectF(5, 10, 5, 1));
    p.restore();
}

void tower(QPainter& p) {
    const double left = 17, right = 26;  // inside the centre lane, 14..28
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(kStone);
    p.drawRect(QRectF(left, 4, right - left, kTowerHeight - 6));
    // battlements
    for (double x : {left, left + 3.5, left + 7}) p.drawRect(QRectF(x, 1, 2, 3));
    p.setBrush(kStone.lighter(125));
    p.drawRect(QRectF(left, 4, 1.5, kTowerHeight - 6));
    p.setBrush(kStone.darker(160));
    p.drawRect(QRectF(right - 1.5, 4, 1.5, kTowerHeight - 6));
    // window slits
    for (double y : {33.0, 44.0}) p.drawRect(QRectF(21, y, 1, 4));
    p.restore();
    // The climb direction on the tower, the four-way icon at the note's own row.
    arrow(p, QPointF(14, 12), Dir::Up, kStar, 0.9);
    fourWayIcon(p, kTowerHeight - kCell);
}

// ---- designs -----------------------------------------------------------------

Design row(Painting objects) {
    return Design{kRowHeight, std::move(objects)};
}

Design laneArrowNote(Lane lane, Dir dir) {
    return row([=](QPainter& p) {
        arrow(p, cellOrigin(lane), dir, kNoteBlue);
        iconArrow(p, dir);
    });
}

// Long notes: six triples of (head, body, end), each in its lane and direction.
Design longNote(int kind) {
    struct Kind {
        Lane lane;
        Dir dir;
    };
    static const Kind kinds[6] = {{Lane::Left, Dir::UpLeft}, {Lane::Right, Dir::UpRight},
                                  {Lane::Centre, Dir::Up},   {Lane::Centre, Dir::Down},
                                  {Lane::Right, Dir::Left},  {Lane::Left, Dir::Right}};
    const Kind k = kinds[(kind - 128) / 3];
    const int part = (kind - 128) % 3;  // 0 head, 1 body, 2 end
    const QPointF origin = cellOrigin(k.lane);
    if (part == 1) {
        // Bodies are drawn every 3 coords, 14 rows apart, so full-height bars
        // join into one bar from head to end.
        return row(
            [=](QPainter& p) { p.fillRect(QRectF(origin.x() + 5, 0, 5, kRowHeight), kBody); });
    }
    const QColor colour = part == 0 ? kHead : kEnd;
    return row([=](QPainter& p) {
        arrow(p, origin, k.dir, colour);
        iconArrow(p, k.dir, colour);
    });
}

// The design of a note kind; an empty design (no objects) for a kind without
// a picture.
Design designOf(int kind) {
    switch (kind) {
        case 5:
            return row([](QPainter& p) {
                caption(p, QStringLiteral("AutoPlay"), QColor(24, 92, 72));
                speakerIcon(p);
            });
        case 6:
            return row([](QPainter& p) {
                for (Lane lane : {Lane::Left, Lane::Centre, Lane::Right})
                    questionMark(p, cellOrigin(lane));
                questionMark(p, iconOrigin());
            });
        case 8:
            return row([](QPainter& p) {
                caption(p, QStringLiteral("Keyboard"), QColor(40, 60, 120));
                keyboardIcon(p);
            });
        case 16:
            return row([](QPainter& p) {
                block(p, Lane::Centre);
                iconArrow(p, Dir::Up);
            });
        case 17:
            return row([](QPainter& p) {
                arch(p, Lane::Centre);
                iconArrow(p, Dir::Down);
            });
        case 18:
            return row([](QPainter& p) {
                cone(p, Lane::Right, kCone);
                iconArrow(p, Dir::Left);
            });
        case 19:
            return row([](QPainter& p) {
                cone(p, Lane::Left, kCone);
                iconArrow(p, Dir::Right);
            });
        case 20:
            return laneArrowNote(Lane::Left, Dir::UpLeft);
        case 21:
            return laneArrowNote(Lane::Right, Dir::UpRight);
        case 22:
            return laneArrowNote(Lane::Left, Dir::DownLeft);
        case 23:
            return laneArrowNote(Lane::Right, Dir::DownRight);
        case kTowerKind:
            return Design{kTowerHeight, tower};
        case 26:
            return row([](QPainter& p) {
                star(p, Lane::Left);
                iconArrow(p, Dir::Left);
            });
        case 27:
            return row([](QPainter& p) {
                star(p, Lane::Right);
                iconArrow(p, Dir::Right);
            });
        case 32:
            return row([](QPainter& p) {
                ring(p, Lane::Centre);
                doubleIcon(p);
            });
        case 33:
            return row([](QPainter& p) {
                diamond(p, Lane::Left);
                diamond(p, Lane::Right);
                doubleIcon(p);
            });
        case 34:
            return row([](QPainter& p) {
                cone(p, Lane::Centre, kDouble);
                doubleIcon(p);
            });
        default:
            if (kind >= 128 && kind <= 145) return longNote(kind);
            return Design{};
    }
}

bool hasOpaque(int kind) {
    return kind == 5 || kind == 6 || kind == 8 || (kind >= 16 && kind <= 24) || kind == 26 ||
           kind == 27 || (kind >= 32 && kind <= 34) || (kind >= 128 && kind <= 145);
}

bool hasTransparent(int kind) {
    return (kind >= 16 && kind <= 24) || kind == 26 || kind == 27 || (kind >= 128 && kind <= 145);
}

// The grey lane outlines (and the olive icon outline) of every cell row of a
// picture of the given height. Filled as one-pixel rectangles so that they
// stay sharp at every integer scale.
void cellOutlines(QPainter& p, int height) {
    const auto outline = [&p](int x, int y, const QColor& colour) {
        p.fillRect(QRect(x, y, kCell, 1), colour);
        p.fillRect(QRect(x, y + kCell - 1, kCell, 1), colour);
        p.fillRect(QRect(x, y, 1, kCell), colour);
        p.fillRect(QRect(x + kCell - 1, y, 1, kCell), colour);
    };
    for (int y = 0; y + kCell <= height; y += kCell - 1) {
        for (Lane lane : {Lane::Left, Lane::Centre, Lane::Right})
            outline(static_cast<int>(lane), y, kLaneGrey);
        outline(kIconX, y, kIconOlive);
    }
}

QImage objectLayer(const Design& design, int scale) {
    QImage layer(kPictureWidth * scale, design.height * scale, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    QPainter p(&layer);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(scale, scale);
    if (design.objects) design.objects(p);
    return layer;
}

// Objects over the cell outlines on black.
QImage opaquePicture(const Design& design, int scale) {
    QImage out(kPictureWidth * scale, design.height * scale, QImage::Format_RGB32);
    out.fill(Qt::black);
    QPainter p(&out);
    p.scale(scale, scale);
    cellOutlines(p, design.height);
    p.resetTransform();
    p.drawImage(0, 0, objectLayer(design, scale));
    return out;
}

// Objects on the key colour. The program copies these skipping the key
// colour, so every pixel is either fully object or fully key: a pixel at
// least half covered takes the object's own colour, the rest the key.
QImage transparentPicture(const Design& design, int scale) {
    const QImage layer = objectLayer(design, scale);
    QImage out(layer.size(), QImage::Format_RGB32);
    out.fill(kKeyColour);
    const QRgb key = kKeyColour.rgb();
    for (int y = 0; y < layer.height(); ++y) {
        const QRgb* src = reinterpret_cast<const QRgb*>(layer.constScanLine(y));
        QRgb* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < layer.width(); ++x) {
            if (qAlpha(src[x]) < 128) continue;
            QRgb colour = qUnpremultiply(src[x]) | 0xff000000u;
            if (colour == key) colour ^= 1;  // never let an object pixel vanish
            dst[x] = colour;
        }
    }
    return out;
}

}  // namespace

QList<int> resourceNumbers() {
    QList<int> numbers;
    for (int kind = 1; kind <= 145; ++kind)
        if (hasOpaque(kind)) numbers << kind;
    numbers << kTransparentBase;
    for (int kind = 16; kind <= 145; ++kind)
        if (hasTransparent(kind)) numbers << kTransparentBase + kind;
    return numbers;
}

QImage drawPicture(int resource, int scale) {
    if (resource == kTransparentBase) return opaquePicture(Design{}, scale);
    if (resource > kTransparentBase) {
        const int kind = resource - kTransparentBase;
        return hasTransparent(kind) ? transparentPicture(designOf(kind), scale) : QImage();
    }
    return hasOpaque(resource) ? opaquePicture(designOf(resource), scale) : QImage();
}

}  // namespace gen
