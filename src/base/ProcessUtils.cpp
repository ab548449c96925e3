#include "ProcessUtils.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cerrno>
#include <climits>
#include <system_error>
#include <thread>
#include <vector>

#include "Dialogs.h"
#include "PathCase.h"

extern char** environ;

namespace base {

namespace {

// The kernel cuts a process name (comm) to this many characters.
constexpr qsizetype kCommLength = 15;

QByteArray readProcFile(const QString& path, size_t limit) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    QByteArray data(static_cast<qsizetype>(limit), Qt::Uninitialized);
    size_t used = 0;
    while (used < limit) {
        const ssize_t got = ::read(fd, data.data() + used, limit - used);
        if (got > 0)
            used += static_cast<size_t>(got);
        else if (got == 0 || errno != EINTR)
            break;
    }
    ::close(fd);
    data.truncate(static_cast<qsizetype>(used));
    return data;
}

QString baseName(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

// The executable name of one process, or nothing for a process that is gone, a zombie or
// unreadable.
QString executableName(const QString& processDir) {
    const QByteArray stat = readProcFile(processDir + QStringLiteral("/stat"), 512);
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0 || close + 2 >= stat.size()) return {};
    const char state = stat[close + 2];
    if (state == 'Z' || state == 'X' || state == 'x') return {};

    char target[PATH_MAX];
    const ssize_t len = ::readlink(
        QFile::encodeName(processDir + QStringLiteral("/exe")).constData(), target, sizeof target);
    if (len > 0) {
        QString path = QFile::decodeName(QByteArray(target, len));
        // An image replaced or deleted since the start still names the running program.
        if (path.endsWith(QLatin1String(" (deleted)"))) path.chop(10);
        return baseName(path);
    }

    QString comm = QFile::decodeName(readProcFile(processDir + QStringLiteral("/comm"), 64));
    if (comm.endsWith(u'\n')) comm.chop(1);
    if (comm.size() >= kCommLength) {
        // The name may have been cut: the program path the process was started with holds all
        // of it when its file name begins with the cut name.
        const QByteArray cmdline = readProcFile(processDir + QStringLiteral("/cmdline"), PATH_MAX);
        const QString argv0 = baseName(QFile::decodeName(cmdline.left(cmdline.indexOf('\0'))));
        if (argv0.startsWith(comm)) return argv0;
    }
    return comm;
}

bool isExecutableFile(const QString& path) {
    const QByteArray p = QFile::encodeName(path);
    struct stat st {};
    return ::stat(p.constData(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(p.constData(), X_OK) == 0;
}

// The file to run for the program name of a command line, or nothing when there is none.
QString resolveProgram(const QString& programDir, const QString& name) {
    if (name.isEmpty()) return {};
    if (name.contains(u'/')) return name;

    QStringList dirs{programDir.isEmpty() ? QStringLiteral(".") : programDir};
    const QByteArray path = qEnvironmentVariableIsSet("PATH") ? qgetenv("PATH") : "/usr/bin:/bin";
    for (const QByteArray& dir : path.split(':'))
        if (!dir.isEmpty()) dirs << QFile::decodeName(dir);

    const bool windowsProgram = name.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive);
    for (const QString& dir : dirs) {
        const QString exact = QDir(dir).filePath(name);
        if (isExecutableFile(exact)) return exact;
        if (windowsProgram) {
            const QString other = base::resolveIgnoringCase(dir, name);
            if (other != exact && isExecutableFile(other)) return other;
        }
    }
    return {};
}

// Starts the program without a shell; returns 0 or the error of the start, exec included.
int spawnProcess(const QString& program, const QStringList& args, int outputFd, pid_t* pid) {
    std::vector<QByteArray> bytes;
    for (const QString& a : args) bytes.push_back(QFile::encodeName(a));
    std::vector<char*> argv;
    for (QByteArray& b : bytes) argv.push_back(b.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (outputFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, outputFd, STDERR_FILENO);
    }
    // Nothing else of ours goes to the child: an inherited table file would keep its lock
    // alive for as long as the command runs.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t sigset;
    sigemptyset(&sigset);
    posix_spawnattr_setsigmask(&attr, &sigset);
    sigfillset(&sigset);
    posix_spawnattr_setsigdefault(&attr, &sigset);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    const int rc = posix_spawn(pid, QFile::encodeName(program).constData(), &actions, &attr,
                               argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    return rc;
}

// Waits for the child to end, at most `limit`; true when it has ended and been reaped.
bool waitForExit(pid_t pid, std::chrono::milliseconds limit) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + limit;
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));  // readable at its end
    bool ended = false;
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno != EINTR)) {
            ended = true;
            break;
        }
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) break;
        if (pidfd >= 0) {
            pollfd pfd{pidfd, POLLIN, 0};
            ::poll(&pfd, 1, static_cast<int>(left));
        } else {
            ::usleep(static_cast<useconds_t>(std::min<long long>(left, 5)) * 1000);
        }
    }
    if (pidfd >= 0) ::close(pidfd);
    return ended;
}

