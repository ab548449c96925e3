#include "FileStamp.h"

#include <QFile>

namespace base {

namespace {

FileStamp fromStat(bool ok, const struct stat& st) {
    FileStamp s;
    s.exists = ok;
    if (!ok) return s;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.mtime = st.st_mtim;
    s.ctime = st.st_ctim;
    return s;
}

bool sameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

FileStamp FileStamp::ofPath(const QString& path) {
    struct stat st {};
    return fromStat(::stat(QFile::encodeName(path).constData(), &st) == 0, st);
}

FileStamp FileStamp::ofFd(int fd) {
    struct stat st {};
    return fromStat(::fstat(fd, &st) == 0, st);
}

bool FileStamp::sameFile(const FileStamp& o) const {
    return device == o.device && inode == o.inode;
}

bool FileStamp::operator==(const FileStamp& o) const {
    if (exists != o.exists) return false;
    if (!exists) return true;
    return sameFile(o) && size == o.size && sameTime(mtime, o.mtime) && sameTime(ctime, o.ctime);
}

}  // namespace base
