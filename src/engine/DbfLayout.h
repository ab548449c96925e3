#pragma once

#include <QString>
#include <string_view>
#include <vector>

#include "EngineError.h"
#include "FieldDef.h"

namespace engine {

// What the header of a .DBF says, checked against the file's size: the fields and where
// they lie in a record, the header's record count and how many whole records the file holds.
// The table engine reads every table through it, and tools that stream a file in blocks
// read the header the same way, so both refuse exactly the same damage.
struct DbfLayout {
    std::vector<FieldDef> fields;
    std::vector<int> offsets;       // field offsets inside a record (the flag is byte 0)
    std::vector<TagDef> fieldTags;  // the tags the field descriptors announce
    int headerLength = 0;
    int recordLength = 0;
    long long headerCount = 0;    // the record count the header gives
    long long physicalCount = 0;  // whole records the file holds after the header
    unsigned char languageDriver = 0;
    bool productionIndex = false;  // the header says a production .MDX belongs to the table

    // Reads the layout from the header bytes (at least the header's length of them, or the
    // whole file when it is shorter) of a file of fileSize bytes. Throws a Damaged
    // EngineError naming path and the reason.
    static DbfLayout read(std::string_view header, long long fileSize, const QString& path);

    // The deletion flag of a record: a live or a deleted record, the end-of-file mark of an
    // append that was stopped before its record was let in, or damage.
    enum class Flag { Live, Deleted, EndMark, Damaged };
    static Flag flag(char byte) {
        switch (byte) {
            case ' ':
                return Flag::Live;
            case '*':
                return Flag::Deleted;
            case 0x1A:
                return Flag::EndMark;
            default:
                return Flag::Damaged;
        }
    }
};

// The error of a damaged table file, naming the file and the reason.
base::EngineError damagedTable(const QString& path, const QString& why);

}  // namespace engine
