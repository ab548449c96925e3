#include "TableIo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

#include "engine/DbfTable.h"
#include "EngineError.h"
#include "engine/Field.h"
#include "FileIo.h"
#include "engine/ParadoxTable.h"
#include "PathCase.h"
#include "engine/SyncScope.h"

using base::EngineError;
using engine::FieldDef;
using engine::FieldKind;

namespace tabletool {

namespace {

QString readText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw EngineError(QStringLiteral("не могу прочитать %1").arg(path));
    QByteArray bytes = f.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    return QString::fromUtf8(bytes);
}

bool isParadox(const QString& file) {
    return QFileInfo(file).suffix().compare(QLatin1String("db"), Qt::CaseInsensitive) == 0;
}

QVariant cellValue(const QString& cell, const FieldDef& f, int line) {
    if (cell.isEmpty()) return {};
    try {
        QVariant v = engine::Field::convert(cell, f.kind, f.name);
        if (f.kind == FieldKind::Text && cell.size() > f.width)
            throw EngineError(QStringLiteral("текст длиннее %1 символов").arg(f.width));
        return v;
    } catch (const EngineError& e) {
        throw EngineError(QStringLiteral("строка %1, поле %2: %3").arg(line).arg(f.name, e.message()));
    }
}

// The rows after the CSV header as records of the table's fields, each value checked against
// its field (for dBase also whether a number fits its width), the CSV line named on an error.
std::vector<engine::Record> recordsOf(const std::vector<QStringList>& rows,
                                      const std::vector<int>& columnField,
                                      const std::vector<FieldDef>& fields, bool dbase) {
    std::vector<engine::Record> records;
    records.reserve(rows.size());
    for (size_t r = 1; r < rows.size(); ++r) {
        const QStringList& cells = rows[r];
        const int line = static_cast<int>(r + 1);
        if (cells.size() != static_cast<qsizetype>(columnField.size()))
            throw EngineError(QStringLiteral("CSV, строка %1: %2 значений вместо %3")
                                  .arg(line)
                                  .arg(cells.size())
                                  .arg(columnField.size()));
        engine::Record rec(fields.size());
        for (qsizetype c = 0; c < cells.size(); ++c) {
            const FieldDef& f = fields[static_cast<size_t>(columnField[static_cast<size_t>(c)])];
            QVariant& v = rec[static_cast<size_t>(columnField[static_cast<size_t>(c)])];
            v = cellValue(cells[c], f, line);
            const bool number = f.kind == FieldKind::SmallInt || f.kind == FieldKind::Float;
            if (dbase && number && !v.isNull() &&
                engine::formatDbfNumber(v.toDouble(), f.width, f.decimals).empty())
                throw EngineError(
                    QStringLiteral("CSV, строка %1: значение %2 не помещается в поле %3")
                        .arg(line)
                        .arg(cells[c], f.name));
        }
        records.push_back(std::move(rec));
    }
    return records;
}

}  // namespace

