#include "TitleBar.h"

#include <xcb/xcb.h>

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <cstdlib>

namespace widgets {

namespace {

// The Motif window manager hints, which X11 window managers read for a window's functions and
// decorations.
constexpr uint32_t kHintFunctions = 1u << 0;
constexpr uint32_t kHintDecorations = 1u << 1;
constexpr uint32_t kFunctionMove = 1u << 2;
constexpr uint32_t kFunctionClose = 1u << 5;
constexpr uint32_t kDecorationBorder = 1u << 1;
constexpr uint32_t kDecorationTitle = 1u << 3;

void tellWindowManager(QWidget* window, TitleBarButtons buttons) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) return;
    xcb_connection_t* connection = x11->connection();
    static const char kName[] = "_MOTIF_WM_HINTS";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, sizeof kName - 1, kName), nullptr);
    if (!atom) return;
    const uint32_t hints[5] = {
        kHintFunctions | kHintDecorations,
        kFunctionMove | (buttons == TitleBarButtons::Close ? kFunctionClose : 0u),
        kDecorationBorder | kDecorationTitle,
        0,  // input mode: left to the window's modality
        0,  // status
    };
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE,
                        static_cast<xcb_window_t>(window->winId()), atom->atom, atom->atom, 32, 5,
                        hints);
    std::free(atom);
    xcb_flush(connection);
}

// Tells the window manager each time the window is about to appear, and takes the window back
// to its normal state whenever something minimises or maximises it.
class TitleBarKeeper : public QObject {
public:
    TitleBarKeeper(QWidget* window, TitleBarButtons buttons) : QObject(window), buttons_(buttons) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* window = qobject_cast<QWidget*>(watched);
        if (!window) return false;
        if (event->type() == QEvent::Show) {
            tellWindowManager(window, buttons_);
        } else if (event->type() == QEvent::WindowStateChange &&
                   (window->windowState() & kForbidden)) {
            QTimer::singleShot(0, window, [window = QPointer<QWidget>(window)] {
                if (window && (window->windowState() & kForbidden))
                    window->setWindowState(window->windowState() & ~kForbidden);
            });
        }
        return false;
    }

private:
    static constexpr Qt::WindowStates kForbidden =
        Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;
    TitleBarButtons buttons_;
};

}  // namespace

void setTitleBarButtons(QWidget* window, TitleBarButtons buttons) {
    Qt::WindowFlags flags = (window->windowFlags() & Qt::WindowType_Mask) |
                            Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (buttons == TitleBarButtons::Close) flags |= Qt::WindowCloseButtonHint;
    window->setWindowFlags(flags);
    window->installEventFilter(new TitleBarKeeper(window, buttons));
}

}  // namespace widgets
