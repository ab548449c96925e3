#include "TableCheck.h"

#include <QFileInfo>
#include <string>
#include <vector>

#include "DbfRecordStream.h"
#include "EngineError.h"
#include "engine/MdxIndex.h"
#include "engine/ParadoxTable.h"
#include "PathCase.h"

using base::EngineError;
using engine::FieldKind;
using engine::MdxIndex;

namespace tabletool {

namespace {

EngineError indexDamage(const QString& mdx, const QString& tag, const QString& why) {
    return EngineError(
        base::ErrorKind::Damaged,
        QStringLiteral("Повреждён индексный файл: %1 (тег %2: %3)").arg(mdx, tag, why));
}

// The key the engine writes for a record, from the field's bytes as stored.
std::string expectedKey(const MdxIndex::TagInfo& tag, const std::string& fieldText) {
    switch (tag.keyType) {
        case 'N':
        case 'F':
            return MdxIndex::numericKey(fieldText);
        case 'D':
            return MdxIndex::dateKey(fieldText);
        default: {
            std::string key = fieldText.substr(0, static_cast<size_t>(tag.keyLength));
            key.resize(static_cast<size_t>(tag.keyLength), ' ');
            return key;
        }
    }
}

char keyTypeFor(FieldKind kind) {
    switch (kind) {
        case FieldKind::Text:
            return 'C';
        case FieldKind::Date:
            return 'D';
        case FieldKind::Boolean:
            return 'L';
        default:
            return 'N';
    }
}

void checkTag(const QString& mdx, const MdxIndex::TagInfo& tag, const engine::FieldDef& field,
              const std::vector<std::string>& fieldTexts) {
    const char wantedType = keyTypeFor(field.kind);
    const char type = tag.keyType == 'F' ? 'N' : tag.keyType;
    if (type != wantedType)
        throw indexDamage(mdx, tag.name,
                          QStringLiteral("тип ключа %1 не подходит к полю %2")
                              .arg(QChar::fromLatin1(tag.keyType), field.name));
    const std::vector<MdxIndex::Entry> entries = MdxIndex::walk(mdx, tag.name);
    const size_t count = fieldTexts.size();
    if (entries.size() != count)
        throw indexDamage(
            mdx, tag.name,
            QStringLiteral("ключей %1, записей в таблице %2").arg(entries.size()).arg(count));
    std::vector<bool> seen(count, false);
    for (size_t i = 0; i < entries.size(); ++i) {
        const MdxIndex::Entry& e = entries[i];
        const size_t record = static_cast<size_t>(e.record);
        if (record < 1 || record > count)
            throw indexDamage(mdx, tag.name,
                              QStringLiteral("ссылка на запись %1, которой нет").arg(e.record));
        if (seen[record - 1])
            throw indexDamage(mdx, tag.name,
                              QStringLiteral("запись %1 указана дважды").arg(e.record));
        seen[record - 1] = true;
        if (e.key != expectedKey(tag, fieldTexts[record - 1]))
            throw indexDamage(mdx, tag.name,
                              QStringLiteral("ключ записи %1 не совпадает с её полем %2")
                                  .arg(e.record)
                                  .arg(field.name));
        if (i > 0 && MdxIndex::compareKeys(type, entries[i - 1].key, e.key) > 0)
            throw indexDamage(mdx, tag.name,
                              QStringLiteral("ключ записи %1 стоит не по порядку").arg(e.record));
    }
}

QString checkDbf(const QString& path) {
    DbfRecordStream stream(path);
    const engine::DbfLayout& layout = stream.layout();

    // The tags to check and their fields, known before the records are read, so that only
    // the fields of the tags are kept.
    const QString mdx = base::resolveIgnoringCase(
        QFileInfo(path).path(), QFileInfo(path).completeBaseName() + QStringLiteral(".MDX"));
    std::vector<MdxIndex::TagInfo> tags;
    std::vector<int> tagFields;
    if (layout.productionIndex) {
        if (!QFileInfo(mdx).isFile())
            throw EngineError(
                base::ErrorKind::MissingCompanion,
                QStringLiteral("Отсутствует индексный файл таблицы %1: %2").arg(path, mdx));
        tags = MdxIndex::readTags(mdx);
        for (const MdxIndex::TagInfo& tag : tags) {
            int field = -1;
            for (size_t i = 0; i < layout.fields.size(); ++i)
                if (layout.fields[i].name.compare(tag.expression.trimmed(), Qt::CaseInsensitive) ==
                    0)
                    field = static_cast<int>(i);
            if (field < 0)
                throw indexDamage(
                    mdx, tag.name,
                    QStringLiteral("выражение «%1» не является полем таблицы").arg(tag.expression));
            tagFields.push_back(field);
        }
    }

    std::vector<std::vector<std::string>> fieldTexts(tags.size());
    long long deleted = 0;
    std::string_view block;
    long long first = 0;
    const size_t recordLength = static_cast<size_t>(layout.recordLength);
    while (stream.next(block, first)) {
        for (size_t at = 0; at < block.size(); at += recordLength) {
            deleted += block[at] == '*';
            for (size_t t = 0; t < tags.size(); ++t) {
                const size_t f = static_cast<size_t>(tagFields[t]);
                fieldTexts[t].emplace_back(
                    block.substr(at + static_cast<size_t>(layout.offsets[f]),
                                 static_cast<size_t>(layout.fields[f].width)));
            }
        }
    }
    QStringList tagNames;
    for (size_t t = 0; t < tags.size(); ++t) {
        checkTag(mdx, tags[t], layout.fields[static_cast<size_t>(tagFields[t])], fieldTexts[t]);
        tagNames << tags[t].name;
    }
    QString summary = QStringLiteral("%1: таблица в порядке, записей %2 (удалённых %3)")
                          .arg(path)
                          .arg(stream.count())
                          .arg(deleted);
    if (layout.productionIndex)
        summary += QStringLiteral(", индекс %1 в порядке (теги %2)")
                       .arg(QFileInfo(mdx).fileName(), tagNames.join(QStringLiteral(", ")));
    return summary;
}

QString checkParadox(const QString& path) {
    const auto table = engine::ParadoxTable::open(path, false);
    const int fields = static_cast<int>(table->fields().size());
    for (int s = 0; s < table->slotCount(); ++s)
        for (int f = 0; f < fields; ++f) table->value(s, f);
    return QStringLiteral("%1: таблица в порядке, записей %2").arg(path).arg(table->slotCount());
}

}  // namespace

QString checkTable(const QString& file) {
    const QString path = base::resolveIgnoringCase(file);
    if (!QFileInfo(path).isFile())
        throw EngineError(base::ErrorKind::NotFound,
                          QStringLiteral("файл не найден: %1").arg(file));
    if (QFileInfo(path).suffix().compare(QLatin1String("db"), Qt::CaseInsensitive) == 0)
        return checkParadox(path);
    return checkDbf(path);
}

}  // namespace tabletool
