#pragma once

class QMainWindow;
class QMenuBar;

namespace app {

// The keyboard's way into a menu bar, as desktop programs offer it: F10 opens the first menu
// with its first command highlighted; a lone Alt (pressed and released with nothing between)
// highlights the first menu title, and Alt with a title's underlined letter opens that menu.
// Then the arrows move through the titles and the commands, Enter runs the highlighted
// command and Esc leaves. F10 works wherever the focus is in the menu bar's window, not in
// a dialog over it.
void enableMenuBarKeys(QMenuBar* menuBar);

// What F10 does.
void openFirstMenu(QMenuBar* menuBar);

// Ctrl+Tab and Ctrl+Shift+Tab inside the child windows of an MDI main window go to the next
// or previous control of that window, out of a grid at once, as in a window of its own; the
// MDI area would otherwise take them for switching windows, which the "Окно" menu does.
void keepCtrlTabInsideChildWindows(QMainWindow* mainWindow);

}  // namespace app
