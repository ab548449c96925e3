// Draws the pictures of the program's commands as 32 x 32 PNG files with transparency, and the
// program's own picture (desktop menu, window) on the same 32-unit grid at 256 x 256.
//
//   make-icons <folder>
//
// The pictures are committed beside this file and compiled into the program; run this again
// only to change them. Everything is drawn with paths and fills on the pixel grid (no fonts),
// so the result is the same on every machine.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>
#include <QTextStream>
#include <functional>
#include <vector>

namespace {

constexpr int kSize = 32;

// A rectangle whose one-pixel outline falls exactly on the pixels from (x, y) to
// (x + w - 1, y + h - 1).
QRectF cell(int x, int y, int w, int h) {
    return QRectF(x + 0.5, y + 0.5, w - 1, h - 1);
}

QPen outline(const QColor& colour, qreal width = 1.0) {
    QPen pen(colour, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

QLinearGradient vertical(qreal top, qreal bottom, const QColor& from, const QColor& to) {
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, from);
    g.setColorAt(1, to);
    return g;
}

QLinearGradient diagonal(const QRectF& r, const QColor& from, const QColor& to) {
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, from);
    g.setColorAt(1, to);
    return g;
}

// A soft shadow under a shape, one pixel down and right.
void shadow(QPainter& p, const QPainterPath& shape) {
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 50));
    p.drawPath(shape.translated(1, 1));
    p.restore();
}

// A bold arrow pointing right, with its shaft from x0 to the tip at x1, centred on y.
QPainterPath arrowRight(qreal x0, qreal x1, qreal y, qreal shaft, qreal head, qreal headLength) {
    QPainterPath path;
    path.moveTo(x0, y - shaft / 2);
    path.lineTo(x1 - headLength, y - shaft / 2);
    path.lineTo(x1 - headLength, y - head / 2);
    path.lineTo(x1, y);
    path.lineTo(x1 - headLength, y + head / 2);
    path.lineTo(x1 - headLength, y + shaft / 2);
    path.lineTo(x0, y + shaft / 2);
    path.closeSubpath();
    return path;
}

void greenArrow(QPainter& p, const QPainterPath& arrow) {
    p.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arrow);
    p.setPen(outline(QColor(0x1b, 0x5e, 0x20)));
    p.setBrush(vertical(arrow.boundingRect().top(), arrow.boundingRect().bottom(),
                        QColor(0x81, 0xc7, 0x84), QColor(0x2e, 0x7d, 0x32)));
    p.drawPath(arrow);
}

// A wall calendar: red header with two rings, a grid of days with one marked.
void drawCalendar(QPainter& p) {
    QPainterPath page;
    page.addRoundedRect(cell(3, 5, 26, 25), 2, 2);
    shadow(p, page);
    p.setPen(outline(QColor(0x55, 0x55, 0x55)));
    p.setBrush(vertical(5, 30, Qt::white, QColor(0xe4, 0xe8, 0xee)));
    p.drawPath(page);

    // Header band.
    QPainterPath band;
    band.addRoundedRect(cell(3, 5, 26, 8), 2, 2);
    band.addRect(cell(3, 9, 26, 4));
    p.setPen(outline(QColor(0x8e, 0x1b, 0x1b)));
    p.setBrush(vertical(5, 13, QColor(0xef, 0x53, 0x50), QColor(0xc6, 0x28, 0x28)));
    p.drawPath(band.simplified());

    // Rings.
    for (int x : {9, 20}) {
        p.setPen(outline(QColor(0x37, 0x37, 0x37)));
        p.setBrush(vertical(2, 9, QColor(0xf5, 0xf5, 0xf5), QColor(0x9e, 0x9e, 0x9e)));
        p.drawRoundedRect(cell(x, 2, 4, 7), 1.5, 1.5);
    }

    // Days: four columns, three rows; the chosen day in red.
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 4; ++col) {
            const QRect day(6 + col * 5 + (col > 1 ? 1 : 0), 15 + row * 4 + (row > 0 ? row : 0), 4,
                            3);
            const bool chosen = row == 1 && col == 2;
            p.setPen(Qt::NoPen);
            p.setBrush(chosen ? QColor(0xd3, 0x2f, 0x2f) : QColor(0x60, 0x7d, 0x8b));
            p.drawRect(day);
        }
    }
    // A ring around the chosen day, as drawn by hand.
    p.setPen(outline(QColor(0xd3, 0x2f, 0x2f), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(15, 18.5, 8, 7));
}

