#pragma once

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "ByteBuffer.h"
#include "FileStamp.h"
#include "TableFile.h"

namespace base {
class ChangeLock;
class Codec;
}  // namespace base

namespace engine {

// A genuine dBase IV table (.DBF, version 0x03) with its production index (.MDX).
// The file is read into memory when opened and after another process changed it; every
// change is written to the file at once and synced, under a lock that keeps other
// processes' changes apart. An append writes the record still marked as the end of the
// file, then the header's record count, then turns the mark into a live flag, so that a
// crash leaves the table with or without the record, never half of it. Index order is built
// from the data, never from a possibly stale .MDX, and the .MDX is written anew (a missing
// or damaged one rebuilt) when the table is opened, closed, packed or flushed after a change.
class DbfTable : public TableFile {
public:
    ~DbfTable() override;

    static std::shared_ptr<DbfTable> open(const QString& path, bool exclusive);
    // Creates a new empty table in Windows-1251 with the given tags (their .MDX too).
    static void create(const QString& path, const std::vector<FieldDef>& fields,
                       const std::vector<TagDef>& tags);

    Format format() const override { return Format::DBase; }
    const std::vector<FieldDef>& fields() const override { return fields_; }
    const base::Codec& textCodec() const override { return *codec_; }
    int slotCount() const override { return count_; }
    bool isDeleted(int slot) const override;
    QVariant value(int slot, int field) const override;
    void writeRecord(int slot, const Record& values) override;
    int appendRecord(const Record& values) override;
    void deleteRecord(int slot) override;
    void pack() override;
    // Appends many records at once: the table is written anew beside the old one with the
    // new records after the old ones and takes its place whole, as a pack does, so that a
    // crash leaves it with all of them or none, for one sync. Needs exclusive use.
    void appendRecordsAnew(const std::vector<Record>& rows);
    void flush() override;
    bool reloadIfChangedOnDisk() override;
    std::vector<TagDef> tags() const override { return tags_; }
    bool indexFileMissing() const override { return mdxMissing_; }

    // The raw bytes of a field as stored (for index keys and filters).
    std::string_view rawField(int slot, int field) const;

private:
    DbfTable(QString path, bool exclusive);
    void load();
    void parse(base::ByteBuffer bytes);
    // Removes stale temporaries and rebuilds a missing or damaged index, when no other
    // process is changing the table.
    void tidyUp();
    bool followReplacedFile();
    // True when the table's name now leads to another file than the one held open.
    bool replacedOnDisk() const;
    bool changedOnDisk() const;
    void requireWritable() const override;
    bool lockAndCatchUp() override;
    void releaseChangeLock() override;
    void reloadAfterFailedWrite() override;
    std::string encodeRecord(const Record& values, char flag) const;
    void writeAt(long long offset, std::string_view bytes);
    std::string headerCountBytes(long long count) const;
    void stampDate();
    void requireExclusiveWrite() const;
    // Puts a new image of the file (header and records, count records) in the table's place.
    void replaceWith(std::string image, int count);
    void rememberFileState() override;
    void writeIndex();
    void syncData() override;
    const char* recordPtr(int slot) const;

    int fd_ = -1;
    std::unique_ptr<base::ChangeLock> changeLock_;  // held while a change is written
    base::ByteBuffer data_;  // the whole file as read, kept in step with every write
    std::vector<FieldDef> fields_;
    std::vector<int> offsets_;  // field offsets inside a record
    std::vector<TagDef> tags_;
    const base::Codec* codec_ = nullptr;
    int headerLength_ = 0;
    int recordLength_ = 0;
    int count_ = 0;            // records there are
    long long diskCount_ = 0;  // the header's count as last read or written
    bool indexDirty_ = false;
    bool rebuildIndex_ = false;  // the index file is missing or damaged and can be rebuilt
    bool mdxMissing_ = false;
    QString mdxPath_;
    base::FileStamp stamp_;  // the file as last read or written
};

// Formats a number for a dBase N/F field of the given width and decimals: right-aligned,
// '.' as the point, rounded half away from zero. Empty when it does not fit.
std::string formatDbfNumber(double value, int width, int decimals);

}  // namespace engine
