#include "TableRegistry.h"

#include <QFileInfo>
#include <map>

#include "DbfTable.h"
#include "EngineError.h"
#include "ParadoxTable.h"
#include "PathCase.h"

namespace engine {

using base::EngineError;
using base::ErrorKind;
using base::resolveIgnoringCase;

namespace {

std::map<QString, std::weak_ptr<TableFile>>& openTables() {
    static std::map<QString, std::weak_ptr<TableFile>> tables;
    return tables;
}

QString keyOf(const QString& resolved) {
    QFileInfo info(resolved);
    QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

}  // namespace

std::shared_ptr<TableFile> TableRegistry::find(const QString& path) {
    auto& tables = openTables();
    auto it = tables.find(keyOf(resolveIgnoringCase(path)));
    if (it == tables.end()) return nullptr;
    return it->second.lock();
}

std::shared_ptr<TableFile> TableRegistry::open(const QString& path, bool exclusive) {
    const QString resolved = resolveIgnoringCase(path);
    if (!QFileInfo(resolved).isFile())
        throw EngineError(ErrorKind::NotFound, QStringLiteral("Файл не найден: %1").arg(path));
    const QString key = keyOf(resolved);
    auto& tables = openTables();
    auto it = tables.find(key);
    if (it != tables.end()) {
        if (auto table = it->second.lock()) {
            if (exclusive || table->exclusive())
                throw EngineError(ErrorKind::Busy, QStringLiteral("Таблица занята: %1").arg(path));
            return table;
        }
        tables.erase(it);
    }
    const QString suffix = QFileInfo(resolved).suffix().toLower();
    std::shared_ptr<TableFile> table;
    if (suffix == QLatin1String("dbf"))
        table = DbfTable::open(resolved, exclusive);
    else if (suffix == QLatin1String("db"))
        table = ParadoxTable::open(resolved, exclusive);
    else
        throw EngineError(QStringLiteral("Неизвестный тип таблицы: %1").arg(path));
    tables[key] = table;
    return table;
}

}  // namespace engine
