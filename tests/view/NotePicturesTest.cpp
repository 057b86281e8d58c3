#include <gtest/gtest.h>

#include "NotePictures.h"

using namespace lumidex;

namespace {

// The kinds with pictures (slot 0 holds the grid tile).
bool hasTransparent(int kind) {
    return (kind >= 16 && kind <= 24) || kind == 26 || kind == 27 || (kind >= 128 && kind <= 145);
}
bool hasOpaque(int kind) {
    return hasTransparent(kind) || kind == 0 || kind == 5 || kind == 6 || kind == 8 ||
           (kind >= 32 && kind <= 34);
}

QSize sizeOf(int kind) {
    return QSize(62, kind == 24 ? 57 : 15);
}

}  // namespace

TEST(NotePictures, EveryPictureIsCompiledInAtItsSize) {
    for (int scale : {1, 2}) {
        const NotePictures pictures(scale);
        for (int kind = 0; kind < NotePictures::kSlots; ++kind) {
            const QImage& opaque = pictures.opaque(kind);
            const QImage& transparent = pictures.transparent(kind);
            ASSERT_EQ(!opaque.isNull(), hasOpaque(kind)) << kind;
            ASSERT_EQ(!transparent.isNull(), hasTransparent(kind)) << kind;
            for (const QImage* picture : {&opaque, &transparent}) {
                if (picture->isNull()) continue;
                EXPECT_EQ(picture->deviceIndependentSize().toSize(), sizeOf(kind)) << kind;
                EXPECT_EQ(picture->size(), sizeOf(kind) * scale) << kind;
            }
        }
        EXPECT_TRUE(pictures.opaque(146).isNull());
        EXPECT_TRUE(pictures.opaque(-1).isNull());
        EXPECT_TRUE(pictures.transparent(255).isNull());
    }
}

TEST(NotePictures, TransparentPicturesHoldOnlyTheirObjects) {
    const NotePictures pictures(1);
    for (int kind = 16; kind < NotePictures::kSlots; ++kind) {
        const QImage& picture = pictures.transparent(kind);
        if (picture.isNull()) continue;
        int shown = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const int alpha = qAlpha(picture.pixel(x, y));
                ASSERT_TRUE(alpha == 0 || alpha == 255) << kind;  // the key colour, masked
                shown += alpha == 255;
            }
        }
        EXPECT_GT(shown, 10) << kind;
        // The outer lane border is not part of any object.
        EXPECT_EQ(qAlpha(picture.pixel(0, 7)), 0) << kind;
        EXPECT_EQ(qAlpha(picture.pixel(47, 7)), 0) << kind;
    }
}
