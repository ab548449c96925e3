#include "DbfRecordStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "FileLock.h"

using engine::DbfLayout;
using base::EngineError;
using base::ErrorKind;

namespace tabletool {

namespace {

// Large enough that the system calls cost nothing next to the work on the bytes, small enough
// to stay in the processor's cache while they are worked on.
constexpr size_t kBlockBytes = 256 * 1024;
constexpr size_t kMaxHeader = 65535;

EngineError unreadable(const QString& path) {
    return EngineError(ErrorKind::Unreadable,
                       QStringLiteral("Не могу прочитать файл %1: %2")
                           .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
}

// Reads up to size bytes at offset; fewer only at the end of the file.
size_t readAt(int fd, char* to, size_t size, long long offset, const QString& path) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, to + done, size - done,
                                  static_cast<off_t>(offset + static_cast<long long>(done)));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw unreadable(path);
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

}  // namespace

DbfRecordStream::DbfRecordStream(const QString& path) : path_(path) {
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        throw EngineError(ErrorKind::Unreadable,
                          QStringLiteral("Не могу открыть файл %1: %2")
                              .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    try {
        if (!base::tryLockFile(fd_, false))
            throw EngineError(ErrorKind::Busy,
                              QStringLiteral("Таблица занята другой программой: %1").arg(path));
        // The header and the size it is checked against are read under the change lock, so
        // that they belong together; records up to that count are never rewritten by an
        // append, which the change lock would otherwise have to hold off for the whole read.
        base::ChangeLock reading(fd_, false, path);
        struct stat st {};
        if (::fstat(fd_, &st) != 0) throw unreadable(path);
        std::string header(kMaxHeader, '\0');
        header.resize(readAt(fd_, header.data(),
                             std::min<size_t>(kMaxHeader, static_cast<size_t>(st.st_size)), 0,
                             path));
        layout_ = DbfLayout::read(header, st.st_size, path);
    } catch (...) {
        ::close(fd_);
        throw;
    }
    count_ = layout_.headerCount;
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    const size_t recordLength = static_cast<size_t>(layout_.recordLength);
    blockRecords_ = std::max<size_t>(1, kBlockBytes / recordLength);
    buffer_.reset(new char[blockRecords_ * recordLength]);
}

DbfRecordStream::~DbfRecordStream() {
    if (fd_ >= 0) ::close(fd_);
}

bool DbfRecordStream::next(std::string_view& records, long long& first) {
    if (damagedAt_ >= 0)
        throw engine::damagedTable(
            path_, QStringLiteral("неверный признак удаления записи %1").arg(damagedAt_ + 1));
    if (read_ >= count_) return false;
    const size_t recordLength = static_cast<size_t>(layout_.recordLength);
    const size_t wanted = static_cast<size_t>(
        std::min<long long>(static_cast<long long>(blockRecords_), count_ - read_));
    const long long offset = layout_.headerLength + read_ * static_cast<long long>(recordLength);
    const size_t got =
        readAt(fd_, buffer_.get(), wanted * recordLength, offset, path_) / recordLength;
    if (got < wanted)  // the file was cut short while it was being read
        throw engine::damagedTable(path_, QStringLiteral("в заголовке %1 записей, в файле %2")
                                              .arg(count_)
                                              .arg(read_ + static_cast<long long>(got)));
    size_t sound = wanted;
    for (size_t i = 0; i < wanted; ++i) {
        const DbfLayout::Flag flag = DbfLayout::flag(buffer_[i * recordLength]);
        if (flag == DbfLayout::Flag::Live || flag == DbfLayout::Flag::Deleted) continue;
        const long long number = read_ + static_cast<long long>(i);
        if (flag == DbfLayout::Flag::EndMark && number == count_ - 1) {
            // The last record is still marked as the end of the file: its append was stopped
            // after the count and before the record was let in. It is not there yet.
            count_ = number;
        } else {
            // The records before the damage are handed out; the next call reports it.
            damagedAt_ = number;
        }
        sound = i;
        break;
    }
    records = std::string_view(buffer_.get(), sound * recordLength);
    first = read_;
    read_ += static_cast<long long>(sound);
    if (sound == 0) return next(records, first);
    return true;
}

}  // namespace tabletool
