#include "GridLook.h"

#include "WindowLook.h"

namespace widgets {

QFont toQFont(const gridmodel::FontSpec& spec) {
    const int pixels = spec.height < 0 ? -spec.height : (spec.height > 0 ? spec.height : 11);
    QFont font;
    if (spec.name.compare(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0 ||
        spec.name.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0)
        font = sansSerifFont(pixels, spec.bold);
    else if (spec.name.compare(QLatin1String("Courier New"), Qt::CaseInsensitive) == 0)
        font = monospaceFont(pixels, spec.bold);
    else if (spec.name.compare(QLatin1String("Times New Roman"), Qt::CaseInsensitive) == 0)
        font = serifFont(pixels, spec.bold);
    else {
        font.setFamily(spec.name);
        font.setPixelSize(pixels);
        font.setBold(spec.bold);
    }
    font.setItalic(spec.italic);
    font.setUnderline(spec.underline);
    font.setStrikeOut(spec.strikeOut);
    return font;
}

QColor toQColor(const gridmodel::Color& color, const QPalette& palette) {
    switch (color.kind) {
        case gridmodel::Color::Kind::Explicit:
            return QColor(color.red, color.green, color.blue);
        case gridmodel::Color::Kind::System:
            if (color.systemIndex == 5) return palette.color(QPalette::Base);
            if (color.systemIndex == 15) return palette.color(QPalette::Button);
            return palette.color(QPalette::Window);
        case gridmodel::Color::Kind::None:
            break;
    }
    return QColor();
}

Qt::Alignment toQAlignment(gridmodel::Align align) {
    switch (align) {
        case gridmodel::Align::Right:
            return Qt::AlignRight;
        case gridmodel::Align::Center:
            return Qt::AlignHCenter;
        case gridmodel::Align::Left:
            break;
    }
    return Qt::AlignLeft;
}

}  // namespace widgets