Schema parseSchema(const QString& text, bool paradox) {
    Schema schema;
    int lineNo = 0;
    for (QString line : text.split(QLatin1Char('\n'))) {
        ++lineNo;
        const qsizetype hash = line.indexOf(QLatin1Char('#'));
        if (hash >= 0) line.truncate(hash);
        const QStringList w = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (w.isEmpty()) continue;
        auto fail = [&](const QString& why) {
            return EngineError(QStringLiteral("схема, строка %1: %2").arg(lineNo).arg(why));
        };
        if (w[0].compare(QLatin1String("tag"), Qt::CaseInsensitive) == 0) {
            if (w.size() != 3) throw fail(QStringLiteral("ожидается: tag ИМЯ ПОЛЕ"));
            if (paradox) throw fail(QStringLiteral("индексы бывают только у таблиц dBase"));
            schema.tags.push_back({w[1].toUpper(), w[2].toUpper()});
            continue;
        }
        if (w.size() < 2 || w.size() > 4) throw fail(QStringLiteral("ожидается: ИМЯ ТИП [ДЛИНА [ДРОБЬ]]"));
        FieldDef f;
        f.name = w[0];
        bool ok = true;
        if (w.size() > 2) f.width = w[2].toInt(&ok);
        if (!ok || f.width < 0) throw fail(QStringLiteral("неверная длина"));
        if (w.size() > 3) f.decimals = w[3].toInt(&ok);
        if (!ok || f.decimals < 0) throw fail(QStringLiteral("неверное число знаков после точки"));
        const QString type = w[1].toUpper();
        if (type == QLatin1String("C") || type == QLatin1String("A")) {
            f.kind = FieldKind::Text;
            if (f.width < 1) throw fail(QStringLiteral("у текстового поля нужна длина"));
        } else if (type == QLatin1String("S")) {
            f.kind = FieldKind::SmallInt;
        } else if (type == QLatin1String("N") || type == QLatin1String("F")) {
            if (paradox) {
                f.kind = FieldKind::Float;
                f.width = 8;
            } else {
                f.kind = (type == QLatin1String("N") && f.decimals == 0 && f.width > 0 && f.width <= 4)
                             ? FieldKind::SmallInt
                             : FieldKind::Float;
                f.nativeType = type[0].toLatin1();
            }
        } else if (type == QLatin1String("D")) {
            f.kind = FieldKind::Date;
        } else if (type == QLatin1String("L")) {
            f.kind = FieldKind::Boolean;
        } else {
            throw fail(QStringLiteral("неизвестный тип поля \"%1\"").arg(w[1]));
        }
        for (const FieldDef& other : schema.fields)
            if (other.name.compare(f.name, Qt::CaseInsensitive) == 0) throw fail(QStringLiteral("поле %1 указано дважды").arg(f.name));
        schema.fields.push_back(f);
    }
    if (schema.fields.empty()) throw EngineError(QStringLiteral("схема не содержит полей"));
    return schema;
}

std::vector<QStringList> parseCsv(const QString& text) {
    std::vector<QStringList> rows;
    QStringList row;
    QString cell;
    bool quoted = false, cellStarted = false;
    int line = 1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                    cell += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                // The text up to the next quote in one piece.
                qsizetype end = text.indexOf(QLatin1Char('"'), i);
                if (end < 0) end = text.size();
                const QStringView run = QStringView(text).mid(i, end - i);
                line += static_cast<int>(run.count(QLatin1Char('\n')));
                cell += run;
                i = end - 1;
            }
            continue;
        }
        if (c == QLatin1Char('"') && !cellStarted) {
            quoted = cellStarted = true;
        } else if (c == QLatin1Char(',')) {
            row << cell;
            cell.clear();
            cellStarted = false;
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
            ++line;
            row << cell;
            if (!(row.size() == 1 && row[0].isEmpty())) rows.push_back(row);
            row.clear();
            cell.clear();
            cellStarted = false;
        } else {
            // The text up to the end of the cell in one piece (a quote inside it is text).
            qsizetype end = i;
            while (end < text.size() && text[end] != QLatin1Char(',') &&
                   text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r'))
                ++end;
            cell += QStringView(text).mid(i, end - i);
            cellStarted = true;
            i = end - 1;
        }
    }
    if (quoted) throw EngineError(QStringLiteral("CSV: незакрытая кавычка (строка %1)").arg(line));
    if (cellStarted || !row.isEmpty()) {
        row << cell;
        rows.push_back(row);
    }
    return rows;
}

