#include "ProgramFolderUpdate.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "EngineError.h"
#include "FileIo.h"

namespace launcher {

namespace fileio = base::fileio;

namespace {

const QString kStampName = QStringLiteral(PLATORIS_VERSION_STAMP);
const QString kProgramName = QStringLiteral(PLATORIS_PROGRAM_NAME);
// Both live inside the target, so that every move into place is a rename on one file system.
const QString kStagingName = QStringLiteral(".platoris-staging");
const QString kAsidePrefix = QStringLiteral(".platoris-old-");

constexpr qint64 kStampLimit = 4096;
constexpr size_t kCopyChunk = 1 << 20;

QString reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void fail(const QString& what, const QString& path, int error) {
    throw base::EngineError(what.arg(QDir::toNativeSeparators(path), reason(error)));
}

std::filesystem::path fsPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

bool isUserData(const QString& name) {
    return name.compare(QLatin1String("Data"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("Sprav"), Qt::CaseInsensitive) == 0;
}

bool isOurs(const QString& name) {
    return name == kStampName || name == kStagingName || name.startsWith(kAsidePrefix);
}

// The entries of source that make up the program.
QStringList programEntries(const QString& source, const QStringList& leaveOut) {
    QStringList entries;
    const QStringList names = QDir(source).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names)
        if (!isUserData(name) && !isOurs(name) && !leaveOut.contains(name)) entries << name;
    return entries;
}

struct Entry {
    bool exists = false;
    mode_t mode = 0;
};

Entry entryAt(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return {};
    return {true, st.st_mode};
}

// Makes the entries of a folder durable: syncs the folder that holds a (made-up) name in it.
void syncFolder(const QString& folder) {
    fileio::syncFolderOf(QDir(folder).filePath(QStringLiteral("entry")));
}

void makeFolder(const QString& path) {
    if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0)
        fail(QStringLiteral("Не удалось создать папку %1: %2"), path, errno);
}

void removeTree(const QString& path) {
    std::error_code error;
    std::filesystem::remove_all(fsPath(path), error);
    if (error) fail(QStringLiteral("Не удалось удалить %1: %2"), path, error.value());
}

void renameEntry(const QString& from, const QString& to) {
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        const int error = errno;
        throw base::EngineError(
            QStringLiteral("Не удалось переименовать %1 в %2: %3")
                .arg(QDir::toNativeSeparators(from), QDir::toNativeSeparators(to), reason(error)));
    }
}

void copyFile(const QString& from, const QString& to, mode_t mode) {
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) fail(QStringLiteral("Не удалось прочитать файл %1: %2"), from, errno);
    const int out =
        ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        fail(QStringLiteral("Ошибка записи в файл %1: %2"), to, error);
    }
    struct Closer {
        int fd;
        ~Closer() {
            if (fd >= 0) ::close(fd);
        }
    } input{in}, output{out};

    std::string chunk(kCopyChunk, '\0');
    long long offset = 0;
    for (;;) {
        const ssize_t n = ::read(in, chunk.data(), chunk.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(QStringLiteral("Не удалось прочитать файл %1: %2"), from, errno);
        }
        if (n == 0) break;
        fileio::writeAt(out, offset, std::string_view(chunk.data(), static_cast<size_t>(n)), to);
        offset += n;
    }
    if (::fchmod(out, mode & 07777) != 0)
        fail(QStringLiteral("Ошибка записи в файл %1: %2"), to, errno);
    fileio::syncData(out, to);
    output.fd = -1;
    if (::close(out) != 0) fail(QStringLiteral("Ошибка записи в файл %1: %2"), to, errno);
}

void copyTree(const QString& from, const QString& to) {
    const Entry source = entryAt(from);
    if (S_ISLNK(source.mode)) {
        char target[PATH_MAX];
        const ssize_t len = ::readlink(QFile::encodeName(from).constData(), target, sizeof target);
        if (len < 0) fail(QStringLiteral("Не удалось прочитать файл %1: %2"), from, errno);
        if (::symlink(std::string(target, static_cast<size_t>(len)).c_str(),
                      QFile::encodeName(to).constData()) != 0)
            fail(QStringLiteral("Ошибка записи в файл %1: %2"), to, errno);
    } else if (S_ISDIR(source.mode)) {
        makeFolder(to);
        const QStringList names = QDir(from).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString& name : names)
            copyTree(QDir(from).filePath(name), QDir(to).filePath(name));
        // Owner access stays, so that the next update can replace what is inside.
        if (::chmod(QFile::encodeName(to).constData(), (source.mode & 07777) | S_IRWXU) != 0)
            fail(QStringLiteral("Не удалось создать папку %1: %2"), to, errno);
        syncFolder(to);
    } else if (S_ISREG(source.mode)) {
        copyFile(from, to, source.mode);
    }
}

