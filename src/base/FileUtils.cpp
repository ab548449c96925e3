#include "FileUtils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <vector>

#include "Dialogs.h"
#include "EngineError.h"
#include "FileIo.h"
#include "PathCase.h"

namespace base {

namespace {

// Mask tokens after the DOS translation that Windows file search applies.
enum Token : char16_t {
    AnyRun = u'*',   // any run of characters
    DosStar = u'<',  // a '*' followed by '.': any run that stops before the name's last dot
    DosQm = u'>',    // '?': one character, or none before a dot or at the end
    DosDot = u'"',   // a '.' before a wildcard or at the end: a dot, or nothing at the end
};

struct MaskItem {
    bool wildcard;
    char16_t ch;  // the token, or the case-folded literal character
};

std::vector<MaskItem> translateMask(const QString& mask) {
    if (mask == QLatin1String("*.*")) return {{true, AnyRun}};
    std::vector<MaskItem> items;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const QChar c = mask[i];
        const QChar next = i + 1 < mask.size() ? mask[i + 1] : QChar();
        if (c == u'*')
            items.push_back({true, next == u'.' ? DosStar : AnyRun});
        else if (c == u'?')
            items.push_back({true, DosQm});
        else if (c == u'.' && (next.isNull() || next == u'*' || next == u'?'))
            items.push_back({true, DosDot});
        else
            items.push_back({false, c.toCaseFolded().unicode()});
    }
    return items;
}

class MaskMatcher {
public:
    MaskMatcher(const std::vector<MaskItem>& items, const QString& name)
        : items_(items),
          name_(name.toCaseFolded()),
          lastDot_(name.lastIndexOf(u'.')),
          memo_((items.size() + 1) * static_cast<size_t>(name.size() + 1), -1) {}

    bool match(size_t j, qsizetype i) {
        signed char& m = memo_[j * static_cast<size_t>(name_.size() + 1) + static_cast<size_t>(i)];
        if (m < 0) m = compute(j, i) ? 1 : 0;
        return m == 1;
    }

private:
    bool compute(size_t j, qsizetype i) {
        const qsizetype n = name_.size();
        if (j == items_.size()) return i == n;
        const MaskItem& it = items_[j];
        if (!it.wildcard) return i < n && name_[i].unicode() == it.ch && match(j + 1, i + 1);
        switch (it.ch) {
            case AnyRun:
                for (qsizetype k = i; k <= n; ++k)
                    if (match(j + 1, k)) return true;
                return false;
            case DosStar: {
                const qsizetype limit = lastDot_ >= i ? lastDot_ : n;
                for (qsizetype k = i; k <= limit; ++k)
                    if (match(j + 1, k)) return true;
                return false;
            }
            case DosQm:
                if (i < n && name_[i] != u'.') return match(j + 1, i + 1);
                return match(j + 1, i);
            case DosDot:
                if (i < n && name_[i] == u'.') return match(j + 1, i + 1);
                return i == n && match(j + 1, i);
        }
        return false;
    }

    const std::vector<MaskItem>& items_;
    const QString name_;
    const qsizetype lastDot_;
    std::vector<signed char> memo_;
};

// Copies one regular file through a temporary file beside the target, renamed over the
// target only once it is complete and on disk. On failure *error holds the system's reason.
bool copyOneFile(const QString& source, const QString& target, int* error) {
    int failure = 0;
    auto failed = [&](int e) {
        if (failure == 0) failure = e ? e : EIO;
        return false;
    };
    const QByteArray src = QFile::encodeName(source);
    const int in = ::open(src.constData(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    QByteArray temp;
    int out = -1;
    bool ok = in >= 0 || failed(errno);
    if (ok && (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode))) ok = failed(errno ? errno : EINVAL);
    if (ok) {
        const QFileInfo targetInfo(target);
        temp = QFile::encodeName(targetInfo.path() + QStringLiteral("/.") + targetInfo.fileName() +
                                 QStringLiteral(".copy-XXXXXX"));
        base::fileio::aboutToWrite();
        out = ::mkostemp(temp.data(), O_CLOEXEC);
        if (out < 0) {
            ok = failed(errno);
            temp.clear();
        }
    }
    if (ok &&
        ::fchmod(out, (st.st_mode & 07777 & ~mode_t(S_ISUID | S_ISGID)) | S_IRUSR | S_IWUSR) != 0)
        ok = failed(errno);
    char buffer[65536];
    while (ok) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0) {
            if (errno != EINTR) ok = failed(errno);
            continue;
        }
        for (ssize_t done = 0; ok && done < got;) {
            base::fileio::aboutToWrite();
            const ssize_t put = ::write(out, buffer + done, static_cast<size_t>(got - done));
            if (put > 0)
                done += put;
            else if (put == 0 || errno != EINTR)
                ok = failed(put == 0 ? ENOSPC : errno);
        }
    }
    if (out >= 0) {
        if (ok) base::fileio::aboutToWrite();
        if (ok && ::fsync(out) != 0) ok = failed(errno);
        if (::close(out) != 0 && ok) ok = failed(errno);
    }
    if (in >= 0) ::close(in);
    if (ok) base::fileio::aboutToWrite();
    if (ok && ::rename(temp.constData(), QFile::encodeName(target).constData()) != 0)
        ok = failed(errno);
    if (!ok) {
        if (!temp.isEmpty()) ::unlink(temp.constData());
        if (error) *error = failure;
        return false;
    }
    try {
        base::fileio::syncFolderOf(target);  // the new name survives a power loss too
    } catch (const base::EngineError&) {
        if (error) *error = EIO;
        return false;
    }
    return true;
}

}  // namespace

bool copyFile(const QString& source, const QString& target, int* error) {
    return copyOneFile(source, target, error);
}

bool matchesFileMask(const QString& fileName, const QString& mask) {
    const std::vector<MaskItem> items = translateMask(mask);
    return MaskMatcher(items, fileName).match(0, 0);
}

bool CopyFilesByMask(Dialogs& dialogs, const QString& sourceFolder, const QString& targetFolder,
                     const QString& mask) {
    if (sourceFolder.isEmpty() || targetFolder.isEmpty()) return false;

    // A mask may carry a folder part of its own, searched below the source folder.
    const QFileInfo maskInfo(sourceFolder + u'/' + mask);
    const QString pattern = maskInfo.fileName();
    const QDir searchDir(maskInfo.path());
    // Regular files (and links to them) only: pipes, sockets and devices are not files to copy,
    // and reading a pipe could block the program for good.
    const QFileInfoList entries =
        searchDir.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);

    for (const QFileInfo& entry : entries) {
        if (!matchesFileMask(entry.fileName(), pattern)) continue;
        const QString target = base::resolveIgnoringCase(targetFolder, entry.fileName());
        int error = 0;
        if (!copyOneFile(entry.filePath(), target, &error)) {
            dialogs.messageBox(
                base::fileio::withReason(QStringLiteral("Ошибка при копировании файлов."), error),
                QStringLiteral("Ошибка"), MB_ICONHAND);
            return false;
        }
    }
    return true;
}

}  // namespace base
