#include <gtest/gtest.h>

#include <QImage>

namespace {

TEST(AboutPicture, TheProgramCarriesA300By152Picture) {
    const QImage picture(QStringLiteral(":/about/about.png"));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(300, 152));
}

}  // namespace
