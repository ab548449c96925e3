#include "LookColors.h"

#include <QGuiApplication>
#include <array>

namespace look {

namespace {

struct Rgb {
    int red, green, blue;
};

// The usual desktop scheme, by system colour index.
constexpr std::array<Rgb, kSystemColorCount> kStandard{{
    {200, 200, 200},  //  0 scroll bar
    {0, 0, 0},        //  1 desktop
    {153, 180, 209},  //  2 active caption
    {191, 205, 219},  //  3 inactive caption
    {240, 240, 240},  //  4 menu
    {255, 255, 255},  //  5 window background
    {100, 100, 100},  //  6 window frame
    {0, 0, 0},        //  7 menu text
    {0, 0, 0},        //  8 window text
    {0, 0, 0},        //  9 caption text
    {180, 180, 180},  // 10 active border
    {244, 247, 252},  // 11 inactive border
    {171, 171, 171},  // 12 application workspace
    {0, 120, 215},    // 13 highlight
    {255, 255, 255},  // 14 highlighted text
    {240, 240, 240},  // 15 button face
    {160, 160, 160},  // 16 button shadow
    {109, 109, 109},  // 17 grey text
    {0, 0, 0},        // 18 button text
    {0, 0, 0},        // 19 inactive caption text
    {255, 255, 255},  // 20 button highlight
    {105, 105, 105},  // 21 dark 3D shadow
    {227, 227, 227},  // 22 3D light
    {0, 0, 0},        // 23 tooltip text
    {255, 255, 225},  // 24 tooltip background
}};

}  // namespace

QColor standardSystemColor(int index) {
    if (index < 0 || index >= kSystemColorCount) return QColor(0, 0, 0);
    const Rgb& rgb = kStandard[static_cast<size_t>(index)];
    return QColor(rgb.red, rgb.green, rgb.blue);
}

QColor systemColor(int index, const QPalette& palette) {
    // The palette's current group: a widget's palette follows its window being active.
    auto role = [&](QPalette::ColorRole r) { return palette.color(r); };
    switch (index) {
        case 4:
            return role(QPalette::Window);
        case kWindowBackground:
            return role(QPalette::Base);
        case 7:
            return role(QPalette::WindowText);
        case 8:
            return role(QPalette::Text);
        case 13:
            return role(QPalette::Highlight);
        case 14:
            return role(QPalette::HighlightedText);
        case kButtonFace:
            return role(QPalette::Button);
        case 16:
            return role(QPalette::Dark);
        case 17:
            return palette.color(QPalette::Disabled, QPalette::Text);
        case 18:
            return role(QPalette::ButtonText);
        case 20:
            return role(QPalette::Light);
        case 21:
            return role(QPalette::Shadow);
        case 22:
            return role(QPalette::Midlight);
        case 23:
            return role(QPalette::ToolTipText);
        case 24:
            return role(QPalette::ToolTipBase);
        default:
            return standardSystemColor(index);
    }
}

QColor systemColor(int index) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return standardSystemColor(index);
    QPalette palette = QGuiApplication::palette();
    palette.setCurrentColorGroup(QPalette::Active);
    return systemColor(index, palette);
}

QColor toQColor(const gridmodel::Color& color, const QPalette& palette) {
    switch (color.kind) {
        case gridmodel::Color::Kind::Explicit:
            return QColor(color.red, color.green, color.blue);
        case gridmodel::Color::Kind::System:
            return systemColor(color.systemIndex, palette);
        case gridmodel::Color::Kind::None:
            break;
    }
    return QColor();
}

QColor toQColor(const gridmodel::Color& color) {
    if (color.kind == gridmodel::Color::Kind::System) return systemColor(color.systemIndex);
    return toQColor(color, QPalette());
}

}  // namespace look
