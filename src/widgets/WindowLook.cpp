#include "WindowLook.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QWidget>

namespace widgets {

namespace {
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

void setWindowLook(QWidget* window, const QFont& font) {
    window->setFont(font);
    QPalette palette = window->palette();
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, kNavy);
    window->setPalette(palette);
}

void centreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    const QSize size = window->frameGeometry().size();
    window->move(area.left() + (area.width() - size.width()) / 2,
                 area.top() + (area.height() - size.height()) / 2);
}

}  // namespace widgets
