#include "FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <cstring>

#include "EngineError.h"

namespace base::fileio {

namespace {

WriteHook writeHook = nullptr;
bool syncing = true;

void beforeWrite() {
    if (writeHook) writeHook();
}

[[noreturn]] void fail(const QString& path, int error) {
    throw EngineError(QStringLiteral("Ошибка записи в файл %1: %2")
                          .arg(QDir::toNativeSeparators(path), reasonText(error)));
}

// Temporaries are named ".<file name>.<six characters>.tmp~": hidden, and since they do
// not begin with the table's name no companion mask matches them.
constexpr char kTempSuffix[] = ".tmp~";

}  // namespace

QString reasonText(int error) {
    switch (error) {
        case ENOSPC:
            return QStringLiteral("нет места на диске");
        case EDQUOT:
            return QStringLiteral("превышена дисковая квота");
        case EACCES:
        case EPERM:
            return QStringLiteral("нет прав на запись");
        case EROFS:
            return QStringLiteral("диск доступен только для чтения");
        case EFBIG:
            return QStringLiteral("файл слишком велик");
        case EIO:
            return QStringLiteral("ошибка ввода-вывода");
        case ENOENT:
            return QStringLiteral("файл или каталог не найден");
        case ENOTDIR:
            return QStringLiteral("в пути есть файл вместо каталога");
        case EISDIR:
            return QStringLiteral("на месте файла находится каталог");
        case EEXIST:
            return QStringLiteral("файл уже существует");
        case EBUSY:
        case ETXTBSY:
            return QStringLiteral("файл занят");
        case EMFILE:
        case ENFILE:
            return QStringLiteral("открыто слишком много файлов");
        case ENAMETOOLONG:
            return QStringLiteral("слишком длинное имя файла");
        case EXDEV:
            return QStringLiteral("файлы находятся на разных дисках");
        case ENOMEM:
            return QStringLiteral("не хватает памяти");
        default:
            return QString::fromLocal8Bit(std::strerror(error));
    }
}

QString withReason(const QString& text, int error) {
    return error == 0 ? text : withReason(text, reasonText(error));
}

QString withReason(const QString& text, const QString& reason) {
    if (reason.isEmpty()) return text;
    QString result = text;
    if (!result.endsWith(QLatin1String("\n\r"))) result += QLatin1String("\n\r");
    result += QString::fromUtf8(kReasonLabel) + reason;
    if (!result.endsWith(QLatin1Char('.'))) result += QLatin1Char('.');
    return result;
}

void aboutToWrite() {
    beforeWrite();
}

void setWriteHook(WriteHook hook) {
    writeHook = hook;
}

void setSyncing(bool on) {
    syncing = on;
}

void writeAt(int fd, long long offset, std::string_view bytes, const QString& path) {
    size_t done = 0;
    while (done < bytes.size()) {
        beforeWrite();
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(offset + static_cast<long long>(done)));
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(path, errno);
        }
        if (n == 0) fail(path, ENOSPC);
        done += static_cast<size_t>(n);
    }
}

void truncateTo(int fd, long long size, const QString& path) {
    beforeWrite();
    while (::ftruncate(fd, static_cast<off_t>(size)) != 0)
        if (errno != EINTR) fail(path, errno);
}

void syncData(int fd, const QString& path) {
    if (!syncing) return;
    beforeWrite();
    while (::fdatasync(fd) != 0)
        if (errno != EINTR) fail(path, errno);
}

namespace {

// Opens a file or folder and syncs it. A folder on a file system that cannot sync folders
// passes: what was renamed in it has happened all the same.
void syncPath(const QString& path, bool folder) {
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_CLOEXEC | (folder ? O_DIRECTORY : 0));
    if (fd < 0) fail(path, errno);
    beforeWrite();
    int rc;
    do {
        rc = ::fsync(fd);
    } while (rc != 0 && errno == EINTR);
    const int error = errno;
    ::close(fd);
    if (rc != 0 && !(folder && (error == EINVAL || error == EROFS))) fail(path, error);
}

}  // namespace

void syncFolderOf(const QString& path) {
    if (syncing) syncPath(QFileInfo(path).absolutePath(), true);
}

void syncFile(const QString& path) {
    if (syncing) syncPath(path, false);
}

void renameOver(const QString& from, const QString& to) {
    beforeWrite();
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        fail(to, errno);
    syncFolderOf(to);
}

Replacement::Replacement(const QString& path, mode_t mode) : path_(path) {
    const QFileInfo info(path);
    QByteArray name = QFile::encodeName(info.dir().filePath(QStringLiteral(".") + info.fileName() +
                                                            QStringLiteral(".XXXXXX") +
                                                            QLatin1String(kTempSuffix)));
    beforeWrite();
    fd_ = ::mkostemps(name.data(), static_cast<int>(sizeof kTempSuffix - 1), O_CLOEXEC);
    if (fd_ < 0) fail(path, errno);
    temp_ = QFile::decodeName(name);
    if (::fchmod(fd_, mode) != 0) {
        const int error = errno;
        ::close(fd_);
        fd_ = -1;
        ::unlink(name.constData());
        fail(path, error);
    }
}

Replacement::~Replacement() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !temp_.isEmpty()) ::unlink(QFile::encodeName(temp_).constData());
}

void Replacement::append(std::string_view bytes) {
    writeAt(fd_, size_, bytes, temp_);
    size_ += static_cast<long long>(bytes.size());
}

void Replacement::commit(bool keepOpen) {
    syncData(fd_, temp_);
    if (!keepOpen) {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) fail(temp_, errno);
    }
    beforeWrite();
    if (::rename(QFile::encodeName(temp_).constData(), QFile::encodeName(path_).constData()) != 0)
        fail(path_, errno);
    committed_ = true;
    syncFolderOf(path_);
}

void Replacement::commitNew() {
    syncData(fd_, temp_);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) fail(temp_, errno);
    beforeWrite();
    if (::link(QFile::encodeName(temp_).constData(), QFile::encodeName(path_).constData()) != 0) {
        if (errno == EEXIST)
            throw EngineError(QStringLiteral("Файл уже существует: %1").arg(QDir::toNativeSeparators(path_)));
        fail(path_, errno);
    }
    beforeWrite();
    ::unlink(QFile::encodeName(temp_).constData());
    committed_ = true;
    syncFolderOf(path_);
}

int Replacement::releaseFd() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void replaceFile(const QString& path, std::string_view bytes, mode_t mode) {
    Replacement file(path, mode);
    file.append(bytes);
    file.commit();
}

void removeStaleTemporaries(const QString& tablePath) {
    const QFileInfo table(tablePath);
    const QDir folder = table.dir();
    // Ours (".DayData.DBF.Ab12Cd.tmp~", ".DayData.MDX.Ab12Cd.tmp~", the copies of the
    // file utilities ".DayData.DBF.copy-Ab12Cd") and the index temporaries of earlier
    // versions ("DayData.MDX.Ab12Cd").
    const QString base = QRegularExpression::escape(table.completeBaseName());
    const QRegularExpression stale(
        QStringLiteral("^(\\.%1\\.[^.]+\\.([A-Za-z0-9]{6}\\.tmp~|copy-[A-Za-z0-9]{6})|%1\\.MDX\\.[A-Za-z0-9]{6})$")
            .arg(base),
        QRegularExpression::CaseInsensitiveOption);
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (!stale.match(name).hasMatch()) continue;
        beforeWrite();
        ::unlink(QFile::encodeName(folder.filePath(name)).constData());
    }
}

}  // namespace base::fileio
