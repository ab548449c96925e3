#include "ExportStream.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "EngineError.h"
#include "FileIo.h"

namespace output {

namespace {
constexpr size_t kBufferSize = 1 << 16;

QString systemReason(int error) {
    return base::fileio::reasonText(error);
}
}  // namespace

void BlockMemoryStream::write(std::string_view bytes) {
    if (blocks_.empty() || blocks_.back().size() + bytes.size() > kBlockSize) {
        blocks_.emplace_back();
        blocks_.back().reserve(std::max(kBlockSize, bytes.size()));
    }
    blocks_.back().append(bytes);
}

void BlockMemoryStream::writeTo(ExportStream& target) const {
    for (const std::string& block : blocks_) target.write(block);
}

size_t BlockMemoryStream::size() const {
    size_t n = 0;
    for (const std::string& block : blocks_) n += block.size();
    return n;
}

FileStream::FileStream(const QString& fileName) : fileName_(fileName) {
    const QByteArray name = fileName.toLocal8Bit();
    fd_ = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0)
        throw base::EngineError(
            base::ErrorKind::Unreadable,
            QStringLiteral("Не могу создать файл %1: %2").arg(fileName, systemReason(errno)));
    buffer_.reserve(kBufferSize);
}

FileStream::~FileStream() {
    if (fd_ < 0) return;
    // Keep what was written before a failure: a broken export shows how far it got.
    try {
        flush();
    } catch (...) {
    }
    ::close(fd_);
}

void FileStream::write(std::string_view bytes) {
    if (fd_ < 0) fail(EBADF);
    if (buffer_.size() + bytes.size() > kBufferSize) flush();
    if (bytes.size() >= kBufferSize) {
        writeAll(bytes);
        return;
    }
    buffer_.append(bytes);
}

void FileStream::flush() {
    if (buffer_.empty()) return;
    try {
        writeAll(buffer_);
    } catch (...) {
        buffer_.clear();  // what could not be written is given up, not tried again
        throw;
    }
    buffer_.clear();
}

void FileStream::writeAll(std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        done += static_cast<size_t>(n);
    }
}

void FileStream::close() {
    if (fd_ < 0) return;
    flush();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) fail(errno);
}

void FileStream::fail(int error) {
    throw base::EngineError(
        QStringLiteral("Ошибка записи в файл %1: %2").arg(fileName_, systemReason(error)));
}

}  // namespace output
