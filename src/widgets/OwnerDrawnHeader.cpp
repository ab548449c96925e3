#include "OwnerDrawnHeader.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionHeader>

namespace widgets {

void OwnerDrawnHeader::paintEmptySection(QPainter* painter, const QRect& rect,
                                         int logicalIndex) const {
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.rect = rect;
    option.section = logicalIndex;
    option.text.clear();
    painter->save();
    style()->drawControl(QStyle::CE_Header, &option, painter, this);
    painter->restore();
}

}  // namespace widgets
