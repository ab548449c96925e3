#include "TableFile.h"

#include <QDate>
#include <algorithm>

#include "Codec.h"
#include "EngineError.h"
#include "SyncScope.h"

namespace engine {

using base::Codec;
using base::EngineError;
using base::ErrorKind;

int TableFile::appendRecords(const std::vector<Record>& records) {
    int first = -1;
    for (const Record& r : records) {
        const int slot = appendRecord(r);
        if (first < 0) first = slot;
    }
    return first;
}

QString fieldKindName(FieldKind kind) {
    switch (kind) {
        case FieldKind::Text:
            return QStringLiteral("text");
        case FieldKind::SmallInt:
            return QStringLiteral("small integer");
        case FieldKind::Float:
            return QStringLiteral("float");
        case FieldKind::Date:
            return QStringLiteral("date");
        case FieldKind::Boolean:
            return QStringLiteral("boolean");
    }
    return {};
}

TableFile::~TableFile() {
    SyncScope::forget(this);
}

void TableFile::syncWritten() {
    SyncScope::forget(this);
    if (!unsynced_) return;
    syncData();
    unsynced_ = false;
}

void TableFile::syncNowOrLater(bool later) {
    unsynced_ = true;
    if (later)
        SyncScope::addPending(this);
    else
        syncWritten();
}

void TableFile::written() {
    syncNowOrLater(SyncScope::deferring());
}

void TableFile::orderWrites() {
    syncNowOrLater(SyncScope::deferringOrderingSyncs());
}

void TableFile::writeUnderLock(const std::function<void()>& apply, bool needsSameSlots) {
    requireWritable();
    struct Release {
        TableFile& table;
        ~Release() { table.releaseChangeLock(); }
    } release{*this};
    if (lockAndCatchUp()) {
        if (needsSameSlots)
            throw EngineError(
                QStringLiteral("Таблица изменена другой программой, данные перечитаны: %1")
                    .arg(path_));
        requireWritable();
    }
    try {
        apply();
    } catch (...) {
        try {
            reloadAfterFailedWrite();
        } catch (...) {
        }
        changed();
        throw;
    }
    rememberFileState();
    changed();
}

int TableFile::fieldIndex(const QString& name) const {
    const auto& fs = fields();
    for (size_t i = 0; i < fs.size(); ++i)
        if (fs[i].name.compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    return -1;
}

Record TableFile::record(int slot) const {
    Record r(fields().size());
    for (size_t i = 0; i < r.size(); ++i) r[i] = value(slot, static_cast<int>(i));
    return r;
}

int TableFile::tagField(const QString& tagName) const {
    for (const TagDef& t : tags()) {
        if (t.name.compare(tagName, Qt::CaseInsensitive) != 0) continue;
        const int field = fieldIndex(t.expression);
        if (field < 0)
            throw EngineError(ErrorKind::StructureMismatch,
                              QStringLiteral("Индекс \"%1\": поле \"%2\" не найдено в таблице %3")
                                  .arg(tagName, t.expression, path_));
        return field;
    }
    if (indexFileMissing())
        throw EngineError(ErrorKind::MissingCompanion,
                          QStringLiteral("Отсутствует индексный файл таблицы %1").arg(path_));
    throw EngineError(ErrorKind::StructureMismatch,
                      QStringLiteral("Индекс \"%1\" не найден в таблице %2").arg(tagName, path_));
}

TableFile::TagKey TableFile::keyOf(int field, int slot) const {
    TagKey key;
    const QVariant v = value(slot, field);
    switch (fields()[static_cast<size_t>(field)].kind) {
        case FieldKind::Text:
            // Character keys sort by their bytes in the table's code page.
            key.text = Codec::cp1251().encode(v.toString());
            break;
        case FieldKind::Date:
            // Blank dates sort after every real date.
            key.number = v.isNull() ? 1e100 : static_cast<double>(v.toDate().toJulianDay());
            break;
        default:
            key.number = v.toDouble();  // a blank number counts as 0
            break;
    }
    return key;
}

TableFile::TagKey TableFile::tagKey(const QString& tagName, int slot) const {
    return keyOf(tagField(tagName), slot);
}

std::vector<int> TableFile::tagOrder(const QString& tagName) const {
    const int field = tagField(tagName);
    CachedOrder& cached = orderCache_[tagName.toUpper()];
    if (cached.generation == generation_) return cached.order;
    const int n = slotCount();
    std::vector<TagKey> keys(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) keys[static_cast<size_t>(i)] = keyOf(field, i);
    std::vector<int> order(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) order[static_cast<size_t>(i)] = i;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)];
    });
    cached.generation = generation_;
    cached.order = order;
    return order;
}

}  // namespace engine
