#pragma once

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace apptest {

// Runs `action` on the next modal window as soon as it is open: the window's own loop delivers
// the timer, so a test can answer a real dialog. Gives up after ten seconds by closing every
// modal window, so a test that expected a dialog in vain fails instead of hanging.
inline void onNextModal(std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    auto elapsed = std::make_shared<QElapsedTimer>();
    elapsed->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, elapsed, action] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        } else if (elapsed->elapsed() > 10000) {
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
