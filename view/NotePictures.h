#pragma once
// The note pictures, one slot per note kind 0..145, loaded once from the
// program's resources (:/notes/N.png, drawn by tools/gen-pictures):
//   slot 0      the empty grid tile (resource 1000)
//   slot k      the opaque picture of kind k (resource k), when there is one
//   slot k      the transparent picture (resource 1000 + k, kinds 16..145),
//               whose key colour RGB(128,128,255) is turned into real
//               transparency once here, so drawing it is a plain blend
// A slot without a resource stays empty (a null image) and draws nothing.
//
// Every picture is 62 pixels wide and 15 tall, except kind 24: 57 tall. At
// scale 2 the @2x pictures are used, with a device pixel ratio of 2, so they
// still measure 62 x 15 to a QPainter.

#include <QImage>
#include <QPixmap>
#include <QString>

#include <array>

namespace lumidex {

class NotePictures {
  public:
    static constexpr int kSlots = 146;
    static constexpr int kGridTile = 1000;           // resource of slot 0
    static constexpr int kTransparentOffset = 1000;  // resource of kind k's transparent picture
    static constexpr int kFirstTransparentKind = 16;
    static inline const QRgb kKeyColour = qRgb(128, 128, 255);

    // Loads the pictures for a display scale: 1, or 2 for every scale above
    // 1 (a painter scales those down when the display needs less).
    explicit NotePictures(int scale = 1);

    // Loads from another folder holding N.png files (tests); a folder without
    // them leaves every slot empty.
    NotePictures(const QString& folder, int scale);

    int scale() const { return scale_; }

    // The picture drawn for a kind; a null image for an empty slot and for
    // any kind outside 0..145.
    const QImage& opaque(int kind) const;
    const QImage& transparent(int kind) const;
    const QImage& picture(int kind, bool transparentSet) const {
        return transparentSet ? transparent(kind) : opaque(kind);
    }

    // The opaque picture as a pixmap for the palette images (imgEle); slot 0
    // shows the grid tile. A null pixmap for an empty slot.
    QPixmap palettePixmap(int kind) const;

    // The scale of picture set that suits a device pixel ratio.
    static int scaleFor(double devicePixelRatio) { return devicePixelRatio > 1.0 ? 2 : 1; }

  private:
    void load(const QString& folder);
    QImage read(const QString& folder, int resource) const;

    int scale_;
    std::array<QImage, kSlots> opaque_;
    std::array<QImage, kSlots> transparent_;
};

}  // namespace lumidex
