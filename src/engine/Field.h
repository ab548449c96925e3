#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

#include "FieldDef.h"

namespace engine {

class Dataset;

// What a view declares about one of its fields: the field it expects in the file (or a
// calculated field it fills itself) and how the screen shows and edits it.
struct FieldSpec {
    QString name;
    FieldKind kind = FieldKind::Text;
    int size = 0;  // text width in characters; 0 = take the file's
    bool calculated = false;
    QString displayFormat = {};
    QString editFormat = {};
    QString editMask = {};
};

// One field of a view's current record. Reading converts the value to the kind asked for;
// writing converts to the field's kind and fails with an EngineError when that is not
// possible. A blank value is null: it reads as empty text, 0, false or an invalid date.
class Field {
public:
    Field(Dataset& dataset, FieldSpec spec) : dataset_(&dataset), spec_(std::move(spec)) {}

    const QString& name() const { return spec_.name; }
    FieldKind kind() const { return spec_.kind; }
    int size() const { return spec_.size; }
    bool isCalculated() const { return spec_.calculated; }
    const QString& displayFormat() const { return spec_.displayFormat; }
    const QString& editFormat() const { return spec_.editFormat; }
    const QString& editMask() const { return spec_.editMask; }
    const FieldSpec& spec() const { return spec_; }
    // The field as the table file defines it (its width, a dBase number's decimals); null for
    // a calculated field and while the view is closed.
    const FieldDef* fileDef() const;
    Dataset& dataset() const { return *dataset_; }

    bool isNull() const { return value().isNull(); }
    // The value in the current record buffer; valid until the view moves or the field changes.
    const QVariant& value() const;
    QString asString() const;
    double asFloat() const;
    int asInteger() const;
    bool asBoolean() const;
    QDate asDate() const;

    void setValue(const QVariant& value);
    void setAsString(const QString& text) { setValue(text); }
    void setAsFloat(double v) { setValue(v); }
    void setAsInteger(int v) { setValue(v); }
    void setAsBoolean(bool v) { setValue(v); }
    void setAsDate(const QDate& d) { setValue(d); }
    void clear() { setValue(QVariant()); }
    // Takes the value of a field of another view, converting it to this field's kind.
    void assign(const Field& source) { setValue(source.value()); }

    // Converts a value to a kind as field assignment does. Throws EngineError.
    static QVariant convert(const QVariant& value, FieldKind kind, const QString& fieldName);
    // The text of a value as asString gives it.
    static QString textOf(const QVariant& value);

private:
    friend class Dataset;
    Dataset* dataset_;
    FieldSpec spec_;
    int index_ = -1;     // position in the view's record buffer
    int physical_ = -1;  // position in the table file, -1 for calculated fields
};

}  // namespace engine