// An open door with a green arrow leading out.
void drawExit(QPainter& p) {
    // Frame and the dark doorway.
    QPainterPath frame;
    frame.addRect(cell(3, 2, 17, 28));
    shadow(p, frame);
    p.setPen(outline(QColor(0x4e, 0x34, 0x2e)));
    p.setBrush(vertical(2, 30, QColor(0xa1, 0x88, 0x7f), QColor(0x6d, 0x4c, 0x41)));
    p.drawPath(frame);
    p.setPen(Qt::NoPen);
    p.setBrush(vertical(4, 30, QColor(0x26, 0x32, 0x38), QColor(0x45, 0x5a, 0x64)));
    p.drawRect(QRect(5, 4, 13, 26));
    // Light falling in through the opening.
    QPainterPath light;
    light.moveTo(9, 30);
    light.lineTo(18, 30);
    light.lineTo(18, 4);
    light.closeSubpath();
    p.setBrush(QColor(0xff, 0xf5, 0x9d, 90));
    p.drawPath(light);

    // The door leaf, swung open towards the viewer on its left hinges.
    QPainterPath leaf;
    leaf.moveTo(5, 4);
    leaf.lineTo(11.5, 6.5);
    leaf.lineTo(11.5, 31);
    leaf.lineTo(5, 29.5);
    leaf.closeSubpath();
    p.setPen(outline(QColor(0x3e, 0x27, 0x23)));
    p.setBrush(diagonal(QRectF(5, 4, 7, 27), QColor(0xd7, 0x9b, 0x5f), QColor(0x8d, 0x5a, 0x2b)));
    p.drawPath(leaf);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xd5, 0x4f));
    p.drawEllipse(QRectF(9, 17, 2, 2.5));

    greenArrow(p, arrowRight(14, 30.5, 17, 5, 12, 7));
}

// A desk printer with a sheet going in at the back and a printed sheet coming out.
void drawPrinter(QPainter& p) {
    // Sheet at the back.
    p.setPen(outline(QColor(0x75, 0x75, 0x75)));
    p.setBrush(Qt::white);
    p.drawRect(cell(8, 2, 16, 13));

    // Body.
    QPainterPath body;
    body.addRoundedRect(cell(2, 11, 28, 14), 2.5, 2.5);
    shadow(p, body);
    p.setPen(outline(QColor(0x42, 0x42, 0x42)));
    p.setBrush(vertical(11, 25, QColor(0xee, 0xee, 0xee), QColor(0x90, 0x96, 0x9c)));
    p.drawPath(body);
    // Top edge highlight and the paper slot.
    p.setPen(QPen(QColor(255, 255, 255, 200), 1));
    p.drawLine(QPointF(4.5, 12.5), QPointF(27.5, 12.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x30, 0x30, 0x30));
    p.drawRect(QRect(6, 20, 20, 2));
    // Power light.
    p.setBrush(QColor(0x43, 0xa0, 0x47));
    p.drawEllipse(QRectF(24, 14.5, 3, 3));

    // The printed sheet in front.
    p.setPen(outline(QColor(0x61, 0x61, 0x61)));
    p.setBrush(vertical(21, 31, Qt::white, QColor(0xf1, 0xf1, 0xf1)));
    p.drawRect(cell(7, 21, 18, 10));
    p.setPen(QPen(QColor(0x1e, 0x3a, 0x8a), 1));
    for (int y : {24, 26, 28})
        p.drawLine(QPointF(9.5, y + 0.5), QPointF(y == 28 ? 17.5 : 22.5, y + 0.5));
}

