// The launcher of the installed package. The program keeps its data beside its executable,
// and the package's folder is not the user's to write, so every user gets a program folder
// of their own, ~/Platoris: on the first start and whenever the installed version differs,
// the launcher copies the program there (never touching Data and Sprav), then starts that
// copy in its own place (exec), so that the running program is the only process.
//
//   launcher [FOLDER]             start the program of FOLDER (by default ~/Platoris), copying
//                                 it first from the launcher's own folder if needed
//   launcher --update FROM INTO   only bring the program folder INTO up to the one in FROM
//
// scripts/install keeps the installed program with this launcher in FOLDER/.platoris-source
// and its menu entry starts "launcher FOLDER": an install that was stopped while it put the
// new files in place is completed before the program starts, as with the package.
#include <pwd.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>

#include "ProgramFolderUpdate.h"
#include "ProgramLaunch.h"
#include "EngineError.h"

namespace {

QString homeFolder() {
    const QString home = qEnvironmentVariable("HOME");
    if (!home.isEmpty()) return home;
    const passwd* user = ::getpwuid(::getuid());
    return user ? QFile::decodeName(user->pw_dir) : QDir::rootPath();
}

void printError(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

// Started from the desktop menu nobody sees the standard error: the text is shown in a box
// as well whenever there is a screen to show it on.
void tell(const QString& text, bool isError, int argc, char** argv) {
    printError(text);
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    const bool screen =
        platform.isEmpty()
            ? qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY")
            : platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
    if (!screen) return;
    QApplication application(argc, argv);
    if (isError)
        QMessageBox::critical(nullptr, QStringLiteral("Ошибка"), text);
    else
        QMessageBox::warning(nullptr, QStringLiteral("Внимание"), text);
}

int updateOnly(const QString& from, const QString& into, const QString& self) {
    if (launcher::isProgramRunningFrom(into)) {
        printError(QStringLiteral("Программа в папке %1 запущена: закройте её и повторите.")
                       .arg(QDir::toNativeSeparators(into)));
        return 1;
    }
    try {
        launcher::updateProgramFolder(from, into, {self});
    } catch (const base::EngineError& error) {
        printError(error.message());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // System error texts in the user's language.
    std::setlocale(LC_ALL, "");
    // The package's program folder is the one this launcher was installed in (the command on
    // PATH is a link to it). The launcher itself is never copied.
    const QFileInfo self(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
    if (argc == 4 && std::strcmp(argv[1], "--update") == 0)
        return updateOnly(QFile::decodeName(argv[2]), QFile::decodeName(argv[3]), self.fileName());
    if (argc > 2 || (argc == 2 && (argv[1][0] == '-' || argv[1][0] == '\0'))) {
        printError(QStringLiteral("usage: launcher [FOLDER] | launcher --update FROM INTO"));
        return 2;
    }
    const QString target = argc == 2 ? QFileInfo(QFile::decodeName(argv[1])).absoluteFilePath()
                                     : QDir(homeFolder()).filePath(QStringLiteral("Platoris"));
    const launcher::LaunchPlan plan =
        launcher::planLaunch(self.absolutePath(), target, {self.fileName()});
    if (!plan.message.isEmpty()) tell(plan.message, plan.isError, argc, argv);
    if (plan.program.isEmpty()) return 1;

    const QByteArray program = QFile::encodeName(plan.program);
    char* const programArgv[] = {const_cast<char*>(program.constData()), nullptr};
    ::execv(program.constData(), programArgv);
    const int error = errno;
    tell(QStringLiteral("Не удалось запустить программу %1: %2")
             .arg(QDir::toNativeSeparators(plan.program),
                  QString::fromLocal8Bit(std::strerror(error))),
         true, argc, argv);
    return 1;
}
