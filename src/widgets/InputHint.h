#pragma once

#include <QString>

class QWidget;

namespace widgets {

// A short note under a control saying why what was typed or pasted did not go in: a small
// window that takes no focus, so the user keeps typing, and that goes away by itself after a few
// seconds, when the next note comes or when the control goes. It comes with the desktop's beep.
class InputHint {
public:
    static void show(QWidget* anchor, const QString& text);
    static void hide();
    // The note on the screen now, or empty.
    static QString shownText();
};

}  // namespace widgets
