#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWidget>

namespace testing_support {

// Keystrokes as the user gives them: each goes to the open popup when there is one (it holds the
// keyboard), else to the focus widget, through the application's event filters. Works with any
// text, Cyrillic included, which QTest::keyClicks cannot send.
inline QWidget* keyTarget() {
    if (QWidget* popup = QApplication::activePopupWidget()) return popup;
    return QApplication::focusWidget();
}

inline void pressKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                     const QString& text = QString()) {
    QWidget* target = keyTarget();
    if (!target) return;
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &press);
    if (QWidget* after = keyTarget()) {
        QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
        QApplication::sendEvent(after, &release);
    }
    QCoreApplication::processEvents();
}

inline int keyOf(QChar c) {
    if (c.isDigit()) return Qt::Key_0 + c.digitValue();
    if (c.unicode() >= 'a' && c.unicode() <= 'z') return Qt::Key_A + (c.unicode() - 'a');
    if (c.unicode() >= 'A' && c.unicode() <= 'Z') return Qt::Key_A + (c.unicode() - 'A');
    if (c == QLatin1Char(' ')) return Qt::Key_Space;
    if (c == QLatin1Char('.')) return Qt::Key_Period;
    if (c == QLatin1Char(',')) return Qt::Key_Comma;
    if (c == QLatin1Char('-')) return Qt::Key_Minus;
    return Qt::Key_unknown;
}

inline void typeText(const QString& text) {
    for (QChar c : text) pressKey(keyOf(c), Qt::NoModifier, QString(c));
}

inline void enter() {
    pressKey(Qt::Key_Return);
}
inline void tab() {
    pressKey(Qt::Key_Tab);
}
inline void escape() {
    pressKey(Qt::Key_Escape);
}
inline void down() {
    pressKey(Qt::Key_Down);
}
inline void up() {
    pressKey(Qt::Key_Up);
}

// Shows a window and makes it the active one, so that focus and keys work as on a desktop.
inline bool showActive(QWidget* window) {
    window->show();
    QApplication::setActiveWindow(window);
    return QTest::qWaitForWindowActive(window);
}

}  // namespace testing_support
