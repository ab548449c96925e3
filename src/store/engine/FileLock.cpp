#include "FileLock.h"

#include <fcntl.h>

#include <cerrno>

namespace engine {

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

}  // namespace engine
