#include "PictureCopy.h"

#include <algorithm>
#include <cstring>

namespace lumidex {

namespace {

// Whether every pixel of the rows is either opaque or clear.
bool opaqueOrClear(const QImage& picture, const QRect& source) {
    for (int y = source.top(); y <= source.bottom(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y)) + source.left();
        if (!std::all_of(line, line + source.width(), [](QRgb px) {
                const int alpha = qAlpha(px);
                return alpha == 0 || alpha == 255;
            }))
            return false;
    }
    return true;
}

}  // namespace

bool copyPicture(QImage& buffer, int top, const QImage& picture, const QRect& source) {
    const double ratio = buffer.devicePixelRatio();
    if (buffer.format() != QImage::Format_RGB32 || picture.devicePixelRatio() != ratio ||
        ratio != int(ratio))
        return false;
    const QRect from = source & picture.rect();
    const bool opaque = picture.format() == QImage::Format_RGB32;
    if (!opaque &&
        (picture.format() != QImage::Format_ARGB32_Premultiplied || !opaqueOrClear(picture, from)))
        return false;
    const int row = top * int(ratio);
    const int width = std::min(from.width(), buffer.width());
    const int first = std::max(0, -row), end = std::min(from.height(), buffer.height() - row);
    if (first >= end) return true;  // wholly above or below the buffer
    const qsizetype inStride = picture.bytesPerLine(), outStride = buffer.bytesPerLine();
    const uchar* in = picture.constBits() + (from.top() + first) * inStride + from.left() * 4;
    uchar* out = buffer.bits() + (row + first) * outStride;
    for (int y = first; y < end; ++y, in += inStride, out += outStride) {
        if (opaque) {
            std::memcpy(out, in, size_t(width) * sizeof(QRgb));
            continue;
        }
        const QRgb* src = reinterpret_cast<const QRgb*>(in);
        QRgb* dst = reinterpret_cast<QRgb*>(out);
        for (int x = 0; x < width; ++x)
            if (qAlpha(src[x]) != 0) dst[x] = src[x];
    }
    return true;
}

}  // namespace lumidex
