#pragma once

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "ByteBuffer.h"
#include "TableFile.h"

namespace engine {

class Codec;

// A genuine dBase IV table (.DBF, version 0x03) with its production index (.MDX).
// The file is read into memory when opened and after another process changed it; every
// change is written to the file at once: an append writes the record first, then the end
// mark and the header's record count. Index order is built from the data, never from a
// possibly stale .MDX, and the .MDX is written anew when the table is closed, packed or
// flushed after a change.
class DbfTable : public TableFile {
public:
    ~DbfTable() override;

    static std::shared_ptr<DbfTable> open(const QString& path, bool exclusive);
    // Creates a new empty table in Windows-1251 with the given tags (their .MDX too).
    static void create(const QString& path, const std::vector<FieldDef>& fields,
                       const std::vector<TagDef>& tags);

    Format format() const override { return Format::DBase; }
    const std::vector<FieldDef>& fields() const override { return fields_; }
    int slotCount() const override { return count_; }
    bool isDeleted(int slot) const override;
    QVariant value(int slot, int field) const override;
    void writeRecord(int slot, const Record& values) override;
    int appendRecord(const Record& values) override;
    void deleteRecord(int slot) override;
    void pack() override;
    void flush() override;
    bool reloadIfChangedOnDisk() override;
    std::vector<TagDef> tags() const override { return tags_; }
    bool indexFileMissing() const override { return mdxMissing_; }

    // The raw bytes of a field as stored (for index keys and filters).
    std::string_view rawField(int slot, int field) const;

private:
    DbfTable(QString path, bool exclusive);
    void load();
    void parse(ByteBuffer bytes);
    std::string encodeRecord(const Record& values, char flag) const;
    void writeAt(long long offset, const std::string& bytes);
    void writeHeaderCount();
    void rememberFileState();
    void writeIndex();
    const char* recordPtr(int slot) const;

    int fd_ = -1;
    ByteBuffer data_;  // the whole file as read, kept in step with every write
    std::vector<FieldDef> fields_;
    std::vector<int> offsets_;  // field offsets inside a record
    std::vector<TagDef> tags_;
    const Codec* codec_ = nullptr;
    int headerLength_ = 0;
    int recordLength_ = 0;
    int count_ = 0;
    bool indexDirty_ = false;
    bool mdxMissing_ = false;
    QString mdxPath_;
    struct FileState {
        long long size = -1, mtimeNs = -1, ctimeNs = -1, inode = -1;
    } state_;
};

// Formats a number for a dBase N/F field of the given width and decimals: right-aligned,
// '.' as the point, rounded half away from zero. Empty when it does not fit.
std::string formatDbfNumber(double value, int width, int decimals);

}  // namespace engine
