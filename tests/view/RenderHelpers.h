#pragma once
// Shared pieces of the rendering tests: back buffers at the
// design size, and picture comparisons on the canvas.

#include <QImage>

#include "ChartDocument.h"
#include "NotePictures.h"
#include "NoteRenderer.h"
#include "ViewGeometry.h"

namespace lumidex::testing {

// At a device pixel ratio of factor, tall times the design height.
struct Buffers {
    explicit Buffers(int factor = 1, int tall = 1)
        : canvas(kCanvasWidth * factor, kDesignCanvasHeight * factor * tall, QImage::Format_RGB32),
          scale(kScaleWidth * factor, kDesignCanvasHeight * factor * tall, QImage::Format_RGB32),
          key(kKeyWidth * factor, kDesignCanvasHeight * factor * tall, QImage::Format_RGB32) {
        for (QImage* image : {&canvas, &scale, &key}) image->setDevicePixelRatio(factor);
    }
    QImage canvas;
    QImage scale;
    QImage key;
};

// The canvas rows from top, as many as the picture has, compared pixel for
// pixel with the picture (parts above or below the canvas are left out).
inline bool canvasShows(const QImage& canvas, const QImage& picture, int top) {
    const int ratio = static_cast<int>(canvas.devicePixelRatio());
    for (int y = 0; y < picture.height(); ++y) {
        const int row = top * ratio + y;
        if (row < 0 || row >= canvas.height()) continue;
        for (int x = 0; x < picture.width(); ++x)
            if ((canvas.pixel(x, row) | 0xff000000u) != (picture.pixel(x, y) | 0xff000000u))
                return false;
    }
    return true;
}

// Every pixel of the canvas rows [top, top + height) is black.
inline bool canvasBlack(const QImage& canvas, int top, int height) {
    for (int row = std::max(top, 0); row < std::min(top + height, canvas.height()); ++row)
        for (int x = 0; x < canvas.width(); ++x)
            if ((canvas.pixel(x, row) & 0xffffffu) != 0) return false;
    return true;
}

inline int noteTop(int coord, double viewBase) {
    return CoordToHeight(coord, viewBase) - kNoteRowOffset;
}

}  // namespace lumidex::testing