// A sealed envelope with a blue arrow flying off it.
void drawSend(QPainter& p) {
    QPainterPath envelope;
    envelope.addRect(cell(1, 9, 24, 18));
    shadow(p, envelope);
    p.setPen(outline(QColor(0x8d, 0x6e, 0x63)));
    p.setBrush(vertical(9, 27, QColor(0xff, 0xfb, 0xeb), QColor(0xf0, 0xe0, 0xb8)));
    p.drawPath(envelope);
    // Flap and the folds to the bottom corners.
    p.setPen(outline(QColor(0xa1, 0x88, 0x7f)));
    p.drawLine(QPointF(1.5, 26.5), QPointF(10, 18));
    p.drawLine(QPointF(24.5, 26.5), QPointF(16, 18));
    QPainterPath flap;
    flap.moveTo(1.5, 9.5);
    flap.lineTo(13, 20);
    flap.lineTo(24.5, 9.5);
    p.setPen(outline(QColor(0x8d, 0x6e, 0x63)));
    p.setBrush(vertical(9, 20, QColor(0xff, 0xf3, 0xcd), QColor(0xe6, 0xd2, 0xa0)));
    p.drawPath(flap);
    // Seal.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc6, 0x28, 0x28));
    p.drawEllipse(QRectF(11, 16.5, 4, 4));

    // Arrow to the upper right, in blue.
    QPainterPath arrow = arrowRight(0, 14, 0, 4, 10, 6);
    QTransform t;
    t.translate(17, 10);
    t.rotate(-30);
    arrow = t.map(arrow);
    p.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arrow);
    p.setPen(outline(QColor(0x0d, 0x47, 0xa1)));
    p.setBrush(vertical(0, 12, QColor(0x64, 0xb5, 0xf6), QColor(0x15, 0x65, 0xc0)));
    p.drawPath(arrow);
}

// A floppy disk: blue case, metal shutter, white label.
void drawSave(QPainter& p) {
    QPainterPath disk;
    disk.moveTo(3.5, 5.5);
    disk.quadTo(3.5, 3.5, 5.5, 3.5);
    disk.lineTo(25.5, 3.5);
    disk.lineTo(28.5, 6.5);
    disk.lineTo(28.5, 26.5);
    disk.quadTo(28.5, 28.5, 26.5, 28.5);
    disk.lineTo(5.5, 28.5);
    disk.quadTo(3.5, 28.5, 3.5, 26.5);
    disk.closeSubpath();
    shadow(p, disk);
    p.setPen(outline(QColor(0x0d, 0x1f, 0x4d)));
    p.setBrush(diagonal(QRectF(3, 3, 26, 26), QColor(0x3f, 0x7f, 0xd8), QColor(0x14, 0x3c, 0x8c)));
    p.drawPath(disk);

    // Shutter with its window.
    p.setPen(outline(QColor(0x61, 0x61, 0x61)));
    p.setBrush(vertical(4, 12, QColor(0xf5, 0xf5, 0xf5), QColor(0xb0, 0xb6, 0xbc)));
    p.drawRect(cell(9, 4, 15, 9));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x37, 0x47, 0x4f));
    p.drawRect(QRect(18, 5, 3, 6));

    // Label.
    p.setPen(outline(QColor(0x9e, 0x9e, 0x9e)));
    p.setBrush(vertical(16, 28, Qt::white, QColor(0xe8, 0xea, 0xed)));
    p.drawRect(cell(7, 16, 18, 13));
    p.setPen(QPen(QColor(0x90, 0xa4, 0xae), 1));
    for (int y : {19, 22, 25}) p.drawLine(QPointF(9.5, y + 0.5), QPointF(22.5, y + 0.5));
}

