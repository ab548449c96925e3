#include "Field.h"

#include <cmath>
#include <limits>

#include "Dataset.h"
#include "EngineError.h"

namespace engine {

using base::EngineError;

const QVariant& Field::value() const { return dataset_->fieldValue(*this); }

void Field::setValue(const QVariant& value) { dataset_->setFieldValue(*this, value); }

const FieldDef* Field::fileDef() const {
    return dataset_->fileDefOf(*this);
}

QString Field::textOf(const QVariant& v) {
    if (v.isNull()) return {};
    switch (v.typeId()) {
        case QMetaType::QString: return *static_cast<const QString*>(v.constData());
        case QMetaType::Double: return QString::number(v.toDouble(), 'g', 15);
        case QMetaType::QDate: return v.toDate().toString(QStringLiteral("dd.MM.yyyy"));
        case QMetaType::Bool: return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        default: return v.toString();
    }
}

QString Field::asString() const { return textOf(value()); }

double Field::asFloat() const {
    const QVariant& v = value();
    if (v.isNull()) return 0;
    if (v.typeId() == QMetaType::Double) return *static_cast<const double*>(v.constData());
    if (v.typeId() == QMetaType::Int) return *static_cast<const int*>(v.constData());
    return convert(v, FieldKind::Float, name()).toDouble();
}

int Field::asInteger() const {
    const QVariant& v = value();
    if (v.isNull()) return 0;
    if (v.typeId() == QMetaType::Double) {
        const double d = std::round(v.toDouble());
        if (d < std::numeric_limits<int>::min() || d > std::numeric_limits<int>::max())
            throw EngineError(QStringLiteral("Значение поля %1 вне диапазона целых чисел").arg(name()));
        return static_cast<int>(d);
    }
    if (v.typeId() == QMetaType::Int) return v.toInt();
    return static_cast<int>(std::lround(convert(v, FieldKind::Float, name()).toDouble()));
}

bool Field::asBoolean() const {
    const QVariant& v = value();
    if (v.isNull()) return false;
    return convert(v, FieldKind::Boolean, name()).toBool();
}

QDate Field::asDate() const {
    const QVariant& v = value();
    if (v.isNull()) return {};
    if (v.typeId() == QMetaType::QDate) return *static_cast<const QDate*>(v.constData());
    return convert(v, FieldKind::Date, name()).toDate();
}

namespace {

// Parses a number typed by a person or written by another program: blanks (also
// non-breaking ones) as thousands groups, '.' or ',' as the decimal point.
bool parseNumberText(QString text, double* out) {
    text.remove(QLatin1Char(' '));
    text.remove(QChar(0x00A0));
    text.remove(QChar(0x202F));
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    *out = text.toDouble(&ok);
    return ok && std::isfinite(*out);
}

QDate parseDateText(const QString& text) {
    const QString t = text.trimmed();
    for (const char* pattern : {"dd.MM.yyyy", "d.M.yyyy", "yyyy-MM-dd", "yyyyMMdd", "dd.MM.yy"}) {
        QDate d = QDate::fromString(t, QString::fromLatin1(pattern));
        if (d.isValid()) return d;
    }
    return {};
}

}  // namespace

QVariant Field::convert(const QVariant& v, FieldKind kind, const QString& fieldName) {
    if (v.isNull()) return {};
    const int type = v.typeId();
    const bool isText = type == QMetaType::QString;
    if (isText && kind != FieldKind::Text && v.toString().trimmed().isEmpty()) return {};
    auto fail = [&](const QString& what) -> EngineError {
        return EngineError(QStringLiteral("\"%1\" — %2 (поле %3)").arg(textOf(v), what, fieldName));
    };
    switch (kind) {
        case FieldKind::Text: {
            QString s = textOf(v);
            if (s.isEmpty()) return {};
            return s;
        }
        case FieldKind::SmallInt: {
            double d = 0;
            if (isText) {
                if (!parseNumberText(v.toString(), &d) || d != std::floor(d))
                    throw fail(QStringLiteral("недопустимое целое число"));
            } else if (type == QMetaType::Int || type == QMetaType::Double || type == QMetaType::LongLong ||
                       type == QMetaType::UInt || type == QMetaType::Short) {
                d = std::round(v.toDouble());
            } else {
                throw fail(QStringLiteral("недопустимое целое число"));
            }
            if (d < -32768 || d > 32767) throw fail(QStringLiteral("число вне диапазона -32768..32767"));
            return static_cast<int>(d);
        }
        case FieldKind::Float: {
            double d = 0;
            if (isText) {
                if (!parseNumberText(v.toString(), &d)) throw fail(QStringLiteral("недопустимое число"));
            } else if (type == QMetaType::Int || type == QMetaType::Double || type == QMetaType::LongLong ||
                       type == QMetaType::UInt || type == QMetaType::Short || type == QMetaType::Float) {
                d = v.toDouble();
                if (!std::isfinite(d)) throw fail(QStringLiteral("недопустимое число"));
            } else {
                throw fail(QStringLiteral("недопустимое число"));
            }
            return d;
        }
        case FieldKind::Date: {
            if (type == QMetaType::QDate) {
                if (!v.toDate().isValid()) return {};
                return v;
            }
            if (type == QMetaType::QDateTime) return v.toDateTime().date();
            if (isText) {
                QDate d = parseDateText(v.toString());
                if (!d.isValid()) throw fail(QStringLiteral("недопустимая дата"));
                return d;
            }
            throw fail(QStringLiteral("недопустимая дата"));
        }
        case FieldKind::Boolean: {
            if (type == QMetaType::Bool) return v;
            if (type == QMetaType::Int || type == QMetaType::Double) return v.toDouble() != 0;
            if (isText) {
                const QString t = v.toString().trimmed().toUpper();
                if (t == QLatin1String("TRUE") || t == QLatin1String("T") || t == QLatin1String("Y") ||
                    t == QLatin1String("1") || t == QStringLiteral("ДА"))
                    return true;
                if (t == QLatin1String("FALSE") || t == QLatin1String("F") || t == QLatin1String("N") ||
                    t == QLatin1String("0") || t == QStringLiteral("НЕТ"))
                    return false;
            }
            throw fail(QStringLiteral("недопустимое логическое значение"));
        }
    }
    return {};
}

}  // namespace engine
