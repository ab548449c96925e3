#pragma once

#include <QWidget>

class QMdiArea;
class QMdiSubWindow;

namespace widgets {

// A window that lives inside the main window for the whole run: the user cannot close it
// (a close request is refused), and it has no caption buttons.
class FixedMdiChild : public QWidget {
    Q_OBJECT
public:
    explicit FixedMdiChild(QWidget* parent = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;
};

// Adds child to the area as a visible, maximised subwindow without system menu and without
// minimise, maximise or close buttons, never deleted by a close. Returns the subwindow.
QMdiSubWindow* addFixedMdiChild(QMdiArea* area, QWidget* child);

}  // namespace widgets
