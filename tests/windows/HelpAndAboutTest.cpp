#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <vector>

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

// How long the unfolding takes is a figure of bench/windows_bench.
TEST(FormAboutTest, UnfoldsGraduallyFromItsCentre) {
    windows::TFormAbout about;
    about.show();
    const QRect start = about.mask().boundingRect();
    EXPECT_LT(start.width(), about.width() / 2);
    EXPECT_EQ(start.center(), about.rect().center());
    std::vector<QRect> seen{start};
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            if (about.mask().isEmpty()) return true;
            if (about.mask().boundingRect() != seen.back())
                seen.push_back(about.mask().boundingRect());
            return false;
        },
        10000));
    EXPECT_GE(seen.size(), 3u) << "steps between the centre and the whole window";
    for (size_t i = 1; i < seen.size(); ++i) {
        EXPECT_TRUE(seen[i].contains(seen[i - 1])) << "step " << i;
        EXPECT_LE((seen[i].center() - about.rect().center()).manhattanLength(), 1) << "step " << i;
    }
    EXPECT_EQ(about.unfoldedPart(), about.rect());
}

}  // namespace
