#pragma once

class QWidget;

namespace widgets {

// The buttons in the title bar of a dialog or message box. Minimise and maximise are never among
// them.
enum class TitleBarButtons { None, Close };

// Gives a top-level window a title bar with exactly these buttons. Its window flags say so, and
// on X11 the window manager is told so directly, since Qt offers it every function when a window
// has no title-bar button at all. A window manager that offers minimise or maximise anyway finds
// the window back in its normal state at once: a modal window that vanishes leaves the program
// looking hung. Call it before the window is first shown.
void setTitleBarButtons(QWidget* window, TitleBarButtons buttons);

}  // namespace widgets
