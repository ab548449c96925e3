#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "engine/FieldDef.h"

namespace tabletool {

struct Schema {
    std::vector<engine::FieldDef> fields;
    std::vector<engine::TagDef> tags;
};

// Parses a schema text for a dBase (paradox = false) or Paradox table. Throws EngineError.
Schema parseSchema(const QString& text, bool paradox);
// Splits UTF-8 CSV text into rows of cells (RFC 4180 quoting). Throws EngineError.
std::vector<QStringList> parseCsv(const QString& text);
// Creates the table file (and its index) from a schema file and a CSV file. The files
// appear under their names only when all rows were written.
void createTable(const QString& file, const QString& schemaFile, const QString& csvFile);

}  // namespace tabletool