// A thick bound book with a title plate and page edges.
void drawDirectories(QPainter& p) {
    // The second book behind, leaning.
    p.save();
    p.translate(19, 5);
    p.rotate(12);
    p.setPen(outline(QColor(0x1b, 0x5e, 0x20)));
    p.setBrush(vertical(0, 24, QColor(0x66, 0xbb, 0x6a), QColor(0x2e, 0x7d, 0x32)));
    p.drawRoundedRect(QRectF(0.5, 0.5, 9, 23), 1, 1);
    p.setPen(QPen(QColor(0xff, 0xe0, 0x82), 1));
    p.drawLine(QPointF(2, 5), QPointF(8, 5));
    p.drawLine(QPointF(2, 19), QPointF(8, 19));
    p.restore();

    // Pages seen at the bottom edge.
    p.setPen(outline(QColor(0x8d, 0x6e, 0x63)));
    p.setBrush(vertical(26, 30, QColor(0xff, 0xfd, 0xf5), QColor(0xe0, 0xd6, 0xc0)));
    p.drawRect(cell(6, 25, 17, 5));
    p.setPen(QPen(QColor(0xbc, 0xaa, 0xa4), 1));
    p.drawLine(QPointF(7, 27.5), QPointF(22, 27.5));

    // Cover.
    QPainterPath cover;
    cover.addRoundedRect(cell(4, 2, 19, 25), 1.5, 1.5);
    shadow(p, cover);
    p.setPen(outline(QColor(0x5d, 0x10, 0x10)));
    p.setBrush(diagonal(QRectF(4, 2, 19, 25), QColor(0xc6, 0x3a, 0x3a), QColor(0x7f, 0x16, 0x16)));
    p.drawPath(cover);
    // Spine.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x5d, 0x10, 0x10, 160));
    p.drawRect(QRect(5, 3, 3, 23));
    // Title plate and lines.
    p.setPen(outline(QColor(0xb2, 0x8b, 0x20)));
    p.setBrush(vertical(7, 13, QColor(0xff, 0xec, 0xb3), QColor(0xff, 0xca, 0x28)));
    p.drawRect(cell(10, 7, 10, 6));
    p.setPen(QPen(QColor(0x7f, 0x5f, 0x00), 1));
    p.drawLine(QPointF(12, 9.5), QPointF(18, 9.5));
    p.setPen(QPen(QColor(0xff, 0xd5, 0x4f), 1));
    p.drawLine(QPointF(10, 18.5), QPointF(20, 18.5));
    p.drawLine(QPointF(10, 21.5), QPointF(20, 21.5));
}

// A banknote with its inner frame and portrait medallion.
void drawBanknote(QPainter& p, const QRectF& r) {
    QPainterPath note;
    note.addRoundedRect(r, 1.5, 1.5);
    shadow(p, note);
    p.setPen(outline(QColor(0x1b, 0x5e, 0x20)));
    p.setBrush(diagonal(r, QColor(0xc5, 0xe1, 0xa5), QColor(0x7c, 0xb3, 0x42)));
    p.drawPath(note);
    p.setPen(QPen(QColor(0x33, 0x69, 0x1e), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(2, 2, -2, -2));
    const QPointF centre = r.center();
    p.setBrush(QColor(0xf1, 0xf8, 0xe9));
    p.drawEllipse(centre, 3.5, 3.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x55, 0x8b, 0x2f));
    p.drawEllipse(centre + QPointF(0, -0.8), 1.3, 1.3);
    p.drawChord(QRectF(centre.x() - 2.2, centre.y() + 0.6, 4.4, 4), 0, 180 * 16);
}

// A gold coin with a ring stamped inside its rim, lit from the upper left.
void drawGoldCoin(QPainter& p, const QRectF& coin, qreal ringInset, qreal ringWidth) {
    QPainterPath disc;
    disc.addEllipse(coin);
    shadow(p, disc);
    const qreal size = coin.width();
    QRadialGradient gold(coin.center() - QPointF(size / 6, size / 6), size * 2 / 3);
    gold.setColorAt(0, QColor(0xff, 0xf1, 0x76));
    gold.setColorAt(1, QColor(0xf9, 0xa8, 0x25));
    p.setPen(outline(QColor(0x9a, 0x67, 0x00)));
    p.setBrush(gold);
    p.drawEllipse(coin);
    p.setPen(QPen(QColor(0xc4, 0x8a, 0x00), ringWidth));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(coin.adjusted(ringInset, ringInset, -ringInset, -ringInset));
}

// A stack of banknotes and a gold coin: the day's payments.
void drawPayments(QPainter& p) {
    drawBanknote(p, cell(6, 3, 24, 14));
    drawBanknote(p, cell(4, 7, 24, 14));
    drawBanknote(p, cell(2, 11, 24, 14));

    drawGoldCoin(p, QRectF(18.5, 18.5, 12, 12), 2.5, 1);
}

