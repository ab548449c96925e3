#pragma once

#include <QString>

namespace tabletool {

// Checks a table file (.dbf with its production .MDX, or .db) as the engine reads it, and
// more strictly where other programs read what the engine would mend: for dBase the header
// against the file's size, every deletion flag, and every tag of the .MDX walked and compared
// with the records (each record once, each key the record's, keys in order); for Paradox the
// header, the block chain and every value. Returns a one-line summary of a sound table;
// throws EngineError with the reason of the first damage found. Writes nothing.
QString checkTable(const QString& file);

}  // namespace tabletool
