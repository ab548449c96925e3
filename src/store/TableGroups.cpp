#include "TableGroups.h"

#include <QDir>
#include <QFileInfo>

#include "FileUtils.h"
#include "ProgramFolders.h"
#include "engine/EngineError.h"
#include "engine/PathCase.h"
#include "engine/SyncScope.h"
#include "FlagScope.h"

using engine::EngineError;
using engine::ErrorKind;

namespace store {

namespace {

// Structure updates are for tables that do not fit their view; a file that cannot be
// reached at all must not be replaced by the template, or its data would be lost.
bool needsStructureUpdate(ErrorKind kind) {
    return kind == ErrorKind::StructureMismatch || kind == ErrorKind::Damaged || kind == ErrorKind::NotFound;
}


}  // namespace

void TableGroups::error(const QString& text) { dialogs_.messageBox(text, QStringLiteral("Ошибка"), MB_ICONHAND); }

bool TableGroups::SwitchTableGroup(int tag, const QString& folder, bool open, bool restore,
                                   const QString& templateFolder) {
    const auto& views = views_.inOrder();
    for (size_t i = 0; i < views.size(); ++i) {
        engine::Dataset& view = *views[i];
        if (view.tag() != tag || !view.isPlainTable()) continue;
        view.close();
        if (!open) continue;

        view.setFolder(folder);
        const QString tablePath = joinPath(folder, view.tableName());
        const QString mask = QFileInfo(view.tableName()).completeBaseName() + QStringLiteral(".*");
        if (!QFileInfo::exists(engine::resolveIgnoringCase(folder, view.tableName()))) {
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
            continue;
        } catch (const EngineError& e) {
            if (!needsStructureUpdate(e.kind())) {
                error(e.message());
                return false;
            }
        }
        if (!updateStructure(view, folder, templateFolder, tablePath, mask)) return false;
    }
    return true;
}

bool TableGroups::updateStructure(engine::Dataset& view, const QString& folder, const QString& templateFolder,
                                  const QString& tablePath, const QString& mask) {
    const QString updateDir = joinPath(folder, QStringLiteral("Update"));
    if (!QDir().mkpath(updateDir)) {
        error(QStringLiteral("Не могу создать каталог для обновлекния структуры."));
        return false;
    }
    if (!CopyFilesByMask(dialogs_, folder, updateDir, mask) || !CopyFilesByMask(dialogs_, templateFolder, folder, mask)) {
        error(QStringLiteral("Ошибка копирования файлов."));
        return false;
    }
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
        error(QStringLiteral("Испорчен файл \"") + tablePath + QStringLiteral("\""));
        return false;
    }

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
    } catch (...) {
        error(QStringLiteral("Не могу открыть \"") + tablePath + QStringLiteral("\""));
        return false;
    }
    return true;
}

}  // namespace store
