#include "TableFile.h"

#include <QDate>
#include <algorithm>

#include "Codec.h"
#include "EngineError.h"

namespace engine {

QString fieldKindName(FieldKind kind) {
    switch (kind) {
        case FieldKind::Text: return QStringLiteral("text");
        case FieldKind::SmallInt: return QStringLiteral("small integer");
        case FieldKind::Float: return QStringLiteral("float");
        case FieldKind::Date: return QStringLiteral("date");
        case FieldKind::Boolean: return QStringLiteral("boolean");
    }
    return {};
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

std::vector<int> TableFile::tagOrder(const QString& tagName) const {
    QString expression;
    bool found = false;
    for (const TagDef& t : tags()) {
        if (t.name.compare(tagName, Qt::CaseInsensitive) == 0) {
            expression = t.expression;
            found = true;
            break;
        }
    }
    if (!found)
        throw EngineError(QStringLiteral("Индекс \"%1\" не найден в таблице %2").arg(tagName, path_));
    int field = fieldIndex(expression);
    if (field < 0)
        throw EngineError(QStringLiteral("Индекс \"%1\": поле \"%2\" не найдено в таблице %3")
                              .arg(tagName, expression, path_));

    const int n = slotCount();
    std::vector<int> order(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) order[static_cast<size_t>(i)] = i;
    switch (fields()[static_cast<size_t>(field)].kind) {
        case FieldKind::Text: {
            // Character keys sort by their bytes in the table's code page.
            std::vector<std::string> keys(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i)
                keys[static_cast<size_t>(i)] = Codec::cp1251().encode(value(i, field).toString());
            std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
                return keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)];
            });
            break;
        }
        case FieldKind::Date: {
            // Blank dates sort after every real date.
            std::vector<double> keys(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i) {
                QVariant v = value(i, field);
                keys[static_cast<size_t>(i)] =
                    v.isNull() ? 1e100 : static_cast<double>(v.toDate().toJulianDay());
            }
            std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
                return keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)];
            });
            break;
        }
        default: {
            // Numbers (a blank counts as 0); booleans false before true.
            std::vector<double> keys(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i) keys[static_cast<size_t>(i)] = value(i, field).toDouble();
            std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
                return keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)];
            });
            break;
        }
    }
    return order;
}

}  // namespace engine
