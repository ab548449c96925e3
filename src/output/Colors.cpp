#include "Colors.h"

#include <QGuiApplication>
#include <QPalette>

namespace output {

namespace {

// The usual desktop scheme, by system colour index.
constexpr std::array<Rgb, SystemColors::kCount> kStandard{{
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

Rgb rgbOf(const QColor& c) {
    return {c.red(), c.green(), c.blue()};
}

}  // namespace

SystemColors SystemColors::standard() {
    SystemColors colors;
    colors.table_ = kStandard;
    return colors;
}

SystemColors SystemColors::current() {
    SystemColors colors = standard();
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return colors;
    const QPalette palette = QGuiApplication::palette();
    auto role = [&](QPalette::ColorRole r) { return rgbOf(palette.color(QPalette::Active, r)); };
    colors.set(4, role(QPalette::Window));
    colors.set(5, role(QPalette::Base));
    colors.set(7, role(QPalette::WindowText));
    colors.set(8, role(QPalette::Text));
    colors.set(13, role(QPalette::Highlight));
    colors.set(14, role(QPalette::HighlightedText));
    colors.set(15, role(QPalette::Button));
    colors.set(16, role(QPalette::Dark));
    colors.set(17, rgbOf(palette.color(QPalette::Disabled, QPalette::Text)));
    colors.set(18, role(QPalette::ButtonText));
    colors.set(20, role(QPalette::Light));
    colors.set(21, role(QPalette::Shadow));
    colors.set(22, role(QPalette::Midlight));
    colors.set(23, role(QPalette::ToolTipText));
    colors.set(24, role(QPalette::ToolTipBase));
    return colors;
}

Rgb SystemColors::at(int index) const {
    if (index < 0 || index >= kCount) return {};
    return table_[static_cast<size_t>(index)];
}

void SystemColors::set(int index, Rgb rgb) {
    if (index >= 0 && index < kCount) table_[static_cast<size_t>(index)] = rgb;
}

ExportEnvironment ExportEnvironment::current() {
    ExportEnvironment env;
    env.colors = SystemColors::current();
    return env;
}

std::optional<Rgb> resolveColor(const gridmodel::Color& color, const SystemColors& colors) {
    switch (color.kind) {
        case gridmodel::Color::Kind::Explicit:
            return Rgb{color.red, color.green, color.blue};
        case gridmodel::Color::Kind::System:
            return colors.at(color.systemIndex);
        case gridmodel::Color::Kind::None:
            break;
    }
    return std::nullopt;
}

}  // namespace output
