#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FieldDef.h"

namespace base {
class Codec;
}

namespace engine {

// One physical table file (with its companion files), shared by every view over it in
// this process. Records live in numbered slots 0..slotCount()-1 in table order; a deleted
// slot stays until the next pack (dBase) or until the file is next loaded (Paradox, whose
// rows are removed from the file at once). Every change is written to the file at once.
class TableFile {
public:
    enum class Format { DBase, Paradox };

    virtual ~TableFile();

    const QString& path() const { return path_; }
    bool exclusive() const { return exclusive_; }
    bool readOnly() const { return readOnly_; }
    virtual Format format() const = 0;

    virtual const std::vector<FieldDef>& fields() const = 0;
    // The code page of the table's texts.
    virtual const base::Codec& textCodec() const = 0;
    // Index of a field by name ignoring case, or -1.
    int fieldIndex(const QString& name) const;

    virtual int slotCount() const = 0;
    virtual bool isDeleted(int slot) const = 0;
    virtual QVariant value(int slot, int field) const = 0;
    virtual Record record(int slot) const;

    // Values are converted to the field's kind; text is clipped to the field width;
    // a number that does not fit its field, or a text with a character the table's code page
    // lacks, is an EngineError and nothing is written.
    virtual void writeRecord(int slot, const Record& values) = 0;
    virtual int appendRecord(const Record& values) = 0;
    // Appends several records as one change: for a long list, the ordering of the writes costs
    // one sync for all of them instead of one each. Returns the slot of the first.
    virtual int appendRecords(const std::vector<Record>& records);
    virtual void deleteRecord(int slot) = 0;

    // Removes deleted records physically and rebuilds every index. Needs exclusive use.
    virtual void pack() = 0;
    // Writes everything held in memory (indexes) to disk.
    virtual void flush() = 0;
    // Reloads the file when another process changed it since it was read. True if reloaded.
    virtual bool reloadIfChangedOnDisk() = 0;

    virtual std::vector<TagDef> tags() const { return {}; }
    // True when the table says it has an index file and that file is missing.
    virtual bool indexFileMissing() const { return false; }
    // All slots (deleted ones too) in the key order of a tag: key ascending, then slot.
    // Throws EngineError when the table has no such tag. Kept until the next change.
    std::vector<int> tagOrder(const QString& tagName) const;

    // The key of a slot under a tag, comparable with other keys of the same tag.
    struct TagKey {
        std::string text;   // character keys: the bytes in the table's code page
        double number = 0;  // numeric keys (a blank is 0) and dates (a blank sorts last)
        bool operator<(const TagKey& o) const {
            return text != o.text ? text < o.text : number < o.number;
        }
    };
    TagKey tagKey(const QString& tagName, int slot) const;

    // Bumped by every change of slots or values, so views know when to rebuild.
    uint64_t generation() const { return generation_; }

    // Makes what was written to the file durable now (its data sync), if anything was.
    void syncWritten();

protected:
    TableFile(QString path, bool exclusive) : path_(std::move(path)), exclusive_(exclusive) {}
    void changed() { ++generation_; }
    // After a change: its data is synced at once, or when the outermost SyncScope ends.
    void written();
    // Between writes whose order must survive a power loss: syncs at once (a bulk SyncScope
    // leaves it to its end).
    void orderWrites();
    virtual void syncData() = 0;

    // Runs one change of the file: takes the change lock, reads the file again when another
    // process changed it since it was read, applies the change and notes the file's state
    // after it. A change that names slots (needsSameSlots) is refused once the file was read
    // again, since a slot may now hold another row. Values are checked before this is called:
    // a failure inside is a failed write, after which the file is read again, so that memory
    // says what the file says. Either way views learn that the table changed.
    void writeUnderLock(const std::function<void()>& apply, bool needsSameSlots = false);
    // The steps of that sequence each format takes in its own way.
    // Throws when the table cannot be changed.
    virtual void requireWritable() const = 0;
    // Takes the change lock, held until releaseChangeLock(), and reads the file again when
    // another process changed it; true when it was read again.
    virtual bool lockAndCatchUp() = 0;
    virtual void releaseChangeLock() = 0;
    // Reads the file again after a failed write.
    virtual void reloadAfterFailedWrite() = 0;
    // Notes the state of the file after a write, so that only other processes' changes count.
    virtual void rememberFileState() = 0;

    QString path_;
    bool exclusive_ = false;
    bool readOnly_ = false;

private:
    int tagField(const QString& tagName) const;
    void syncNowOrLater(bool later);
    TagKey keyOf(int field, int slot) const;

    uint64_t generation_ = 1;
    bool unsynced_ = false;  // written since the last data sync
    struct CachedOrder {
        uint64_t generation = 0;
        std::vector<int> order;
    };
    mutable std::map<QString, CachedOrder> orderCache_;
};

}  // namespace engine
