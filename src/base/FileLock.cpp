#include "FileLock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "EngineError.h"

namespace base {

namespace {
constexpr auto kLockWait = std::chrono::seconds(3);
}

bool tryLockFile(int fd, bool exclusive) {
    struct flock lock = {};
    lock.l_type = exclusive ? F_WRLCK : F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;  // the whole file, however it grows
    int rc;
    do {
        rc = fcntl(fd, F_OFD_SETLK, &lock);
    } while (rc == -1 && errno == EINTR);
    return rc == 0;
}

ChangeLock::ChangeLock(int fd, bool exclusive, const QString& path) : fd_(fd) {
    const auto deadline = std::chrono::steady_clock::now() + kLockWait;
    for (;;) {
        if (::flock(fd_, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0) {
            held_ = true;
            return;
        }
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return;  // no flock on this file system: go on without
        if (std::chrono::steady_clock::now() > deadline)
            throw EngineError(ErrorKind::Busy, QStringLiteral("Таблица занята другой программой: %1").arg(path));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

ChangeLock::ChangeLock(int fd) : fd_(fd) {
    int rc;
    do {
        rc = ::flock(fd_, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    held_ = rc == 0;
}

void ChangeLock::release() {
    if (held_) ::flock(fd_, LOCK_UN);
    held_ = false;
}

}  // namespace base
