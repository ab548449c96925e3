#include <gtest/gtest.h>

#include <QImage>
#include <QSet>

#include "CommandImages.h"

namespace {

using app::CommandImages;

TEST(CommandImages, TheProgramCarriesAPictureForEveryNumberTheCommandsUse) {
    CommandImages images;
    EXPECT_EQ(images.indexes(), (std::vector<int>{4, 9, 25, 27, 49, 58, 71, 72}));
    for (int index : images.indexes()) {
        EXPECT_TRUE(CommandImages::resourcePath(index).startsWith(QStringLiteral(":/icons/")));
        EXPECT_FALSE(images.icon(index).isNull());
    }
    // Numbers without a picture give none.
    for (int index : {-1, 0, 1, 10, 70, 73}) {
        EXPECT_FALSE(images.contains(index));
        EXPECT_TRUE(images.pixmap(index).isNull());
        EXPECT_TRUE(images.icon(index).isNull());
        EXPECT_TRUE(CommandImages::resourcePath(index).isEmpty());
    }
}

TEST(CommandImages, EachPictureIsAReal32By32DrawingOnATransparentGround) {
    CommandImages images;
    std::vector<QImage> seen;
    for (int index : images.indexes()) {
        SCOPED_TRACE(index);
        const QImage image =
            QImage(CommandImages::resourcePath(index)).convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(32, 32));
        EXPECT_TRUE(image.hasAlphaChannel());

        int opaque = 0, transparent = 0;
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (qAlpha(pixel) >= 128) ++opaque;
                if (qAlpha(pixel) == 0) ++transparent;
                if (qAlpha(pixel) == 255) colours.insert(pixel);
            }
        }
        // A drawing that fills a good part of the square and leaves the ground free, in
        // shades and colours rather than one flat patch.
        EXPECT_GE(opaque, 32 * 32 / 3);
        EXPECT_GE(transparent, 32 * 4);
        EXPECT_GE(colours.size(), 20);
        // At least one corner shows the ground, so the toolbar shows through.
        const int cornerAlpha = std::min({qAlpha(image.pixel(0, 0)), qAlpha(image.pixel(31, 0)),
                                          qAlpha(image.pixel(0, 31)), qAlpha(image.pixel(31, 31))});
        EXPECT_EQ(cornerAlpha, 0);

        for (const QImage& other : seen) EXPECT_NE(image, other);
        seen.push_back(image);
        EXPECT_EQ(images.pixmap(index).size(), QSize(32, 32));
    }
}

}  // namespace
