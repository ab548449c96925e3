// RAR.EXE of the program folder: the archiver that dispatch to head office runs. It accepts
// exactly the command line of dispatch (see AdapterCommand.h). When a real "rar" is on PATH,
// the work goes to it (a RAR archive); otherwise an AES-256 encrypted ZIP archive is written.
//
// Exit codes follow rar's: 0 done, 1 done with warnings (list lines that named no file),
// 2 a fatal error (the archive is left as it was), 7 a command line not accepted, 10 no file
// to add.
#include <QFile>
#include <QStringList>
#include <clocale>
#include <csignal>
#include <cstdio>

#include "AdapterCommand.h"
#include "EncryptedZip.h"
#include "ListFile.h"
#include "RealRar.h"
#include "FileIo.h"

namespace {

enum ExitCode { kDone = 0, kWarning = 1, kFatal = 2, kCommandLineError = 7, kNoFiles = 10 };

void say(const QString& text) {
    std::fprintf(stderr, "RAR.EXE: %s\n", text.toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    if (!std::setlocale(LC_CTYPE, "C.UTF-8")) std::setlocale(LC_CTYPE, "");
    // A file size limit makes writes fail (and the archive stay as it was) instead of ending
    // the process halfway.
    std::signal(SIGXFSZ, SIG_IGN);

    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QFile::decodeName(argv[i]);
    const std::optional<rar_adapter::AdapterCommand> command =
        rar_adapter::parseAdapterCommand(arguments);
    if (!command) {
        say(QStringLiteral("command line not accepted: ") + arguments.join(u' '));
        say(QStringLiteral("usage: RAR.EXE ") + QLatin1String(rar_adapter::kAdapterUsage));
        return kCommandLineError;
    }

    const std::optional<QStringList> lines = rar_adapter::readListFile(command->listFile);
    if (!lines) {
        say(QStringLiteral("cannot read the list file ") + command->listFile);
        return kFatal;
    }
    QStringList unmatched;
    const std::vector<rar_adapter::FileToAdd> files =
        rar_adapter::filesOfListLines(*lines, unmatched);
    for (const QString& line : unmatched) say(QStringLiteral("no files match ") + line);
    if (files.empty()) {
        say(QStringLiteral("no files to add; ") + command->archive +
            QStringLiteral(" not changed"));
        return kNoFiles;
    }

    const QString rar = rar_adapter::findRealRar();
    if (!rar.isEmpty()) {
        rar_adapter::runRealRar(rar, *command, files);
        say(QStringLiteral("cannot run ") + rar);
        return kFatal;
    }

    int reason = 0;
    const QString error =
        rar_adapter::addToEncryptedZip(command->archive, command->password, files, &reason);
    if (!error.isEmpty()) {
        say(error);
        say(command->archive + QStringLiteral(" left as it was"));
        // The line dispatch shows the user after its own message.
        if (reason != 0)
            say(QString::fromUtf8(base::fileio::kReasonLabel) +
                base::fileio::reasonText(reason));
        return kFatal;
    }
    for (const rar_adapter::FileToAdd& f : files)
        std::printf("Added %s\n", f.name.toLocal8Bit().constData());
    return unmatched.isEmpty() ? kDone : kWarning;
}
