#pragma once

#include <sys/stat.h>

#include <QString>

namespace base {

// What identifies one state of a file on disk: a file rewritten in place or replaced by
// another one differs in its device and inode, size, modification time or change time.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    timespec mtime{};
    timespec ctime{};

    // The file that bears the name now; exists is false when there is none.
    static FileStamp ofPath(const QString& path);
    // The open file; exists is false when it cannot be asked (errno says why).
    static FileStamp ofFd(int fd);

    // True when both are the same file (device and inode), whatever it holds.
    bool sameFile(const FileStamp& o) const;
    // True when both are the same file in the same state; two missing files are the same.
    bool operator==(const FileStamp& o) const;
};

}  // namespace base
