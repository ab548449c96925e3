#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>

#include "FormAbout.h"
#include "FormHelp.h"

namespace {

void writePage(const QString& path, const QByteArray& body) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<html><head><meta charset=windows-1251></head><body>" + body + "</body></html>");
}

TEST(FormHelpTest, StartsAtTheHelpPageEveryTimeAndGoesBackOnlyWhereItCame) {
    QTemporaryDir program;
    QDir(program.path()).mkdir("Help");
    writePage(program.filePath("Help/Zorvel.html"), "<a href=\"day.html\">day</a>");
    writePage(program.filePath("Help/day.html"), "<p>day page</p>");
    windows::TFormHelp help(program.path());
    EXPECT_EQ(help.ToolButton1->text(), "     К содержанию     ");
    EXPECT_EQ(help.ToolButton3->text(), "Назад");
    EXPECT_EQ(help.ToolButton5->text(), "Закрыть");
    const QUrl contents = QUrl::fromLocalFile(program.filePath("Help/Zorvel.html"));
    const QUrl day = QUrl::fromLocalFile(program.filePath("Help/day.html"));

    help.show();
    EXPECT_EQ(help.WebBrowser1->source(), contents);
    help.ToolButton3Click();  // nothing earlier: nothing happens
    EXPECT_EQ(help.WebBrowser1->source(), contents);
    EXPECT_TRUE(help.isVisible());

    help.WebBrowser1->setSource(day);
    help.ToolButton3Click();
    EXPECT_EQ(help.WebBrowser1->source(), contents);
    help.WebBrowser1->setSource(day);
    help.ToolButton1Click();
    EXPECT_EQ(help.WebBrowser1->source(), contents);

    help.WebBrowser1->setSource(day);
    help.ToolButton5Click();
    EXPECT_FALSE(help.isVisible());
    help.show();
    EXPECT_EQ(help.WebBrowser1->source(), contents);
    EXPECT_FALSE(help.WebBrowser1->isBackwardAvailable());
}

TEST(FormAboutTest, UnfoldsFromItsCentreInOneAndAHalfSeconds) {
    windows::TFormAbout about;
    QElapsedTimer clock;
    clock.start();
    about.show();
    const QRect start = about.mask().boundingRect();
    EXPECT_LT(start.width(), about.width() / 2);
    EXPECT_EQ(start.center(), about.rect().center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return about.mask().isEmpty(); }, 4000));
    EXPECT_GE(clock.elapsed(), 1400);
    EXPECT_EQ(about.unfoldedPart(), about.rect());
}

}  // namespace
