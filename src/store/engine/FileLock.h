#pragma once

namespace engine {

// Takes an open-file-description lock over the whole file without waiting: a read lock
// for shared use, a write lock for exclusive use. Such locks belong to the open file, so a
// second open of the same file in this process does not drop them. False when another
// open file holds a conflicting lock.
bool tryLockFile(int fd, bool exclusive);

}  // namespace engine