void createTable(const QString& file, const QString& schemaFile, const QString& csvFile) {
    const bool paradox = isParadox(file);
    if (!paradox && QFileInfo(file).suffix().compare(QLatin1String("dbf"), Qt::CaseInsensitive) != 0)
        throw EngineError(QStringLiteral("имя таблицы должно оканчиваться на .dbf или .db: %1").arg(file));
    const Schema schema = parseSchema(readText(schemaFile), paradox);
    std::vector<QStringList> rows = parseCsv(readText(csvFile));

    // Map CSV columns to fields.
    std::vector<int> columnField;
    if (!rows.empty()) {
        for (const QString& header : rows[0]) {
            int found = -1;
            for (size_t i = 0; i < schema.fields.size(); ++i)
                if (schema.fields[i].name.compare(header.trimmed(), Qt::CaseInsensitive) == 0) found = static_cast<int>(i);
            if (found < 0) throw EngineError(QStringLiteral("CSV: столбец \"%1\" не описан в схеме").arg(header));
            columnField.push_back(found);
        }
    }

    // Build in a scratch folder beside the target and move the finished files in.
    const QFileInfo target(file);
    if (!QDir().mkpath(target.absolutePath()))
        throw EngineError(QStringLiteral("не могу создать каталог %1").arg(target.absolutePath()));
    QTemporaryDir scratch(target.absoluteDir().filePath(QStringLiteral(".tabletool-XXXXXX")));
    if (!scratch.isValid()) throw EngineError(QStringLiteral("не могу создать временный каталог"));
    const QString built = scratch.filePath(target.fileName());
    if (paradox) {
        // The table is complete only at its end anyway: one sync when it is written instead
        // of one per row.
        engine::SyncScope bulk(engine::SyncScope::Bulk);
        engine::ParadoxTable::create(built, schema.fields);
        const auto table = engine::ParadoxTable::open(built, true);
        const std::vector<engine::Record> records =
            recordsOf(rows, columnField, table->fields(), false);
        for (size_t r = 0; r < records.size(); ++r) {
            try {
                table->appendRecord(records[r]);
            } catch (const EngineError& e) {
                throw EngineError(QStringLiteral("CSV, строка %1: %2").arg(r + 2).arg(e.message()));
            }
        }
        table->flush();
        bulk.commit();
    } else {
        // All rows in one write of the whole file, synced once, and its index once. The empty
        // table made first is only a step: the table with its rows replaces it whole.
        base::fileio::setSyncing(false);
        try {
            engine::DbfTable::create(built, schema.fields, schema.tags);
        } catch (...) {
            base::fileio::setSyncing(true);
            throw;
        }
        base::fileio::setSyncing(true);
        const auto table = engine::DbfTable::open(built, true);
        const std::vector<engine::Record> records =
            recordsOf(rows, columnField, table->fields(), true);
        std::vector<QStringList>().swap(rows);  // the text is not needed any more
        table->appendRecordsAnew(records);
        table->flush();
    }
    // Move every file made (table and index) over the targets; remove a stale companion
    // index that the new table does not have.
    const QString base = target.completeBaseName();
    const QStringList made = QDir(scratch.path()).entryList(QDir::Files);
    for (const QString& old : target.absoluteDir().entryList({base + QStringLiteral(".*")}, QDir::Files)) {
        bool replaced = false;
        for (const QString& m : made) replaced = replaced || m.compare(old, Qt::CaseInsensitive) == 0;
        if (!replaced && QFileInfo(old).completeBaseName().compare(base, Qt::CaseInsensitive) == 0)
            QFile::remove(target.absoluteDir().filePath(old));
    }
    for (const QString& m : made) {
        const QString existing = base::resolveIgnoringCase(target.absolutePath(), m);
        if (QFileInfo::exists(existing) && QFileInfo(existing).fileName() != m) QFile::remove(existing);
        const QString to = target.absoluteDir().filePath(m);
        if (::rename(QFile::encodeName(scratch.filePath(m)).constData(), QFile::encodeName(to).constData()) != 0)
            throw EngineError(QStringLiteral("не могу записать %1").arg(to));
    }
    base::fileio::syncFolderOf(target.absoluteFilePath());
}

}  // namespace tabletool
