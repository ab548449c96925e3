#include "MdiChild.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace widgets {

FixedMdiChild::FixedMdiChild(QWidget* parent) : QWidget(parent) {}

void FixedMdiChild::closeEvent(QCloseEvent* event) {
    event->ignore();
}

QMdiSubWindow* addFixedMdiChild(QMdiArea* area, QWidget* child) {
    QMdiSubWindow* sub = area->addSubWindow(child);
    // Set after adding: flags given before still leave a close button in the corner of a
    // maximised child.
    sub->setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    // No system menu, so no "Close" and none of its shortcuts.
    sub->setSystemMenu(nullptr);
    // The area deletes a closed subwindow; the program keeps pointers to its children.
    sub->setAttribute(Qt::WA_DeleteOnClose, false);
    sub->showMaximized();
    return sub;
}

}  // namespace widgets
