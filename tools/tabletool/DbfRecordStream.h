#pragma once

#include <QString>
#include <memory>
#include <string_view>

#include "engine/DbfLayout.h"

namespace tabletool {

// Reads the records of a .DBF in blocks, so that memory stays the same whatever the size of
// the file. The header is read and checked as the engine reads it; every deletion flag is
// checked as its block is read. The file is opened read-only for shared use: nothing is
// written, and a program that holds the table exclusively makes the open fail.
class DbfRecordStream {
public:
    explicit DbfRecordStream(const QString& path);
    ~DbfRecordStream();
    DbfRecordStream(const DbfRecordStream&) = delete;
    DbfRecordStream& operator=(const DbfRecordStream&) = delete;

    const engine::DbfLayout& layout() const { return layout_; }
    const QString& path() const { return path_; }
    // The records there are: the header's count, less a last record whose append was stopped
    // before it was let in (known once the stream has read it).
    long long count() const { return count_; }

    // The next block of whole records (recordLength bytes each, flag first) and the number
    // of the first record in it (0-based). False at the end. A record with a bad flag ends
    // the records handed out before it, and the call after them throws a Damaged EngineError;
    // a file that cannot be read throws an EngineError.
    bool next(std::string_view& records, long long& first);

private:
    QString path_;
    int fd_ = -1;
    engine::DbfLayout layout_;
    long long count_ = 0;
    long long read_ = 0;        // records handed out so far
    long long damagedAt_ = -1;  // a record with a bad flag, reported by the next call
    std::unique_ptr<char[]> buffer_;
    size_t blockRecords_ = 0;
};

}  // namespace tabletool
