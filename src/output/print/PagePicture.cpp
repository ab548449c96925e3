#include "PagePicture.h"

#include <QImage>
#include <QPainter>

namespace print {

PageMetrics PageMetrics::defaultA4() {
    PageMetrics m;
    m.dpiX = m.dpiY = 600;
    m.fullPageWidth = m.pageWidth = 210 * 600 * 10 / 254;    // 4960
    m.fullPageHeight = m.pageHeight = 297 * 600 * 10 / 254;  // 7015
    return m;
}

int PagePicture::metric(PaintDeviceMetric m) const {
    switch (m) {
        case PdmWidth: return metrics_.pageWidth;
        case PdmHeight: return metrics_.pageHeight;
        case PdmDpiX:
        case PdmPhysicalDpiX: return metrics_.dpiX;
        case PdmDpiY:
        case PdmPhysicalDpiY: return metrics_.dpiY;
        case PdmWidthMM: return metrics_.pageWidth * 254 / (metrics_.dpiX * 10);
        case PdmHeightMM: return metrics_.pageHeight * 254 / (metrics_.dpiY * 10);
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
        default: return QPicture::metric(m);
    }
}

void playPage(QPainter& painter, const QPicture& page) {
    // A fresh image has the resolution that replaying measures against.
    static const int referenceDpiX = QImage(1, 1, QImage::Format_RGB32).logicalDpiX();
    static const int referenceDpiY = QImage(1, 1, QImage::Format_RGB32).logicalDpiY();
    painter.save();
    painter.scale(static_cast<qreal>(referenceDpiX) / painter.device()->logicalDpiX(),
                  static_cast<qreal>(referenceDpiY) / painter.device()->logicalDpiY());
    painter.drawPicture(0, 0, page);
    painter.restore();
}

}  // namespace print
