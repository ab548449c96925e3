#pragma once

#include <QColor>
#include <QFont>
#include <QStringList>

class QWidget;

namespace widgets {

// The text colour of the program's windows.
inline const QColor kNavy(0x00, 0x00, 0x80);

// Fonts by the names the program's windows are drawn with, falling back to metric-compatible
// or look-alike families where those are not installed.
QFont sansSerifFont(int pixelSize, bool bold);  // MS Sans Serif
QFont monospaceFont(int pixelSize, bool bold);  // Courier New
QFont serifFont(int pixelSize, bool bold);      // Times New Roman

// Gives a window its font and navy text.
void setWindowLook(QWidget* window, const QFont& font);

// Places a window in the middle of its screen: left = (screen width - window width) / 2, top
// likewise, with integer halving.
void centreOnScreen(QWidget* window);

}  // namespace widgets
