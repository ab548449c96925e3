#pragma once

#include <QFont>
#include <QString>

#include "GridModel.h"

// The fonts of the grids and windows, one resolution for the screen and print.
namespace look {

// Fonts by the names the program's windows are drawn with, falling back to metric-compatible
// or look-alike families where those are not installed.
QFont sansSerifFont(int pixelSize, bool bold);  // MS Sans Serif
QFont monospaceFont(int pixelSize, bool bold);  // Courier New
QFont serifFont(int pixelSize, bool bold);      // Times New Roman

// The screen form of a grid's font: the Windows faces map to the stand-ins above; a negative
// height is the character height in pixels.
QFont toQFont(const gridmodel::FontSpec& font);

// A grid's font on paper: the face asked for by its own name (face, when given, in place of
// the grid's), which the printer's font matching finds, at the point size the font's screen
// pixels make at 96 per inch.
QFont printedFont(const gridmodel::FontSpec& font, const QString& face = QString());

}  // namespace look
