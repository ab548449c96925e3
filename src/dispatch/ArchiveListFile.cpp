#include "ArchiveListFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>

#include "TextUtils.h"
#include "Codec.h"

namespace dispatch {

namespace {

bool writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t put =
            ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (put > 0)
            done += put;
        else if (put == 0 || errno != EINTR)
            return false;
    }
    return true;
}

}  // namespace

bool writeArchiveListFile(const QString& path, const QStringList& lines) {
    QByteArray text;
    for (const QString& line : lines) {
        const std::string ansi = base::Codec::cp1251().encode(line);
        text += base::AnsiToOemText(QByteArray::fromStdString(ansi));
        text += "\r\n";
    }

    const QFileInfo info(path);
    QByteArray temp;
    int fd = -1;
    // Created as a plain new file (the user's usual permissions) under a name nobody else uses.
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temp = QFile::encodeName(QStringLiteral("%1/.%2.%3.%4")
                                     .arg(info.path(), info.fileName())
                                     .arg(::getpid())
                                     .arg(attempt));
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    bool ok = writeAll(fd, text);
    ok = ::fdatasync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (ok) ok = ::rename(temp.constData(), QFile::encodeName(path).constData()) == 0;
    if (!ok) ::unlink(temp.constData());
    return ok;
}

}  // namespace dispatch
