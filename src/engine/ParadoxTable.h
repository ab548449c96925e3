#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "TableFile.h"

namespace engine {

// A Paradox (.db) table read and written through pxlib. Rows are held in memory; every
// change is written to the file at once. New rows always go to the end of the table, so
// table order stays the order rows were added. Texts are stored in Windows-1251.
class ParadoxTable : public TableFile {
public:
    ~ParadoxTable() override;

    // Opens an existing table. The header is checked before pxlib sees it, so a damaged
    // file is an EngineError, never a crash or a hang.
    static std::shared_ptr<ParadoxTable> open(const QString& path, bool exclusive);
    // Creates a new empty table (fails when the file exists). Kinds map to Alpha,
    // Short, Number, Date and Logical; a text field's width is its Alpha length.
    static void create(const QString& path, const std::vector<FieldDef>& fields);

    Format format() const override { return Format::Paradox; }
    const std::vector<FieldDef>& fields() const override;
    const base::Codec& textCodec() const override;
    int slotCount() const override;
    bool isDeleted(int slot) const override;
    QVariant value(int slot, int field) const override;
    void writeRecord(int slot, const Record& values) override;
    int appendRecord(const Record& values) override;
    int appendRecords(const std::vector<Record>& records) override;
    void deleteRecord(int slot) override;
    void pack() override;
    void flush() override;
    bool reloadIfChangedOnDisk() override;

private:
    ParadoxTable(QString path, bool exclusive);
    void syncData() override;
    void requireWritable() const override;
    bool lockAndCatchUp() override;
    void releaseChangeLock() override;
    void reloadAfterFailedWrite() override;
    void rememberFileState() override;
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace engine
