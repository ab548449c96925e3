#include "EncryptedZip.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>

namespace rar_adapter {

namespace {

struct WriterDeleter {
    void operator()(archive* a) const { archive_write_free(a); }
};
struct ReaderDeleter {
    void operator()(archive* a) const { archive_read_free(a); }
};
struct EntryDeleter {
    void operator()(archive_entry* e) const { archive_entry_free(e); }
};
using Writer = std::unique_ptr<archive, WriterDeleter>;
using Reader = std::unique_ptr<archive, ReaderDeleter>;
using Entry = std::unique_ptr<archive_entry, EntryDeleter>;

// Thrown with the text of the failure and its system error (0 when none); caught at the top
// of addToEncryptedZip.
struct Failure {
    QString text;
    int error = 0;
};

QString errnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// A failure of a system call, with its text and error.
Failure systemFailure(int error, const QString& what = {}) {
    return {what.isEmpty() ? errnoText(error) : what + QStringLiteral(": ") + errnoText(error),
            error};
}

// The temporary file: every write checked, the first error kept.
struct Output {
    int fd = -1;
    int error = 0;
};

la_ssize_t writeOutput(archive* a, void* data, const void* buffer, size_t length) {
    auto* out = static_cast<Output*>(data);
    const char* bytes = static_cast<const char*>(buffer);
    size_t done = 0;
    while (done < length) {
        const ssize_t put = ::write(out->fd, bytes + done, length - done);
        if (put > 0) {
            done += static_cast<size_t>(put);
        } else if (put < 0 && errno == EINTR) {
            continue;
        } else {
            out->error = put < 0 ? errno : EIO;
            archive_set_error(a, out->error, "%s", std::strerror(out->error));
            return -1;
        }
    }
    return static_cast<la_ssize_t>(length);
}

QString writerError(archive* a, const Output& out) {
    if (out.error != 0) return errnoText(out.error);
    const char* text = archive_error_string(a);
    return text ? QString::fromLocal8Bit(text) : QStringLiteral("unknown error");
}

Writer openWriter(Output& out, const QString& password) {
    Writer w(archive_write_new());
    if (!w) throw Failure{QStringLiteral("out of memory")};
    const QByteArray pass = password.toUtf8();
    if (archive_write_set_format_zip(w.get()) != ARCHIVE_OK ||
        archive_write_set_options(w.get(),
                                  "zip:compression=deflate,zip:encryption=aes256,"
                                  "zip:hdrcharset=UTF-8") != ARCHIVE_OK ||
        archive_write_set_passphrase(w.get(), pass.constData()) != ARCHIVE_OK ||
        archive_write_set_bytes_in_last_block(w.get(), 1) != ARCHIVE_OK)
        throw Failure{QStringLiteral("cannot set up the ZIP writer: ") + writerError(w.get(), out)};
    // The highest deflate level where this libarchive offers the choice.
    archive_write_set_option(w.get(), "zip", "compression-level", "9");
    if (archive_write_open(w.get(), &out, nullptr, writeOutput, nullptr) != ARCHIVE_OK)
        throw Failure{writerError(w.get(), out)};
    return w;
}

// Writes one entry whose data `read` delivers (0 at the end); a size below 0 is not known.
void writeEntry(archive* w, const Output& out, const QString& name, time_t mtime, la_int64_t size,
                const std::function<la_ssize_t(char*, size_t)>& read) {
    Entry e(archive_entry_new());
    archive_entry_set_pathname_utf8(e.get(), name.toUtf8().constData());
    archive_entry_set_filetype(e.get(), AE_IFREG);
    archive_entry_set_perm(e.get(), 0644);
    archive_entry_set_mtime(e.get(), mtime, 0);
    if (size >= 0) archive_entry_set_size(e.get(), size);
    if (archive_write_header(w, e.get()) != ARCHIVE_OK)
        throw Failure{name + QStringLiteral(": ") + writerError(w, out)};
    char buffer[65536];
    la_int64_t total = 0;
    for (;;) {
        const la_ssize_t got = read(buffer, sizeof buffer);
        if (got == 0) break;
        if (archive_write_data(w, buffer, static_cast<size_t>(got)) != got)
            throw Failure{name + QStringLiteral(": ") + writerError(w, out)};
        total += got;
    }
    if (size >= 0 && total != size)
        throw Failure{name + QStringLiteral(": the file changed while being read")};
    if (archive_write_finish_entry(w) != ARCHIVE_OK)
        throw Failure{name + QStringLiteral(": ") + writerError(w, out)};
}

bool replaced(const QString& name, const std::vector<FileToAdd>& files) {
    for (const FileToAdd& f : files)
        if (f.name.compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
}

// Copies the entries of the archive already there that no new file replaces.
void copyKeptEntries(archive* w, const Output& out, const QString& archivePath,
                     const QString& password, const std::vector<FileToAdd>& files) {
    const QString failed = QStringLiteral("cannot read the archive already there (") + archivePath +
                           QStringLiteral("): ");
    Reader r(archive_read_new());
    if (!r) throw Failure{QStringLiteral("out of memory")};
    archive_read_support_format_zip_seekable(r.get());
    archive_read_add_passphrase(r.get(), password.toUtf8().constData());
    if (archive_read_open_filename(r.get(), QFile::encodeName(archivePath).constData(), 65536) !=
        ARCHIVE_OK)
        throw Failure{failed + QString::fromLocal8Bit(archive_error_string(r.get()))};
    for (;;) {
        archive_entry* e = nullptr;
        const int rc = archive_read_next_header(r.get(), &e);
        if (rc == ARCHIVE_EOF) break;
        if (rc != ARCHIVE_OK && rc != ARCHIVE_WARN)
            throw Failure{failed + QString::fromLocal8Bit(archive_error_string(r.get()))};
        const char* utf8 = archive_entry_pathname_utf8(e);
        const QString name = QString::fromUtf8(utf8 ? utf8 : archive_entry_pathname(e));
        if (archive_entry_filetype(e) != AE_IFREG || replaced(name, files)) continue;
        const la_int64_t size = archive_entry_size_is_set(e) ? archive_entry_size(e) : -1;
        writeEntry(w, out, name, archive_entry_mtime(e), size, [&](char* buffer, size_t size) {
            const la_ssize_t got = archive_read_data(r.get(), buffer, size);
            if (got < 0)
                throw Failure{failed + name + QStringLiteral(": ") +
                              QString::fromLocal8Bit(archive_error_string(r.get()))};
            return got;
        });
    }
}

void addFile(archive* w, const Output& out, const FileToAdd& file) {
    const int fd = ::open(QFile::encodeName(file.path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw systemFailure(errno, file.path);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) throw systemFailure(errno, file.path);
    writeEntry(w, out, file.name, st.st_mtime, st.st_size, [&](char* buffer, size_t size) {
        for (;;) {
            const ssize_t got = ::read(fd, buffer, size);
            if (got >= 0) return static_cast<la_ssize_t>(got);
            if (errno != EINTR) throw systemFailure(errno, file.path);
        }
    });
}

// Temporaries are named ".<archive name>.<pid>.<n>.tmp" and locked by the process that writes
// them for as long as it lives: one that nobody holds was left by an archiver that was killed.
const QRegularExpression& temporaryName() {
    static const QRegularExpression name(QStringLiteral("^\\..+\\.[0-9]+\\.[0-9]+\\.tmp$"));
    return name;
}

// Removes the temporaries that killed archivers left in the folder.
void removeStaleTemporaries(const QString& folder) {
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (!temporaryName().match(name).hasMatch()) continue;
        const QByteArray path = QFile::encodeName(QDir(folder).filePath(name));
        const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(path.constData());
        ::close(fd);
    }
}

// Creates the temporary file beside the archive, as a plain new file of the user's, locked.
int createTemporary(const QString& archivePath, QByteArray& name) {
    const QFileInfo info(archivePath);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = QFile::encodeName(QStringLiteral("%1/.%2.%3.%4.tmp")
                                     .arg(info.path(), info.fileName())
                                     .arg(::getpid())
                                     .arg(attempt));
        const int fd =
            ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) ::flock(fd, LOCK_EX | LOCK_NB);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

QString addToEncryptedZip(const QString& archivePath, const QString& password,
                          const std::vector<FileToAdd>& files, int* reason) {
    removeStaleTemporaries(QFileInfo(archivePath).path());
    const QByteArray target = QFile::encodeName(archivePath);
    struct stat old {};
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        return archivePath + QStringLiteral(" exists and is not a file");

    QByteArray temp;
    Output out;
    out.fd = createTemporary(archivePath, temp);
    if (out.fd < 0) {
        if (reason) *reason = errno;
        return QStringLiteral("cannot create a file beside ") + archivePath + QStringLiteral(": ") +
               errnoText(errno);
    }
    try {
        {
            Writer w = openWriter(out, password);
            if (exists) copyKeptEntries(w.get(), out, archivePath, password, files);
            for (const FileToAdd& f : files) addFile(w.get(), out, f);
            if (archive_write_close(w.get()) != ARCHIVE_OK || out.error != 0)
                throw Failure{writerError(w.get(), out), out.error};
        }
        if (::fdatasync(out.fd) != 0) throw systemFailure(errno);
        const int fd = out.fd;
        out.fd = -1;
        if (::close(fd) != 0) throw systemFailure(errno);
        if (::rename(temp.constData(), target.constData()) != 0) throw systemFailure(errno);
    } catch (const Failure& failure) {
        ::unlink(temp.constData());
        if (out.fd >= 0) ::close(out.fd);
        if (reason) *reason = failure.error != 0 ? failure.error : out.error;
        return failure.text;
    }
    // The new name on disk too; the archive itself is complete already.
    const int dir = ::open(QFile::encodeName(QFileInfo(archivePath).path()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

}  // namespace rar_adapter
