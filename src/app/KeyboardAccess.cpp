#include "KeyboardAccess.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QShortcut>
#include <QStyleOptionMenuItem>

#include "DataGrid.h"

namespace app {

namespace {

// The application's look, with the menu bar answering a lone Alt and showing the title the
// keyboard is on (the look used on this desktop leaves both out).
class AltKeyNavigation : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_MenuBar_AltKeyNavigation) return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        if (element == CE_MenuBarItem && widget && widget->hasFocus() &&
            (option->state & State_Selected)) {
            if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
                QStyleOptionMenuItem highlighted = *item;
                highlighted.state |= State_Sunken;
                QProxyStyle::drawControl(element, &highlighted, painter, widget);
                return;
            }
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

QAction* firstCommand(const QMenu* menu) {
    for (QAction* action : menu->actions())
        if (!action->isSeparator() && action->isVisible() && action->isEnabled()) return action;
    return nullptr;
}

// Sees Ctrl+Tab before the MDI area does (application filters run latest installed first).
class CtrlTabFilter : public QObject {
public:
    explicit CtrlTabFilter(QMainWindow* mainWindow) : QObject(mainWindow), main_(mainWindow) {}

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab) ||
            !(key->modifiers() & Qt::ControlModifier))
            return false;
        auto* widget = qobject_cast<QWidget*>(receiver);
        auto* area = qobject_cast<QMdiArea*>(main_->centralWidget());
        if (!widget || !area || widget->window() != main_ || !area->isAncestorOf(widget))
            return false;
        const bool forward = key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier);
        for (QWidget* w = widget; w; w = w->parentWidget())
            if (auto* grid = qobject_cast<widgets::DataGrid*>(w)) {
                grid->leaveByKeyboard(forward);
                return true;
            }
        // Any other control: as Tab.
        QKeyEvent plain(QEvent::KeyPress, forward ? Qt::Key_Tab : Qt::Key_Backtab,
                        forward ? Qt::NoModifier : Qt::ShiftModifier);
        QApplication::sendEvent(widget, &plain);
        return true;
    }

private:
    QMainWindow* main_;
};

}  // namespace

void keepCtrlTabInsideChildWindows(QMainWindow* mainWindow) {
    qApp->installEventFilter(new CtrlTabFilter(mainWindow));
}

void enableMenuBarKeys(QMenuBar* menuBar) {
    auto* style = new AltKeyNavigation(QApplication::style()->name());
    style->setParent(menuBar);
    menuBar->setStyle(style);

    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), menuBar->window());
    f10->setContext(Qt::WindowShortcut);
    QObject::connect(f10, &QShortcut::activated, menuBar, [menuBar] { openFirstMenu(menuBar); });
}

void openFirstMenu(QMenuBar* menuBar) {
    for (QAction* title : menuBar->actions()) {
        QMenu* menu = title->menu();
        if (!menu || !title->isVisible() || !title->isEnabled()) continue;
        menuBar->setActiveAction(title);
        if (QAction* command = firstCommand(menu)) menu->setActiveAction(command);
        return;
    }
}

}  // namespace app
