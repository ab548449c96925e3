#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

#include "GridModel.h"

namespace widgets {

// The room between a grid cell's edge and its text: in the titles, the footers and the sums.
inline constexpr int kTextMargin = 3;

// The screen form of a grid's plain look data. The Windows faces map to the program's
// stand-ins (WindowLook.h); a negative height is the character height in pixels.
QFont toQFont(const gridmodel::FontSpec& font);
// An explicit colour as given; a system colour from the palette (5 window background: Base,
// 15 button face: Button); none: an invalid colour.
QColor toQColor(const gridmodel::Color& color, const QPalette& palette);
Qt::Alignment toQAlignment(gridmodel::Align align);

}  // namespace widgets
