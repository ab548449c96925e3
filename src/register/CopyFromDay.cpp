#include "CopyFromDay.h"

#include <QFileInfo>

#include "FileUtils.h"
#include "RegisterCore.h"
#include "StagedFiles.h"
#include "engine/EngineError.h"
#include "engine/PathCase.h"
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
    core_.dialogs().messageBox(text, QStringLiteral("Ошибка"), store::MB_ICONHAND);
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

void CopyFromDay::ActionCopyFromExecute() {
    RegisterCore& c = core_;
    // Without an open day there is nothing to copy into: the copy would land in a day whose
    // other tables are closed.
    if (!c.views.TableDataSourceDayData.isOpen()) {
        c.dialogs().messageBox(
            QStringLiteral(
                "Текущий день не выбран.\n\rВыберите текущую дату и повторите копирование."),
            QStringLiteral("Внимание"), store::MB_OK | store::MB_ICONEXCLAMATION);
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
    store::StagedFiles staged(c.DayDir);
    bool copied = staged.begin();
    for (const QString& name : copiedFiles()) {
        if (!copied) break;
        copied = store::copyFile(engine::resolveIgnoringCase(source, name),
                                 engine::resolveIgnoringCase(staged.stagingFolder(), name));
    }
    if (!copied) {
        staged.discard();
        error(QStringLiteral("Не удается скопировать файл."));
        return;
    }
    try {
        redate(staged.stagingFolder(), copiedFiles()[0]);
        redate(staged.stagingFolder(), copiedFiles()[2]);
    } catch (const std::exception&) {
        staged.discard();
        error(QStringLiteral("Копирование завершено с ошибкой.\n\r"));
        return;
    }

    c.groups.SwitchTableGroup(store::kDayGroupTag, c.DayDir, false, false, c.TemplateDataDir);
    const bool replaced = staged.commit();
    // A replacement stopped halfway is finished at the day's next opening; until then the
    // day's tables stay closed rather than show a mix of two days.
    if (!store::StagedFiles::pending(c.DayDir))
        c.groups.SwitchTableGroup(store::kDayGroupTag, c.DayDir, true, true, c.TemplateDataDir);
    if (!replaced) {
        error(QStringLiteral("Копирование завершено с ошибкой.\n\r"));
        return;
    }
    c.dialogs().messageBox(QStringLiteral("Копирование завершено успешно.\n\r"),
                           QStringLiteral("Копирование"), store::MB_ICONINFORMATION);
}

}  // namespace reg
