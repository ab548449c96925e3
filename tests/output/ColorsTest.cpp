#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>

#include "Colors.h"

using output::Rgb;
using output::SystemColors;

TEST(SystemColourTable, StandardValuesOfTheTwoColoursTheGridsUse) {
    const SystemColors standard = SystemColors::standard();
    EXPECT_EQ(standard.window(), (Rgb{255, 255, 255}));
    EXPECT_EQ(standard.btnFace(), (Rgb{240, 240, 240}));
    EXPECT_EQ(standard.at(99), Rgb{});
    EXPECT_EQ(output::ExportEnvironment::standard().pixelsPerInch, 96);
    EXPECT_EQ(output::ExportEnvironment::current().pixelsPerInch, 96);
}

TEST(SystemColourTable, ResolutionOfExplicitSystemAndNoColour) {
    SystemColors colors = SystemColors::standard();
    colors.set(5, {1, 2, 3});
    EXPECT_EQ(output::resolveColor(gridmodel::clNavy, colors), (Rgb{0, 0, 128}));
    EXPECT_EQ(output::resolveColor(gridmodel::clYellow, colors), (Rgb{255, 255, 0}));
    EXPECT_EQ(output::resolveColor(gridmodel::clWindow, colors), (Rgb{1, 2, 3}));
    EXPECT_EQ(output::resolveColor(gridmodel::clBtnFace, colors), (Rgb{240, 240, 240}));
    EXPECT_EQ(output::resolveColor(gridmodel::clNone, colors), std::nullopt);
}

TEST(SystemColourTable, CurrentColoursFollowTheApplicationPalette) {
    const QPalette saved = QApplication::palette();
    QPalette p = saved;
    p.setColor(QPalette::Active, QPalette::Base, QColor(0x10, 0x20, 0x30));
    p.setColor(QPalette::Active, QPalette::Button, QColor(0xC0, 0xC1, 0xC2));
    QApplication::setPalette(p);
    const SystemColors current = SystemColors::current();
    QApplication::setPalette(saved);
    EXPECT_EQ(current.window(), (Rgb{0x10, 0x20, 0x30}));
    EXPECT_EQ(current.btnFace(), (Rgb{0xC0, 0xC1, 0xC2}));
    // With Qt's own style on this platform: a white window, a light grey button face.
    const SystemColors plain = SystemColors::current();
    const QColor base = saved.color(QPalette::Active, QPalette::Base),
                 button = saved.color(QPalette::Active, QPalette::Button);
    EXPECT_EQ(plain.window(), (Rgb{base.red(), base.green(), base.blue()}));
    EXPECT_EQ(plain.btnFace(), (Rgb{button.red(), button.green(), button.blue()}));
}
