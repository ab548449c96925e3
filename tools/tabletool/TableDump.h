#pragma once

#include <QString>
#include <functional>
#include <string_view>

namespace tabletool {

// Receives the dump's text in blocks; throws when it cannot take them.
using TextSink = std::function<void(std::string_view)>;

// Writes every record of a table (.dbf or .db) as UTF-8 CSV: a header row "deleted" and the
// field names, then one row per record with '*' first for a deleted record. A dBase number
// is the text stored in the file (without its padding), a date is YYYY-MM-DD, a logical is
// T or F, a blank field is empty. A dBase table is read in blocks, so memory stays the same
// whatever its size. Throws EngineError; a damaged record stops the dump with the records
// before it written.
void dumpTable(const QString& file, const TextSink& sink);

}  // namespace tabletool
