#pragma once

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <QTextItem>
#include <vector>

#include "PagePicture.h"

namespace printtest {

// What a recorded page draws: its texts with where they stand, its lines and its filled
// rectangles with their colours, in page pixels.
struct PageContent {
    struct Text {
        QString text;
        QPointF at;  // the start of the baseline
        QFont font;
        QColor color;
    };
    std::vector<Text> texts;
    std::vector<QLineF> lines;
    struct Fill {
        QRectF rect;
        QColor color;
    };
    std::vector<Fill> fills;

    // Whether the text stands on the page; a text may come in several pieces (a wrapped title,
    // a run of other characters), so the pieces are searched as one.
    bool has(const QString& text) const {
        QString joined;
        for (const Text& t : texts) joined += t.text;
        return joined.contains(text);
    }
    int count(const QString& text) const {
        int n = 0;
        for (const Text& t : texts)
            if (t.text.contains(text)) ++n;
        return n;
    }
    QString all() const {
        QString s;
        for (const Text& t : texts) s += t.text + u'|';
        return s;
    }
};

// A paint engine that keeps what is drawn on it instead of drawing it.
class CaptureEngine : public QPaintEngine {
public:
    explicit CaptureEngine(PageContent& content) : QPaintEngine(AllFeatures), content_(content) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState& state) override {
        if (state.state() & DirtyTransform) transform_ = state.transform();
        if (state.state() & DirtyPen) color_ = state.pen().color();
        if (state.state() & DirtyBrush) brush_ = state.brush();
    }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        content_.texts.push_back({item.text(), transform_.map(p), item.font(), color_});
    }
    void drawLines(const QLineF* lines, int count) override {
        for (int i = 0; i < count; ++i) content_.lines.push_back(transform_.map(lines[i]));
    }
    void drawLines(const QLine* lines, int count) override {
        for (int i = 0; i < count; ++i) content_.lines.push_back(transform_.map(QLineF(lines[i])));
    }
    // Lines come back from a recorded picture as polylines.
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        if (mode != PolylineMode) return;
        for (int i = 0; i + 1 < count; ++i) content_.lines.push_back(transform_.map(QLineF(points[i], points[i + 1])));
    }
    void drawRects(const QRectF* rects, int count) override {
        if (brush_.style() == Qt::NoBrush) return;
        for (int i = 0; i < count; ++i)
            content_.fills.push_back({transform_.mapRect(rects[i]), brush_.color()});
    }
    void drawPath(const QPainterPath& path) override {
        const QRectF rect = path.boundingRect();
        drawRects(&rect, 1);
    }
    void drawRects(const QRect* rects, int count) override {
        for (int i = 0; i < count; ++i) {
            const QRectF rect(rects[i]);
            drawRects(&rect, 1);
        }
    }
    Type type() const override { return User; }

private:
    PageContent& content_;
    QTransform transform_;
    QColor color_;
    QBrush brush_;
};

// A device of a page's size and resolution that captures what is played on it.
class CaptureDevice : public QPaintDevice {
public:
    explicit CaptureDevice(const print::PageMetrics& metrics) : metrics_(metrics), engine_(content) {}
    PageContent content;
    QPaintEngine* paintEngine() const override { return const_cast<CaptureEngine*>(&engine_); }

protected:
    int metric(PaintDeviceMetric m) const override {
        if (m == PdmDepth) return 32;
        if (m == PdmNumColors) return 1 << 24;
        return print::pageMetric(metrics_, m);
    }

private:
    print::PageMetrics metrics_;
    CaptureEngine engine_;
};

// The content of a recorded page.
inline PageContent contentOf(const print::PagePicture& page) {
    CaptureDevice device(page.metrics());
    {
        QPainter painter(&device);
        print::playPage(painter, page);
    }
    return device.content;
}

}  // namespace printtest
