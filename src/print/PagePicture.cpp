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

int pageMetric(const PageMetrics& metrics, QPaintDevice::PaintDeviceMetric metric) {
    switch (metric) {
        case QPaintDevice::PdmWidth: return metrics.pageWidth;
        case QPaintDevice::PdmHeight: return metrics.pageHeight;
        case QPaintDevice::PdmDpiX:
        case QPaintDevice::PdmPhysicalDpiX: return metrics.dpiX;
        case QPaintDevice::PdmDpiY:
        case QPaintDevice::PdmPhysicalDpiY: return metrics.dpiY;
        case QPaintDevice::PdmWidthMM: return metrics.pageWidth * 254 / (metrics.dpiX * 10);
        case QPaintDevice::PdmHeightMM: return metrics.pageHeight * 254 / (metrics.dpiY * 10);
        case QPaintDevice::PdmDevicePixelRatio: return 1;
        case QPaintDevice::PdmDevicePixelRatioScaled: return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
        default: return 0;
    }
}

int PagePicture::metric(PaintDeviceMetric m) const {
    const int value = pageMetric(metrics_, m);
    return value != 0 ? value : QPicture::metric(m);
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
