#include "NotePictures.h"

namespace lumidex {

namespace {

const QString kResourceFolder = QStringLiteral(":/notes");

// Key-coloured pixels become fully transparent; everything else stays opaque.
QImage maskKeyColour(const QImage& picture) {
    QImage masked = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < masked.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(masked.scanLine(y));
        for (int x = 0; x < masked.width(); ++x)
            if ((line[x] | 0xff000000u) == NotePictures::kKeyColour) line[x] = 0;
    }
    return masked;
}

const QImage& slot(const std::array<QImage, NotePictures::kSlots>& set, int kind) {
    static const QImage none;
    return kind >= 0 && kind < NotePictures::kSlots ? set[kind] : none;
}

}  // namespace

NotePictures::NotePictures(int scale) : NotePictures(kResourceFolder, scale) {}

NotePictures::NotePictures(const QString& folder, int scale) : scale_(scale > 1 ? 2 : 1) {
    load(folder);
}

// A picture of the set's scale, or the 1x picture when there is no larger one.
QImage NotePictures::read(const QString& folder, int resource) const {
    const QString base = folder + QLatin1Char('/') + QString::number(resource);
    if (scale_ == 2) {
        QImage large(base + QStringLiteral("@2x.png"));
        if (!large.isNull()) {
            large.setDevicePixelRatio(2);
            return large;
        }
    }
    return QImage(base + QStringLiteral(".png"));
}

void NotePictures::load(const QString& folder) {
    const auto opaqueImage = [](QImage picture) {
        return picture.isNull() ? picture : picture.convertToFormat(QImage::Format_RGB32);
    };
    opaque_[0] = opaqueImage(read(folder, kGridTile));
    for (int kind = 1; kind < kSlots; ++kind) opaque_[kind] = opaqueImage(read(folder, kind));
    for (int kind = kFirstTransparentKind; kind < kSlots; ++kind) {
        const QImage picture = read(folder, kTransparentOffset + kind);
        if (!picture.isNull()) transparent_[kind] = maskKeyColour(picture);
    }
}

const QImage& NotePictures::opaque(int kind) const {
    return slot(opaque_, kind);
}

const QImage& NotePictures::transparent(int kind) const {
    return slot(transparent_, kind);
}

QPixmap NotePictures::palettePixmap(int kind) const {
    const QImage& picture = opaque(kind);
    return picture.isNull() ? QPixmap() : QPixmap::fromImage(picture);
}

}  // namespace lumidex
