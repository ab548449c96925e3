#pragma once

#include <QStringList>

#include "Dataset.h"

namespace engine {

// A read-only query of the one shape the program uses:
//   select FIELD, FIELD, ... from FILE.DBF
// over a dBase file in the view's folder. Its records are the file's live records in
// natural order with the selected fields. Any other text is a clear error at open.
class KindListQuery : public Dataset {
public:
    explicit KindListQuery(QString name = {}) : Dataset(std::move(name)) { readOnly_ = true; }

    void setSql(const QStringList& lines);
    const QStringList& sql() const { return sql_; }
    bool isPlainTable() const override { return false; }
    void open() override;

    struct Select {
        QStringList fields;
        QString fileName;
    };
    // Parses the select text; throws EngineError for anything but a field list and one file.
    static Select parseSelect(const QString& text);

private:
    QStringList sql_;
};

}  // namespace engine
