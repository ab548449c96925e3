#include "TableGroups.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>

#include "FileUtils.h"
#include "FlagScope.h"
#include "ProgramFolders.h"
#include "StagedFiles.h"
#include "EngineError.h"
#include "FileIo.h"
#include "PathCase.h"
#include "engine/SyncScope.h"

namespace store {

using base::CopyFilesByMask;
using base::EngineError;
using base::ErrorKind;
using base::MB_ICONEXCLAMATION;
using base::MB_ICONHAND;
using base::MB_OK;
using base::StagedFiles;
using base::joinPath;
using base::fileio::withReason;

namespace {

// The staging folders of structure updates (".update.staging", ".update.staged").
const QString kUpdateKind = QStringLiteral("update");

// Structure updates are for tables that do not fit their view; a file that cannot be
// reached at all must not be replaced by the template, or its data would be lost.
bool needsStructureUpdate(ErrorKind kind) {
    return kind == ErrorKind::StructureMismatch || kind == ErrorKind::Damaged || kind == ErrorKind::NotFound;
}

// Puts a view back on its folder when a structure update ends, however it ends.
class FolderBack {
public:
    FolderBack(engine::Dataset& view, QString folder) : view_(view), folder_(std::move(folder)) {}
    ~FolderBack() {
        view_.close();
        view_.setFolder(folder_);
    }
    FolderBack(const FolderBack&) = delete;
    FolderBack& operator=(const FolderBack&) = delete;

private:
    engine::Dataset& view_;
    QString folder_;
};

}  // namespace

void TableGroups::error(const QString& text) { dialogs_.messageBox(text, QStringLiteral("Ошибка"), MB_ICONHAND); }

void TableGroups::recoverInterruptedUpdate(const QString& folder) {
    const QStringList files = StagedFiles::interruptedFiles(folder, kUpdateKind);
    const StagedFiles::Recovery done = StagedFiles::finishInterrupted(folder, kUpdateKind);
    if (done == StagedFiles::Recovery::Nothing) return;
    QStringList tables;
    for (const QString& name : files)
        if (name.endsWith(QLatin1String(".dbf"), Qt::CaseInsensitive) ||
            name.endsWith(QLatin1String(".db"), Qt::CaseInsensitive))
            tables << name;
    const QString what =
        QStringLiteral("Обновление структуры таблицы %1 в каталоге\n\r%2\n\rбыло прервано.\n\r")
            .arg(tables.isEmpty() ? QStringLiteral("") : tables.join(QStringLiteral(", ")),
                 QDir::toNativeSeparators(folder));
    switch (done) {
        case StagedFiles::Recovery::Completed:
            dialogs_.messageBox(
                what + QStringLiteral("Оно завершено: таблица содержит все прежние записи."),
                QStringLiteral("Внимание"), MB_OK | MB_ICONEXCLAMATION);
            break;
        case StagedFiles::Recovery::RolledBack:
            dialogs_.messageBox(
                what + QStringLiteral("Таблица оставлена в прежнем виде, со всеми записями; "
                                      "обновление выполняется заново."),
                QStringLiteral("Внимание"), MB_OK | MB_ICONEXCLAMATION);
            break;
        case StagedFiles::Recovery::Failed:
            error(withReason(what + QStringLiteral("Не удалось ни завершить, ни отменить его; "
                                                   "таблицы этого каталога не открыты."),
                             errno));
            break;
        case StagedFiles::Recovery::Nothing:
            break;
    }
}

bool TableGroups::SwitchTableGroup(int tag, const QString& folder, bool open, bool restore,
                                   const QString& templateFolder) {
    if (open) {
        recoverInterruptedUpdate(folder);
        // An update that could neither be finished nor undone leaves the folder as it is:
        // opening its tables now would read a mix of old and new files.
        if (StagedFiles::pending(folder, kUpdateKind)) open = false;
    }
    const auto& views = views_.inOrder();
    for (size_t i = 0; i < views.size(); ++i) {
        engine::Dataset& view = *views[i];
        if (view.tag() != tag || !view.isPlainTable()) continue;
        view.close();
        if (!open) continue;

        view.setFolder(folder);
        const QString tablePath = joinPath(folder, view.tableName());
        const QString mask = QFileInfo(view.tableName()).completeBaseName() + QStringLiteral(".*");
        if (!QFileInfo::exists(base::resolveIgnoringCase(folder, view.tableName()))) {
            if (!restore) {
                error(QStringLiteral("Отсутствует файл: ") + tablePath);
                return false;
            }
            if (!CopyFilesByMask(dialogs_, templateFolder, folder, mask)) {
                error(QStringLiteral("Отсутствует файл: ") + view.tableName());
                return false;
            }
        }
        try {
            view.open();
            if (!olderThanTemplate(view, templateFolder)) continue;
            view.close();
        } catch (const EngineError& e) {
            if (!needsStructureUpdate(e.kind())) {
                error(e.message());
                return false;
            }
        }
        if (!updateStructure(view, folder, templateFolder, tablePath, mask)) return false;
    }
    return !open || !StagedFiles::pending(folder, kUpdateKind);
}

bool TableGroups::olderThanTemplate(const engine::Dataset& view, const QString& templateFolder) {
    const QString templatePath = base::resolveIgnoringCase(templateFolder, view.tableName());
    auto known = templateFields_.find(templatePath);
    if (known == templateFields_.end()) {
        engine::Dataset pristine(QStringLiteral("Template"));
        pristine.setFolder(templateFolder);
        pristine.setTableName(view.tableName());
        try {
            pristine.open();
        } catch (const EngineError&) {
            return false;  // no template to compare with: the table is taken as it is
        }
        known = templateFields_.insert(templatePath, pristine.tableFields());
    }
    const std::vector<engine::FieldDef>& file = view.tableFields();
    for (const engine::FieldDef& want : *known) {
        for (const engine::FieldDef& have : file) {
            if (have.name.compare(want.name, Qt::CaseInsensitive) != 0) continue;
            if (have.kind == want.kind &&
                (have.width < want.width || have.decimals < want.decimals))
                return true;
            break;
        }
    }
    return false;
}

bool TableGroups::updateStructure(engine::Dataset& view, const QString& folder, const QString& templateFolder,
                                  const QString& tablePath, const QString& mask) {
    const QString updateDir = joinPath(folder, QStringLiteral("Update"));
    errno = 0;
    if (!QDir().mkpath(updateDir)) {
        error(
            withReason(QStringLiteral("Не могу создать каталог для обновления структуры."), errno));
        return false;
    }
    if (!CopyFilesByMask(dialogs_, folder, updateDir, mask)) {
        error(QStringLiteral("Ошибка копирования файлов."));
        return false;
    }

    // The new table is made complete beside the old one, which stays as it is until then.
    StagedFiles staged(folder, kUpdateKind);
    if (!staged.begin()) {
        error(withReason(QStringLiteral("Ошибка копирования файлов."), errno));
        return false;
    }
    if (!CopyFilesByMask(dialogs_, templateFolder, staged.stagingFolder(), mask)) {
        error(QStringLiteral("Ошибка копирования файлов."));
        return false;
    }
    bool carried = false;
    {
        FolderBack back(view, folder);
        view.setFolder(staged.stagingFolder());
        try {
            view.open();
        } catch (const EngineError&) {
            error(QStringLiteral("Шаблон испорчен."));
            return false;
        }

        // The old copy, with every field it has.
        engine::Dataset old(QStringLiteral("OldCopy"));
        old.setFolder(updateDir);
        old.setTableName(view.tableName());
        try {
            old.open();
        } catch (const EngineError&) {
            // Nothing of the old table can be read: the table starts anew from the template,
            // and its old files stay in the Update folder.
            error(QStringLiteral("Испорчен файл \"") + tablePath + QStringLiteral("\""));
        }
        if (old.isOpen()) {
            carried = copyRecords(view, old, tablePath);
            if (!carried) return false;  // the folder keeps the old table
        }
        try {
            view.flushTable();
        } catch (const EngineError& e) {
            error(QStringLiteral("Не могу открыть \"") + tablePath + QStringLiteral("\"\n\r") +
                  e.message());
            return false;
        }
    }

    if (!staged.commit()) {
        const int reason = errno;
        if (StagedFiles::pending(folder, kUpdateKind)) {
            error(
                withReason(QStringLiteral("Обновление структуры таблицы %1 не завершено; оно будет "
                                          "завершено при следующем открытии дня.")
                               .arg(view.tableName()),
                           reason));
        } else {
            error(withReason(QStringLiteral("Не могу открыть \"") + tablePath +
                                 QStringLiteral("\"\n\rТаблица оставлена в прежнем виде."),
                             reason));
        }
        return false;
    }
    try {
        view.open();
    } catch (const EngineError& e) {
        error(e.message());
        return false;
    }
    return carried;
}

bool TableGroups::copyRecords(engine::Dataset& view, engine::Dataset& old,
                              const QString& tablePath) {
    try {
        FlagScope carrying(carryingOver_);
        // One long copy, complete only at its end: synced once, when it is done.
        engine::SyncScope durable(engine::SyncScope::Bulk);
        const int n = old.recordCount();
        old.first();
        for (int r = 0; r < n; ++r) {
            view.append();
            for (const auto& field : old.fields()) {
                if (field->asString().isEmpty()) continue;
                engine::Field* target = view.findField(field->name());
                if (!target || target->isCalculated()) continue;
                try {
                    target->assign(*field);
                } catch (const EngineError&) {
                    // A value that does not convert is left at the new table's default.
                }
            }
            view.post();
            old.next();
        }
        durable.commit();
    } catch (const EngineError& e) {
        error(QStringLiteral("Не могу открыть \"") + tablePath + QStringLiteral("\"\n\r") +
              e.message() + QStringLiteral("\n\rТаблица оставлена в прежнем виде."));
        return false;
    } catch (...) {
        error(QStringLiteral("Не могу открыть \"") + tablePath +
              QStringLiteral("\"\n\rТаблица оставлена в прежнем виде."));
        return false;
    }
    return true;
}

}  // namespace store
