#include "KindListQuery.h"

#include <QFileInfo>
#include <QRegularExpression>

#include "EngineError.h"

namespace engine {

using base::EngineError;

void KindListQuery::setSql(const QStringList& lines) {
    if (isOpen()) throw EngineError(QStringLiteral("Запрос открыт: нельзя сменить текст"));
    sql_ = lines;
}

KindListQuery::Select KindListQuery::parseSelect(const QString& text) {
    static const QRegularExpression shape(
        QStringLiteral(R"(^\s*select\s+(.+?)\s+from\s+("[^"]+"|'[^']+'|[^\s,;"']+)\s*;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    auto fail = [&](const QString& why) {
        return EngineError(QStringLiteral("Неверный запрос \"%1\": %2").arg(text.simplified(), why));
    };
    const QRegularExpressionMatch m = shape.match(text);
    if (!m.hasMatch()) throw fail(QStringLiteral("ожидается select <поля> from <файл>"));
    static const QRegularExpression identifier(QStringLiteral(R"(^[A-Za-z_][A-Za-z0-9_]*$)"));
    Select select;
    for (const QString& part : m.captured(1).split(QLatin1Char(','))) {
        const QString name = part.trimmed();
        if (!identifier.match(name).hasMatch()) throw fail(QStringLiteral("недопустимое поле \"%1\"").arg(name));
        if (select.fields.contains(name, Qt::CaseInsensitive))
            throw fail(QStringLiteral("поле \"%1\" указано дважды").arg(name));
        select.fields << name;
    }
    QString file = m.captured(2);
    if (file.startsWith(QLatin1Char('"')) || file.startsWith(QLatin1Char('\''))) file = file.mid(1, file.size() - 2);
    if (file.contains(QLatin1Char('/')) || file.contains(QLatin1Char('\\')))
        throw fail(QStringLiteral("файл должен лежать в каталоге запроса"));
    if (QFileInfo(file).suffix().compare(QLatin1String("dbf"), Qt::CaseInsensitive) != 0)
        throw fail(QStringLiteral("запрос возможен только к таблице dBase"));
    select.fileName = file;
    return select;
}

void KindListQuery::open() {
    if (isOpen()) return;
    const Select select = parseSelect(sql_.join(QLatin1Char(' ')));
    setTableName(select.fileName);
    selectedFields_ = select.fields;
    Dataset::open();
}

}  // namespace engine
