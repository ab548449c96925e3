#pragma once

#include <QPicture>

#include "VirtualPrinter.h"

class QPainter;

namespace print {

// A page's metric for a paint device of the page's size and resolution (0 for what a page
// does not say).
int pageMetric(const PageMetrics& metrics, QPaintDevice::PaintDeviceMetric metric);

// One recorded page: a picture that reports the printer's page size and resolution, so that
// fonts given in points measure and draw at printer resolution while it is recorded.
class PagePicture : public QPicture {
public:
    explicit PagePicture(const PageMetrics& metrics) : metrics_(metrics) {}
    const PageMetrics& metrics() const { return metrics_; }

protected:
    int metric(PaintDeviceMetric m) const override;

private:
    PageMetrics metrics_;
};

// Replays a recorded page at the painter's origin, one recorded pixel per unit of the
// painter's coordinates. (Replaying a picture scales it by the device's resolution over the
// screen's on its own; that factor is taken back here.)
void playPage(QPainter& painter, const QPicture& page);

}  // namespace print
