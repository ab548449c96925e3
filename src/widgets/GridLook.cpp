#include "GridLook.h"

namespace widgets {

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
