#pragma once

#include <QString>

namespace base {

// Takes an open-file-description lock over the whole file without waiting: a read lock
// for shared use, a write lock for exclusive use. Such locks belong to the open file, so a
// second open of the same file in this process does not drop them. False when another
// open file holds a conflicting lock.
bool tryLockFile(int fd, bool exclusive);

// A whole-file flock() held while a table is read (shared) or changed (exclusive), so a
// reader never sees another process's change half done and two writers never interleave.
// It is independent of the open-file lock that tells shared from exclusive use. Waits a
// little, then reports the table busy (an EngineError).
class ChangeLock {
public:
    ChangeLock(int fd, bool exclusive, const QString& path);
    ~ChangeLock() { release(); }
    ChangeLock(const ChangeLock&) = delete;
    ChangeLock& operator=(const ChangeLock&) = delete;

    // Takes the exclusive lock only when nobody holds one, without waiting; see held().
    explicit ChangeLock(int fd);
    bool held() const { return held_; }
    void release();

private:
    int fd_;
    bool held_ = false;
};

}  // namespace base
