#pragma once

#include <QColor>
#include <QPalette>

#include "GridModel.h"

// The colours of the grids, one resolution for the screen, export and print.
//
// A grid names a colour explicitly or as a system colour by index (5 the window background,
// 15 the button face, ...). The running program's palette gives the system colours (the window
// background from QPalette::Base, the button face from QPalette::Button, the others from their
// nearest roles); without a GUI application, or for an index no role stands for, the usual
// desktop scheme gives them (window background 255,255,255, button face 240,240,240). With Qt's
// own style on this platform the palette's button face is 239,239,239.
namespace look {

inline constexpr int kSystemColorCount = 25;
inline constexpr int kWindowBackground = 5;
inline constexpr int kButtonFace = 15;

// The usual desktop scheme's value of a system colour; black for an unknown index.
QColor standardSystemColor(int index);
// A system colour as the given palette shows it.
QColor systemColor(int index, const QPalette& palette);
// A system colour as the running program shows it: its palette's, else the standard one.
QColor systemColor(int index);

// A grid colour: explicit as given, a system colour from the palette; none: an invalid colour.
QColor toQColor(const gridmodel::Color& color, const QPalette& palette);
// A grid colour as the running program shows it.
QColor toQColor(const gridmodel::Color& color);

}  // namespace look
