#pragma once

#include <QColor>
#include <QFont>
#include <QStringList>

#include "LookFonts.h"

class QWidget;

namespace widgets {

// The text colour of the program's windows.
inline const QColor kNavy(0x00, 0x00, 0x80);

// Fonts by the names the program's windows are drawn with (the look library resolves them).
using look::monospaceFont;  // Courier New
using look::sansSerifFont;  // MS Sans Serif
using look::serifFont;      // Times New Roman

// Gives a window its font and navy text.
void setWindowLook(QWidget* window, const QFont& font);

// Places a window in the middle of its screen: left = (screen width - window width) / 2, top
// likewise, with integer halving.
void centreOnScreen(QWidget* window);

}  // namespace widgets
