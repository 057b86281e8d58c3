#pragma once
// Puts a note picture into an RGB32 back buffer without QPainter's set-up
// per call, which costs more than copying the few pixels of a note. Gives
// the pixels QPainter::drawImage gives at a whole-pixel position (nothing
// transformed or clipped): an opaque picture is copied row by row; a picture
// whose pixels are each either opaque or clear (a transparent note picture)
// is copied where it is opaque.

#include <QImage>
#include <QRect>

namespace lumidex {

// Copies the part of picture inside source (in the picture's device pixels)
// to the buffer with its top-left corner at (0, top) in the buffer's
// device-independent pixels. False, with nothing done, when that cannot be
// done as a plain copy (another format, another pixel ratio, partly
// transparent pixels); the caller then draws with QPainter.
bool copyPicture(QImage& buffer, int top, const QImage& picture, const QRect& source);

}  // namespace lumidex