// A blue disc with a white question mark.
void drawHelp(QPainter& p) {
    const QRectF disc(1.5, 1.5, 29, 29);
    QPainterPath round;
    round.addEllipse(disc);
    shadow(p, round);
    QRadialGradient blue(QPointF(11, 9), 22);
    blue.setColorAt(0, QColor(0x64, 0xb5, 0xf6));
    blue.setColorAt(1, QColor(0x0d, 0x47, 0xa1));
    p.setPen(outline(QColor(0x0a, 0x2f, 0x6b)));
    p.setBrush(blue);
    p.drawEllipse(disc);

    // The hook of the question mark and its dot.
    QPainterPath hook;
    hook.moveTo(11, 12.5);
    hook.cubicTo(11, 6.5, 21.5, 6.5, 21, 12.5);
    hook.cubicTo(20.7, 16, 16, 16, 16, 20);
    p.setPen(QPen(Qt::white, 4.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(hook);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(16, 25), 2.4, 2.4);
}

// The program: a payment register sheet with a gold rouble coin in front.
void drawProgram(QPainter& p) {
    QPainterPath sheet;
    sheet.addRoundedRect(QRectF(3.5, 2.5, 21, 26), 1.5, 1.5);
    shadow(p, sheet);
    p.setPen(outline(QColor(0x37, 0x47, 0x4f)));
    p.setBrush(vertical(2.5, 28.5, Qt::white, QColor(0xe3, 0xea, 0xf0)));
    p.drawPath(sheet);

    // Title band, the ruled rows and the column of sums.
    QPainterPath band;
    band.addRoundedRect(QRectF(4, 3, 20, 5), 1, 1);
    band.addRect(QRectF(4, 6, 20, 2));
    p.setPen(Qt::NoPen);
    p.setBrush(vertical(3, 8, QColor(0x42, 0x8b, 0xd6), QColor(0x15, 0x65, 0xc0)));
    p.drawPath(band.simplified());
    p.setPen(QPen(QColor(0x90, 0xa4, 0xae), 0.5));
    for (qreal y = 11; y <= 26; y += 3) p.drawLine(QPointF(5, y), QPointF(23, y));
    p.drawLine(QPointF(9.5, 8), QPointF(9.5, 27.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x37, 0x47, 0x4f));
    for (qreal y = 9; y <= 21; y += 3) {
        p.drawRect(QRectF(6, y + 0.6, 2.5, 1));
        p.drawRect(QRectF(11, y + 0.6, y == 15 ? 5 : 8, 1));
    }

    // The coin with the rouble sign.
    drawGoldCoin(p, QRectF(15.5, 15.5, 15, 15), 1.8, 0.8);

    QPainterPath rouble;
    rouble.moveTo(21.3, 28);
    rouble.lineTo(21.3, 19);
    rouble.lineTo(24, 19);
    rouble.cubicTo(26.6, 19, 26.6, 23.4, 24, 23.4);
    rouble.lineTo(19.6, 23.4);
    rouble.moveTo(19.6, 25.6);
    rouble.lineTo(24.6, 25.6);
    p.setPen(QPen(QColor(0x6d, 0x45, 0x00), 1.4, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    p.drawPath(rouble);
}

struct Picture {
    const char* file;
    std::function<void(QPainter&)> draw;
    int size = kSize;  // pixels; the drawing is scaled from the 32-unit grid
};

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: make-icons <folder>\n";
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const std::vector<Picture> pictures = {
        {"calendar.png", drawCalendar},
        {"exit.png", drawExit},
        {"printer.png", drawPrinter},
        {"send.png", drawSend},
        {"save.png", drawSave},
        {"directories.png", drawDirectories},
        {"payments.png", drawPayments},
        {"help.png", drawHelp},
        {"platoris.png", drawProgram, 256},
    };
    for (const Picture& picture : pictures) {
        QImage image(picture.size, picture.size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            p.scale(qreal(picture.size) / kSize, qreal(picture.size) / kSize);
            picture.draw(p);
        }
        const QString path = folder + QLatin1Char('/') + QLatin1String(picture.file);
        if (!image.convertToFormat(QImage::Format_ARGB32).save(path, "PNG")) {
            err << "cannot write " << path << "\n";
            return 1;
        }
    }
    return 0;
}
