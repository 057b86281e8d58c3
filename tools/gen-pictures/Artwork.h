#pragma once
// The note pictures of the editor, drawn from code so that they can be
// redrawn at any scale. Every picture sits on the 62-pixel cell layout of the
// canvas: three lane cells of 15 x 15 at x = 0, 14 and 28 and an icon cell at
// x = 47..61. Resource numbers:
//   1000            the empty grid tile
//   k (1..145)      the opaque picture of note kind k: the object on black,
//                   with the cell outlines around it
//   1000 + k        the transparent picture of kind k (16..145): only the
//                   object and its icon, on the key colour RGB(128,128,255)

#include <QColor>
#include <QImage>
#include <QList>

namespace gen {

constexpr int kPictureWidth = 62;
constexpr int kRowHeight = 15;
constexpr int kTowerHeight = 57;  // kind 24 reaches three cells above its own
constexpr int kTowerKind = 24;
constexpr int kTransparentBase = 1000;
inline const QColor kKeyColour(128, 128, 255);

// Every resource number the program loads, in ascending order.
QList<int> resourceNumbers();

// The picture of a resource number, scale times the logical size (62 x 15,
// or 62 x 57 for kind 24). A null image for a number that has no picture.
QImage drawPicture(int resource, int scale);

}  // namespace gen
