#pragma once

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace apptest {

// Runs `action` on the next modal window as soon as it is open: the window's own loop delivers
// the timer, so a test can answer a real dialog. Gives up after a thousand ticks (ten seconds or
// more), so a test that expected a dialog in vain fails instead of hanging.
inline void onNextModal(std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    auto ticks = std::make_shared<int>(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, ticks, action] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        } else if (++*ticks > 1000) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

// Restores the working folder when a test ends.
class WorkingFolderGuard {
public:
    WorkingFolderGuard() : saved_(QDir::currentPath()) {}
    ~WorkingFolderGuard() { QDir::setCurrent(saved_); }

private:
    QString saved_;
};

}  // namespace apptest