// A child that is not waited for is reaped by a thread of its own when it ends. Only this
// pid is waited for, so children that Qt or others start are left to them.
void reapWhenEnded(pid_t pid) {
    try {
        std::thread([pid] {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: the ended child stays a zombie until the program exits.
    }
}

}  // namespace

int countRunningInstancesIn(const QString& procRoot, const QString& fileName) {
    if (fileName.isEmpty()) return 0;
    const QString wanted = fileName.toUpper();
    const QDir proc(procRoot);
    int count = 0;
    for (const QString& entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isPid = false;
        entry.toLongLong(&isPid);
        if (!isPid) continue;
        const QString name = executableName(proc.filePath(entry));
        if (!name.isEmpty() && name.toUpper().contains(wanted)) ++count;
    }
    return count;
}

int CountRunningInstances(const QString& fileName) {
    return countRunningInstancesIn(QStringLiteral("/proc"), fileName);
}

QStringList splitWindowsCommandLine(const QString& commandLine) {
    const auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
    const qsizetype n = commandLine.size();
    qsizetype i = 0;
    QStringList args;
    while (i < n && isBlank(commandLine[i])) ++i;
    if (i == n) return args;

    // The program name: its own rules, backslashes are plain.
    QString program;
    if (commandLine[i] == u'"') {
        for (++i; i < n && commandLine[i] != u'"'; ++i) program += commandLine[i];
        if (i < n) ++i;
    } else {
        for (; i < n && !isBlank(commandLine[i]); ++i) program += commandLine[i];
    }
    args << program;
    while (i < n && isBlank(commandLine[i])) ++i;
    if (i == n) return args;

    QString current;
    int quotes = 0;       // 1 inside a quoted part
    int backslashes = 0;  // backslashes just before the current character
    while (i < n) {
        const QChar c = commandLine[i];
        if (isBlank(c) && quotes == 0) {
            args << current;
            current.clear();
            backslashes = 0;
            while (i < n && isBlank(commandLine[i])) ++i;
            if (i == n) return args;
        } else if (c == u'\\') {
            current += c;
            ++backslashes;
            ++i;
        } else if (c == u'"') {
            if (backslashes % 2 == 0) {
                current.chop(backslashes / 2);
                ++quotes;
            } else {
                current.chop(backslashes / 2 + 1);
                current += u'"';
            }
            backslashes = 0;
            for (++i; i < n && commandLine[i] == u'"'; ++i) {
                if (++quotes == 3) {
                    current += u'"';
                    quotes = 0;
                }
            }
            if (quotes == 2) quotes = 0;
        } else {
            current += c;
            backslashes = 0;
            ++i;
        }
    }
    args << current;
    return args;
}

bool runCommandWithin(Dialogs& dialogs, const QString& programDir, const QString& commandLine,
                      bool reportFailure, bool waitAndLog, std::chrono::milliseconds waitLimit) {
    int logFd = -1;
    if (waitAndLog) {
        const QString logName = QString::fromLatin1(kCommandLogFileName);
        const QString dir = programDir.isEmpty() ? QStringLiteral(".") : programDir;
        ::unlink(QFile::encodeName(base::resolveIgnoringCase(dir, logName)).constData());
        // Created afresh and never through a link left at its name.
        logFd = ::open(QFile::encodeName(QDir(dir).filePath(logName)).constData(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (logFd < 0) logFd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    }

    const QStringList args = splitWindowsCommandLine(commandLine);
    const QString program = args.isEmpty() ? QString() : resolveProgram(programDir, args.first());
    pid_t pid = -1;
    const int error = program.isEmpty() ? ENOENT : spawnProcess(program, args, logFd, &pid);
    if (logFd >= 0) ::close(logFd);

    if (error != 0) {
        if (reportFailure)
            dialogs.messageBox(QStringLiteral("Ошибка выполнения команды."),
                               QStringLiteral("Ошибка"), MB_ICONHAND, false);
        return false;
    }
    if (!waitAndLog || !waitForExit(pid, waitLimit)) reapWhenEnded(pid);
    return true;
}

bool RunCommand(Dialogs& dialogs, const QString& programDir, const QString& commandLine,
                int /*showState*/, bool reportFailure, bool waitAndLog) {
    return runCommandWithin(dialogs, programDir, commandLine, reportFailure, waitAndLog,
                            kCommandWaitLimit);
}

}  // namespace base
