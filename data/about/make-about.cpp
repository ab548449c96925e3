// Draws the picture of the About window: 300 x 152 pixels, an open ledger with a stack of
// coins beside the program's name.
//
//   make-about <file.png>
//
// The picture is committed beside this file and compiled into the program; run this again
// only to change it. The lettering uses Liberation Serif (the Times New Roman metrics that
// the About window's own text uses); the program refuses to draw without it, so the picture
// never comes out in a stand-in font.
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>
#include <QTextStream>
#include <algorithm>

namespace {

constexpr int kWidth = 300;
constexpr int kHeight = 152;
const QString kFamily = QStringLiteral("Liberation Serif");

const QColor kNavy(0x1a, 0x23, 0x7e);
const QColor kInk(0x28, 0x35, 0x93);
const QColor kGoldDark(0x9a, 0x67, 0x00);
const QColor kGold(0xf9, 0xa8, 0x25);
const QColor kGoldLight(0xff, 0xf1, 0x76);
const QColor kPaper(0xff, 0xfd, 0xf6);
const QColor kRule(0xb3, 0xc7, 0xe6);

QLinearGradient vertical(qreal top, qreal bottom, const QColor& from, const QColor& to) {
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, from);
    g.setColorAt(1, to);
    return g;
}

// A cream card with a navy frame and a thin gold line inside it.
void drawGround(QPainter& p) {
    const QRectF card(0.75, 0.75, kWidth - 1.5, kHeight - 1.5);
    p.setPen(QPen(kNavy, 1.5));
    p.setBrush(vertical(0, kHeight, QColor(0xfd, 0xfa, 0xf1), QColor(0xef, 0xe6, 0xcc)));
    p.drawRoundedRect(card, 9, 9);
    p.setPen(QPen(QColor(0xc9, 0x9a, 0x2e), 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(card.adjusted(4, 4, -4, -4), 6, 6);
}

// One page of the open book: its outer edge at `outer`, the spine at `spine`; the lines
// run across it, and a column of figures stands at its right.
void drawPage(QPainter& p, qreal outer, qreal spine, qreal top, qreal bottom, bool left) {
    QPainterPath page;
    page.moveTo(outer, top + 4);
    page.quadTo((outer + spine) / 2, top - 3, spine, top + 3);
    page.lineTo(spine, bottom);
    page.quadTo((outer + spine) / 2, bottom - 6, outer, bottom - 1);
    page.closeSubpath();
    QLinearGradient shade(outer, 0, spine, 0);
    shade.setColorAt(0, kPaper);
    shade.setColorAt(0.85, kPaper);
    shade.setColorAt(1, QColor(0xe4, 0xdc, 0xc4));
    p.setPen(QPen(QColor(0x8d, 0x7b, 0x52), 0.8));
    p.setBrush(shade);
    p.drawPath(page);

    p.save();
    p.setClipPath(page);
    const qreal x0 = std::min(outer, spine) + 4;
    const qreal x1 = std::max(outer, spine) - 4;
    // Ruled lines, a heading band and the red margin of a ledger.
    p.setPen(QPen(kRule, 0.8));
    for (qreal y = top + 16; y < bottom - 6; y += 8) p.drawLine(QPointF(x0, y), QPointF(x1, y));
    p.setPen(QPen(QColor(0xe5, 0x73, 0x73), 0.8));
    const qreal margin = left ? x1 - 18 : x0 + 10;
    p.drawLine(QPointF(margin, top), QPointF(margin, bottom));
    // A heading, then entries: words on the left, figures in the column.
    p.setPen(QPen(kInk, 1.8, Qt::SolidLine, Qt::RoundCap));
    const qreal middle = (x0 + x1) / 2;
    p.drawLine(QPointF(middle - 12, top + 10), QPointF(middle + 12, top + 10));
    p.setPen(QPen(QColor(0x79, 0x86, 0xcb), 1.3, Qt::SolidLine, Qt::RoundCap));
    const qreal wordsFrom = left ? x0 + 2 : margin + 4;
    const qreal wordsTo = left ? margin - 4 : x1 - 20;
    const qreal figuresFrom = left ? margin + 3 : x1 - 16;
    int row = 0;
    for (qreal y = top + 21; y < bottom - 12; y += 8, ++row) {
        const qreal length =
            (wordsTo - wordsFrom) * (0.45 + 0.1 * ((row * 7 + (left ? 0 : 3)) % 5));
        p.drawLine(QPointF(wordsFrom, y), QPointF(wordsFrom + length, y));
        p.drawLine(QPointF(figuresFrom, y), QPointF(figuresFrom + 10 + (row % 3) * 1.5, y));
    }
    p.restore();
}

// The open ledger: a navy cover with two pages on it.
void drawLedger(QPainter& p) {
    const qreal left = 14, right = 128, top = 26, bottom = 124, spine = (left + right) / 2;

    QPainterPath cover;
    cover.addRoundedRect(QRectF(left - 4, top + 2, right - left + 8, bottom - top + 6), 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawPath(cover.translated(2, 2));
    p.setPen(QPen(QColor(0x0d, 0x14, 0x5c), 1));
    p.setBrush(vertical(top, bottom, QColor(0x3f, 0x51, 0xb5), kNavy));
    p.drawPath(cover);

    drawPage(p, left, spine, top, bottom, true);
    drawPage(p, right, spine, top, bottom, false);
    p.setPen(QPen(QColor(0x6d, 0x5c, 0x38), 1));
    p.drawLine(QPointF(spine, top + 3), QPointF(spine, bottom));
    // A ribbon bookmark hanging from the spine.
    QPainterPath ribbon;
    ribbon.moveTo(spine + 3, bottom - 2);
    ribbon.lineTo(spine + 8, bottom - 2);
    ribbon.lineTo(spine + 8, bottom + 12);
    ribbon.lineTo(spine + 5.5, bottom + 9);
    ribbon.lineTo(spine + 3, bottom + 12);
    ribbon.closeSubpath();
    p.setPen(QPen(QColor(0x8e, 0x1b, 0x1b), 0.8));
    p.setBrush(QColor(0xc6, 0x28, 0x28));
    p.drawPath(ribbon);
}

// A coin lying flat, seen slightly from above: its edge band and its face.
void drawCoin(QPainter& p, qreal cx, qreal cy, qreal rx, qreal ry, qreal thickness) {
    QPainterPath band;
    band.moveTo(cx - rx, cy);
    band.arcTo(QRectF(cx - rx, cy - ry + thickness, 2 * rx, 2 * ry), 180, 180);
    band.lineTo(cx + rx, cy);
    band.arcTo(QRectF(cx - rx, cy - ry, 2 * rx, 2 * ry), 0, -180);
    band.closeSubpath();
    QLinearGradient edge(cx - rx, 0, cx + rx, 0);
    edge.setColorAt(0, QColor(0xc4, 0x8a, 0x00));
    edge.setColorAt(0.4, kGold);
    edge.setColorAt(1, kGoldDark);
    p.setPen(QPen(kGoldDark, 0.8));
    p.setBrush(edge);
    p.drawPath(band);
    // Milled edge.
    p.setPen(QPen(QColor(0x8a, 0x5a, 0x00, 120), 0.6));
    for (int i = 1; i < 12; ++i) {
        const qreal x = cx - rx + 2 * rx * i / 12.0;
        p.drawLine(QPointF(x, cy + 1), QPointF(x, cy + thickness - 0.5));
    }

    const QRectF face(cx - rx, cy - ry, 2 * rx, 2 * ry);
    QRadialGradient shine(face.center() - QPointF(rx * 0.35, ry * 0.5), rx * 1.2);
    shine.setColorAt(0, kGoldLight);
    shine.setColorAt(1, kGold);
    p.setPen(QPen(kGoldDark, 0.8));
    p.setBrush(shine);
    p.drawEllipse(face);
    p.setPen(QPen(QColor(0xc4, 0x8a, 0x00), 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(face.adjusted(rx * 0.2, ry * 0.2, -rx * 0.2, -ry * 0.2));
}

// Three coins stacked in front of the book's lower right corner, and one beside them.
void drawCoins(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 45));
    p.drawEllipse(QRectF(94, 126, 52, 12));
    for (int i = 0; i < 4; ++i) drawCoin(p, 121, 127 - i * 6.0, 18, 7, 6);
    drawCoin(p, 100, 133, 13, 5, 4.5);
}

// The largest pixel size up to `largest` at which `text` fits into `width`.
QFont fittingFont(const QString& text, int largest, qreal width, bool bold, bool italic) {
    QFont font(kFamily);
    font.setBold(bold);
    font.setItalic(italic);
    font.setHintingPreference(QFont::PreferNoHinting);
    for (int size = largest; size > 6; --size) {
        font.setPixelSize(size);
        if (QFontMetricsF(font).horizontalAdvance(text) <= width) break;
    }
    return font;
}

// The program's name, a gold rule with a diamond, and what the program is.
void drawLettering(QPainter& p) {
    const qreal left = 144, right = 290, centre = (left + right) / 2;
    const QString name = QStringLiteral("Платорис");
    const QFont nameFont = fittingFont(name, 40, right - left, true, false);
    const QFontMetricsF nameMetrics(nameFont);
    const qreal baseline = 70;

    QPainterPath lettering;
    lettering.addText(centre - nameMetrics.horizontalAdvance(name) / 2, baseline, nameFont, name);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc9, 0x9a, 0x2e, 110));
    p.drawPath(lettering.translated(1.2, 1.2));
    p.setBrush(
        vertical(baseline - nameMetrics.ascent(), baseline, QColor(0x30, 0x3f, 0x9f), kNavy));
    p.drawPath(lettering);

    const qreal ruleY = baseline + 12;
    QLinearGradient gold(left, 0, right, 0);
    gold.setColorAt(0, QColor(0xc9, 0x9a, 0x2e, 0));
    gold.setColorAt(0.5, QColor(0xb8, 0x86, 0x0b));
    gold.setColorAt(1, QColor(0xc9, 0x9a, 0x2e, 0));
    p.setPen(QPen(QBrush(gold), 1.2));
    p.drawLine(QPointF(left + 6, ruleY), QPointF(right - 6, ruleY));
    QPainterPath diamond;
    diamond.moveTo(centre, ruleY - 4);
    diamond.lineTo(centre + 4, ruleY);
    diamond.lineTo(centre, ruleY + 4);
    diamond.lineTo(centre - 4, ruleY);
    diamond.closeSubpath();
    p.setPen(QPen(kGoldDark, 0.8));
    p.setBrush(kGold);
    p.drawPath(diamond);

    const QString first = QStringLiteral("реестр текущих");
    const QString second = QStringLiteral("платежей");
    const QFont small = fittingFont(first, 16, right - left - 10, false, true);
    const QFontMetricsF smallMetrics(small);
    p.setPen(kInk);
    p.setFont(small);
    const qreal y1 = ruleY + 8 + smallMetrics.ascent();
    p.drawText(QPointF(centre - smallMetrics.horizontalAdvance(first) / 2, y1), first);
    p.drawText(QPointF(centre - smallMetrics.horizontalAdvance(second) / 2,
                       y1 + smallMetrics.lineSpacing()),
               second);
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: make-about <file.png>\n";
        return 2;
    }
    if (!QFontDatabase::families().contains(kFamily)) {
        err << "the font " << kFamily << " is missing (Debian: fonts-liberation2)\n";
        return 1;
    }

    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        drawGround(p);
        drawLedger(p);
        drawCoins(p);
        drawLettering(p);
    }
    // The window shows it on white: no transparency is needed. Full colour: a 256-colour
    // palette bands the gradients visibly.
    const QImage stored = image.convertToFormat(QImage::Format_RGB32);
    const QString file = QString::fromLocal8Bit(argv[1]);
    if (!stored.save(file, "PNG")) {
        err << "cannot write " << file << "\n";
        return 1;
    }
    return 0;
}
