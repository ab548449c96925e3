#include "DayDispatch.h"

#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <thread>

#include "ArchiveCommand.h"
#include "ArchiveListFile.h"
#include "Codec.h"
#include "FileIo.h"
#include "FileStamp.h"
#include "ProcessUtils.h"
#include "RegisterCore.h"

namespace dispatch {

namespace {

constexpr int MB_DEFBUTTON2 = 0x100;  // the second button (No) is the default

// Why the archiver failed, as it wrote it into the command log ("Причина: нет места на диске"),
// or, when it did not say, what the send folder itself tells; empty when nothing is known.
QString archiverFailureReason(const QString& logPath, const QString& archivePath) {
    QFile log(logPath);
    if (log.open(QIODevice::ReadOnly)) {
        const QStringList lines = QString::fromUtf8(log.read(1 << 16)).split(QLatin1Char('\n'));
        const QString label = QString::fromUtf8(base::fileio::kReasonLabel);
        for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
            const qsizetype at = line->indexOf(label);
            if (at >= 0) return line->mid(at + label.size()).trimmed();
        }
    }
    const QByteArray folder = QFile::encodeName(QFileInfo(archivePath).absolutePath());
    if (::access(folder.constData(), W_OK) != 0) return base::fileio::reasonText(errno);
    return {};
}

}  // namespace

void DayDispatch::reportError(const QString& text) {
    core_.dialogs().messageBox(text, QStringLiteral("Ошибка"), base::MB_ICONHAND);
}

QString DayDispatch::checkedArchivePath() {
    reg::RegisterCore& c = core_;
    QString sendFolder;
    if (!c.ReadConst(QStringLiteral("RodazPath"), sendFolder) ||
        !c.ReadConst(QStringLiteral("SendPrefix"), c.SendPrefixText)) {
        reportError(QStringLiteral("Справочник констант заполнен неправильно."));
        return {};
    }
    if (c.SendPrefixText.size() != 2) {
        reportError(QStringLiteral("Префикс отправки указан неправильно."));
        return {};
    }
    // A folder whose name the OEM code page cannot carry would reach the archiver garbled.
    if (!QFileInfo(sendFolder).isDir() || !base::Codec::cp866().canEncode(sendFolder)) {
        reportError(QStringLiteral("Каталог для отправки указан неправильно."));
        return {};
    }
    return archivePathOf(sendFolder, c.SendPrefixText, c.CurrentDate);
}

void DayDispatch::ActionSendExecute() {
    reg::RegisterCore& c = core_;
    base::Dialogs& dialogs = c.dialogs();
    c.balances.PostDayEdits();
    const int answer = dialogs.messageBox(
        QStringLiteral("Подготовить данные за текущий день\n\rк отправке в управление?"),
        QStringLiteral("Внимание"), base::MB_YESNO | base::MB_ICONQUESTION | MB_DEFBUTTON2);
    if (answer != base::IDYES) return;

    const QStringList listLines = {base::joinPath(c.DayDir, QStringLiteral("*.*")),
                                   base::joinPath(c.SpravDir, QStringLiteral("const.*"))};
    if (!writeArchiveListFile(base::joinPath(c.ProgDir, QString::fromLatin1(kArchiveListFileName)),
                              listLines)) {
        reportError(QStringLiteral("Не могу создать временный файл."));
        return;
    }

    const QString archivePath = checkedArchivePath();
    if (archivePath.isEmpty()) return;

    c.groups.SwitchTableGroup(store::kDayGroupTag, c.DayDir, false, false, c.TemplateDataDir);
    c.payments.RenumberDayData();
    c.groups.SwitchTableGroup(store::kReferenceGroupTag, c.SpravDir, false, false,
                              c.TemplateSpravDir);
    std::optional<Outcome> outcome;
    try {
        outcome = runArchiver(archivePath);
    } catch (...) {
        // The tables are reopened whatever happened to the archiver.
    }
    c.groups.SwitchTableGroup(store::kReferenceGroupTag, c.SpravDir, true, true,
                              c.TemplateSpravDir);
    c.groups.SwitchTableGroup(store::kDayGroupTag, c.DayDir, true, true, c.TemplateDataDir);
    if (outcome) dialogs.messageBox(outcome->text, QStringLiteral("Отправка"), outcome->style);
}

DayDispatch::Outcome DayDispatch::runArchiver(const QString& archivePath) {
    // An archive of the same name may still lie in the send folder from an earlier dispatch:
    // only an archive that this run made or rewrote counts as made.
    const base::FileStamp before = base::FileStamp::ofPath(archivePath);
    if (!base::runCommandWithin(core_.dialogs(), core_.ProgDir, archiverCommandLine(archivePath),
                                true, true, archiverWaitLimit))
        return {QStringLiteral("Не удалось выполнить команду упаковки."), base::MB_ICONHAND};
    std::this_thread::sleep_for(archivePause);
    const base::FileStamp after = base::FileStamp::ofPath(archivePath);
    if (after.exists && after != before)
        return {QStringLiteral("Файл поставлен в очередь на отправку."), base::MB_ICONINFORMATION};
    return {base::fileio::withReason(
                QStringLiteral("Не удалось создать архив."),
                archiverFailureReason(
                    base::joinPath(core_.ProgDir, QString::fromLatin1(base::kCommandLogFileName)),
                    archivePath)),
            base::MB_ICONHAND};
}

}  // namespace dispatch
