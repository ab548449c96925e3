#include "Termination.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <cerrno>

namespace app {

namespace {

// The signal handler only writes a byte here; the message loop reads it and acts.
int signalSocket[2] = {-1, -1};

void onTerminationSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalSocket[1], &byte, 1);
    errno = savedErrno;
}

}  // namespace

void endProgram() {
    // Modal dialogs run loops of their own: close them from the top down as if cancelled.
    // A dialog refusing to go would keep the loop here, so give up on one that stays.
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->hide();
        if (QApplication::activeModalWidget() == modal) break;
    }
    QCoreApplication::quit();
}

void endOnTerminationSignals(QObject* context) {
    if (signalSocket[0] >= 0) return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSocket) != 0) return;
    ::fcntl(signalSocket[1], F_SETFL, ::fcntl(signalSocket[1], F_GETFL) | O_NONBLOCK);
    ::fcntl(signalSocket[0], F_SETFL, ::fcntl(signalSocket[0], F_GETFL) | O_NONBLOCK);

    auto* notifier = new QSocketNotifier(signalSocket[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [] {
        char bytes[16];
        while (::read(signalSocket[0], bytes, sizeof bytes) > 0) {
        }
        endProgram();
    });

    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

}  // namespace app
