#pragma once

#include <QDate>
#include <QString>
#include <string>
#include <vector>

namespace engine {

// The production index of a dBase table as a genuine dBase IV .MDX file (512-byte pages,
// 1024-byte blocks, one tag header per tag, B-trees whose leaves carry 1-based record
// numbers). The engine keeps index order in memory and writes the whole file anew when the
// table is closed, packed or flushed; it reads an .MDX only to learn which tags exist.
class MdxIndex {
public:
    struct TagInfo {
        QString name;        // tag name, upper case
        QString expression;  // key expression as stored (a field name for our tags)
        char keyType = 'C';  // 'C', 'N' or 'D'
        int keyLength = 0;   // C: the field width; N: 12; D: 8
    };

    // One tag to write: its definition and the key source of every record in record order
    // (deleted records too). A key source is the field's bytes exactly as stored in the
    // .DBF record: padded text for C, the decimal text for N/F, "YYYYMMDD" or blanks for D.
    struct TagData {
        TagInfo info;
        std::vector<std::string> fieldTexts;
    };

    // Reads the tag definitions. Throws EngineError when the file is missing or damaged;
    // never reads outside the file whatever its bytes say.
    static std::vector<TagInfo> readTags(const QString& path);

    // Writes a complete .MDX for the table whose base name is given (no folder, no
    // extension), dated `date`. Writes a new file and renames it over the old one.
    static void write(const QString& path, const QString& tableBaseName,
                      const std::vector<TagData>& tags, const QDate& date);

    // The same file image in memory (used by write and by tests).
    static std::string build(const QString& tableBaseName, const std::vector<TagData>& tags,
                             const QDate& date);

    // Walks a tag in key order: (1-based record number, raw key bytes) per leaf entry.
    // For checks and tools. Throws EngineError on a damaged file or unknown tag.
    struct Entry {
        int record = 0;
        std::string key;
    };
    static std::vector<Entry> walk(const QString& path, const QString& tagName);

    // Compares two raw keys of a tag of the given key type ('C', 'N' or 'D') in the tag's
    // order: negative, zero or positive. For checks of a walked tag.
    static int compareKeys(char keyType, std::string_view a, std::string_view b);

    // Key encodings of dBase IV.
    static std::string numericKey(std::string_view fieldText);  // 12-byte BCD
    static std::string dateKey(std::string_view fieldText);     // 8-byte double Julian day
};

}  // namespace engine
