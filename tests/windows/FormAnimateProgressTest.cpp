#include <gtest/gtest.h>

#include <QLabel>
#include <QScreen>
#include <QTest>

#include "FormAnimateProgress.h"

TEST(FormAnimateProgress, CaptionlessToolWindowShownCentredWithARunningAnimation) {
    windows::TFormAnimateProgress form;
    EXPECT_EQ(form.objectName(), "FormAnimateProgress");
    EXPECT_EQ(form.windowTitle(), "Копирование файлов:");
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.size(), QSize(429, 86));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_EQ(form.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_FALSE(form.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint |
                                       Qt::WindowMaximizeButtonHint | Qt::WindowSystemMenuHint));
    EXPECT_TRUE(form.label()->wordWrap());
    EXPECT_EQ(form.label()->alignment(), Qt::AlignCenter);
    EXPECT_FALSE(form.animation()->isRunning());

    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const QPoint centre = form.screen()->availableGeometry().center();
    EXPECT_LE((form.frameGeometry().center() - centre).manhattanLength(), 2);
    EXPECT_EQ(form.animation()->height(), 60);
    EXPECT_LE(form.label()->geometry().bottom(), form.animation()->geometry().top());

    ASSERT_TRUE(form.animation()->isRunning());
    const QImage before = form.animation()->grab().toImage();
    QTest::qWait(200);
    EXPECT_NE(form.animation()->grab().toImage(), before);  // the sheets have moved
    form.hide();
    EXPECT_FALSE(form.animation()->isRunning());
}
