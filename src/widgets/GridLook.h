#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

#include "GridModel.h"
#include "LookColors.h"
#include "LookFonts.h"

namespace widgets {

// The room between a grid cell's edge and its text: in the titles, the footers and the sums.
inline constexpr int kTextMargin = 3;

// The screen form of a grid's plain look data. Fonts and colours resolve in the look library,
// the same way export and printing resolve them: a font's Windows face maps to the program's
// stand-ins, a negative height is the character height in pixels; a system colour comes from
// the palette (5 window background: Base, 15 button face: Button), no colour is invalid.
using look::toQColor;
using look::toQFont;
Qt::Alignment toQAlignment(gridmodel::Align align);

}  // namespace widgets
