#include "CopyFromDay.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

#include "FileUtils.h"
#include "RegisterCore.h"
#include "StagedFiles.h"
#include "EngineError.h"
#include "FileIo.h"
#include "PathCase.h"
#include "engine/SyncScope.h"

namespace reg {

namespace {

const QString kPayDate = QStringLiteral("PAY_DATA");

}  // namespace

const QStringList& CopyFromDay::copiedFiles() {
    static const QStringList files = {QStringLiteral("DayData.DBF"), QStringLiteral("DayData.MDX"),
                                      QStringLiteral("StartMoney.DBF")};
    return files;
}

void CopyFromDay::error(const QString& text) const {
    core_.dialogs().messageBox(text, QStringLiteral("Ошибка"), base::MB_ICONHAND);
}

bool CopyFromDay::sourceIsReadable(const QString& sourceFolder) const {
    for (const QString& name : {copiedFiles()[0], copiedFiles()[2]}) {
        engine::Dataset table(QStringLiteral("CopySource"));
        table.setFolder(sourceFolder);
        table.setTableName(name);
        try {
            table.open();
            for (table.first(); !table.eof(); table.next()) {
            }
            table.close();
        } catch (const std::exception&) {
            return false;
        }
    }
    return true;
}

void CopyFromDay::redate(const QString& folder, const QString& tableName) const {
    engine::Dataset table(QStringLiteral("CopyRedate"));
    table.setFolder(folder);
    table.setTableName(tableName);
    table.open();
    // The copy is complete only at its end: one sync for all its records.
    engine::SyncScope durable(engine::SyncScope::Bulk);
    if (table.recordCount() > 0) {
        for (table.first(); !table.eof(); table.next()) {
            table.edit();
            table.fieldByName(kPayDate).setAsDate(core_.CurrentDate);
            table.post();
        }
    }
    durable.commit();
    table.close();
}

QString CopyFromDay::replacedFolder() const {
    return base::joinPath(core_.DayDir, QStringLiteral("Replaced"));
}

bool CopyFromDay::keepReplacedFiles(int* reason) const {
    const QString kept = replacedFolder();
    errno = 0;
    if (!QDir().mkpath(kept)) {
        *reason = errno ? errno : EIO;
        return false;
    }
    for (const QString& name : copiedFiles()) {
        const QString own = base::resolveIgnoringCase(core_.DayDir, name);
        const QString copy = base::resolveIgnoringCase(kept, name);
        if (QFileInfo::exists(own)) {
            if (!base::copyFile(own, copy, reason)) return false;
        } else if (QFileInfo::exists(copy) && !QFile::remove(copy)) {
            // A kept file of an earlier generation would not belong with the others.
            *reason = EACCES;
            return false;
        }
    }
    return true;
}

void CopyFromDay::ActionCopyFromExecute() {
    RegisterCore& c = core_;
    // Without an open day there is nothing to copy into: the copy would land in a day whose
    // other tables are closed.
    if (!c.views.TableDataSourceDayData.isOpen()) {
        c.dialogs().messageBox(
            QStringLiteral(
                "Текущий день не выбран.\n\rВыберите текущую дату и повторите копирование."),
            QStringLiteral("Внимание"), base::MB_OK | base::MB_ICONEXCLAMATION);
        return;
    }

    const std::optional<QDate> chosen =
        c.dialogs().chooseDate(QStringLiteral("Выберите день-источник"));
    if (!chosen) return;
    if (*chosen == c.CurrentDate) {
        error(QStringLiteral(
            "День-источник соответствует текущему дню.\n\rКопирование не имеет смысла."));
        return;
    }
    const QString source = c.DayFolderOf(*chosen);
    if (!QFileInfo(source).isDir()) {
        error(QStringLiteral("Отсутствуют данные за день-источник.\n\rКопирование невозможно."));
        return;
    }
    if (!sourceIsReadable(source)) {
        error(QStringLiteral("Данные за день-источник повреждены.\n\rКопирование невозможно."));
        return;
    }

    // The copy, made and re-dated aside; the day itself is untouched until it is complete.
    base::StagedFiles staged(c.DayDir);
    int reason = 0;
    bool copied = staged.begin();
    if (!copied) reason = errno;
    for (const QString& name : copiedFiles()) {
        if (!copied) break;
        copied =
            base::copyFile(base::resolveIgnoringCase(source, name),
                            base::resolveIgnoringCase(staged.stagingFolder(), name), &reason);
    }
    if (!copied) {
        staged.discard();
        error(base::fileio::withReason(QStringLiteral("Не удается скопировать файл."), reason));
        return;
    }
    try {
        redate(staged.stagingFolder(), copiedFiles()[0]);
        redate(staged.stagingFolder(), copiedFiles()[2]);
    } catch (const std::exception& e) {
        staged.discard();
        const auto* engineError = dynamic_cast<const base::EngineError*>(&e);
        error(QStringLiteral("Копирование завершено с ошибкой.\n\r") +
              (engineError ? engineError->message() : QString()));
        return;
    }

    c.groups.SwitchTableGroup(store::kDayGroupTag, c.DayDir, false, false, c.TemplateDataDir);
    // The day's own files, complete now that its tables are closed, are kept (one generation)
    // so that a mistaken copy can be undone by hand.
    if (!keepReplacedFiles(&reason)) {
        staged.discard();
        c.groups.SwitchTableGroup(store::kDayGroupTag, c.DayDir, true, true, c.TemplateDataDir);
        error(base::fileio::withReason(QStringLiteral("Не удается скопировать файл."), reason));
        return;
    }
    const bool replaced = staged.commit();
    const int commitReason = replaced ? 0 : errno;
    // A replacement stopped halfway is finished at the day's next opening; until then the
    // day's tables stay closed rather than show a mix of two days.
    if (!base::StagedFiles::pending(c.DayDir))
        c.groups.SwitchTableGroup(store::kDayGroupTag, c.DayDir, true, true, c.TemplateDataDir);
    if (!replaced) {
        error(base::fileio::withReason(QStringLiteral("Копирование завершено с ошибкой.\n\r"),
                                         commitReason));
        return;
    }
    c.dialogs().messageBox(QStringLiteral("Копирование завершено успешно.\n\r"),
                           QStringLiteral("Копирование"), base::MB_ICONINFORMATION);
}

}  // namespace reg
