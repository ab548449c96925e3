#include "LookFonts.h"

#include <QStringList>
#include <algorithm>

namespace look {

namespace {

constexpr int kScreenDpi = 96;  // a grid's font heights are screen pixels at this resolution

QFont fontOf(const QStringList& families, QFont::StyleHint hint, int pixelSize, bool bold) {
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(hint);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

}  // namespace

QFont sansSerifFont(int pixelSize, bool bold) {
    return fontOf({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                   QStringLiteral("DejaVu Sans")},
                  QFont::SansSerif, pixelSize, bold);
}

QFont monospaceFont(int pixelSize, bool bold) {
    return fontOf({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"),
                   QStringLiteral("DejaVu Sans Mono")},
                  QFont::TypeWriter, pixelSize, bold);
}

QFont serifFont(int pixelSize, bool bold) {
    return fontOf({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                   QStringLiteral("DejaVu Serif")},
                  QFont::Serif, pixelSize, bold);
}

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

QFont printedFont(const gridmodel::FontSpec& spec, const QString& face) {
    QFont f(face.isEmpty() ? spec.name : face);
    f.setPointSize(std::max(1, spec.pointSize(kScreenDpi)));
    f.setBold(spec.bold);
    f.setItalic(spec.italic);
    f.setUnderline(spec.underline);
    f.setStrikeOut(spec.strikeOut);
    return f;
}

}  // namespace look