// Removes what an interrupted update left in target: the staging folder, the entries put
// aside and a stamp that was still being written.
void removeLeftovers(const QString& target) {
    const QString stampTemporary = QStringLiteral(".") + kStampName + QStringLiteral(".");
    const QStringList names = QDir(target).entryList(QDir::AllEntries | QDir::Hidden |
                                                     QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names)
        if (name == kStagingName || name.startsWith(kAsidePrefix) ||
            (name.startsWith(stampTemporary) && name.endsWith(QLatin1String(".tmp~"))))
            removeTree(QDir(target).filePath(name));
}

void makePath(const QString& folder) {
    std::error_code error;
    std::filesystem::create_directories(fsPath(folder), error);
    if (error) fail(QStringLiteral("Не удалось создать папку %1: %2"), folder, error.value());
    if (!QFileInfo(folder).isDir())
        fail(QStringLiteral("Не удалось создать папку %1: %2"), folder, ENOTDIR);
}

// Holds the target folder for one update: a second launcher started meanwhile waits, and then
// finds the copy current.
class FolderLock {
public:
    explicit FolderLock(const QString& folder)
        : fd_(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (fd_ < 0) fail(QStringLiteral("Не удалось открыть папку %1: %2"), folder, errno);
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd_);
            fail(QStringLiteral("Не удалось открыть папку %1: %2"), folder, error);
        }
    }
    ~FolderLock() { ::close(fd_); }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_;
};

}  // namespace

QString programIn(const QString& folder) {
    return QDir(folder).filePath(kProgramName);
}

QString versionStamp(const QString& folder) {
    QFile file(QDir(folder).filePath(kStampName));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.read(kStampLimit)).trimmed();
}

bool isCurrentCopy(const QString& source, const QString& target) {
    const QString stamp = versionStamp(source);
    const QFileInfo program(programIn(target));
    return !stamp.isEmpty() && stamp == versionStamp(target) && program.isFile() &&
           program.isExecutable();
}

bool isProgramRunningFrom(const QString& folder) {
    const QFileInfo program(programIn(folder));
    if (!program.exists()) return false;
    const QString wanted = program.canonicalFilePath();
    const QDir proc(QStringLiteral("/proc"));
    for (const QString& entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isPid = false;
        entry.toLongLong(&isPid);
        if (!isPid) continue;
        char target[PATH_MAX];
        const ssize_t len =
            ::readlink(QFile::encodeName(proc.filePath(entry) + QStringLiteral("/exe")).constData(),
                       target, sizeof target);
        if (len <= 0) continue;
        QString path = QFile::decodeName(QByteArray(target, len));
        if (path.endsWith(QLatin1String(" (deleted)"))) path.chop(10);
        if (path == wanted) return true;
    }
    return false;
}

void updateProgramFolder(const QString& source, const QString& target, const QStringList& leaveOut,
                         WhenCurrent whenCurrent) {
    const QString stamp = versionStamp(source);
    const QStringList entries = programEntries(source, leaveOut);
    if (stamp.isEmpty() || !entries.contains(kProgramName))
        throw base::EngineError(QStringLiteral("В папке %1 нет установленной программы.")
                                      .arg(QDir::toNativeSeparators(source)));

    makePath(target);
    const FolderLock lock(target);
    if (whenCurrent == WhenCurrent::Keep && isCurrentCopy(source, target)) return;
    removeLeftovers(target);
    const QString staging = QDir(target).filePath(kStagingName);
    makeFolder(staging);
    try {
        for (const QString& name : entries)
            copyTree(QDir(source).filePath(name), QDir(staging).filePath(name));
        syncFolder(staging);
    } catch (const base::EngineError&) {
        // Nothing is in place yet: give back the room a full disk needs.
        std::error_code ignored;
        std::filesystem::remove_all(fsPath(staging), ignored);
        throw;
    }

    // From here until the new stamp the folder holds no whole version: without a stamp it
    // is never started as one.
    const QString stampPath = QDir(target).filePath(kStampName);
    if (::unlink(QFile::encodeName(stampPath).constData()) != 0 && errno != ENOENT)
        fail(QStringLiteral("Не удалось удалить %1: %2"), stampPath, errno);
    syncFolder(target);

    for (const QString& name : entries) {
        const QString staged = QDir(staging).filePath(name);
        const QString placed = QDir(target).filePath(name);
        // A file replaces a file in one rename; a folder cannot replace a folder, so the old
        // one is put aside first.
        const Entry old = entryAt(placed);
        if (old.exists && (S_ISDIR(old.mode) || S_ISDIR(entryAt(staged).mode)))
            renameEntry(placed, QDir(target).filePath(kAsidePrefix + name));
        renameEntry(staged, placed);
        syncFolder(target);
    }
    removeLeftovers(target);

    fileio::replaceFile(stampPath, stamp.toUtf8().append('\n').toStdString(), 0644);
}

}  // namespace launcher
