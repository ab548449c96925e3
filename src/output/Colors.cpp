#include "Colors.h"

#include "LookColors.h"

namespace output {

static_assert(SystemColors::kCount == look::kSystemColorCount);

namespace {

Rgb rgbOf(const QColor& c) {
    return {c.red(), c.green(), c.blue()};
}

}  // namespace

SystemColors SystemColors::standard() {
    SystemColors colors;
    for (int i = 0; i < kCount; ++i) colors.set(i, rgbOf(look::standardSystemColor(i)));
    return colors;
}

SystemColors SystemColors::current() {
    SystemColors colors;
    for (int i = 0; i < kCount; ++i) colors.set(i, rgbOf(look::systemColor(i)));
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
