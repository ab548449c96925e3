#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The header of a Paradox (.db) table: where its parts lie, and the parser that checks a
// header's bytes before anything trusts them. No file I/O here, so the parser can be fuzzed
// alone.
namespace engine::paradox {

// The fixed part of the header (little-endian).
constexpr size_t kOffRecordSize = 0x00;
constexpr size_t kOffHeaderSize = 0x02;
constexpr size_t kOffFileType = 0x04;
constexpr size_t kOffBlockKb = 0x05;
constexpr size_t kOffNumRecords = 0x06;
constexpr size_t kOffNextBlock = 0x0A;
constexpr size_t kOffFileBlocks = 0x0C;
constexpr size_t kOffFirstBlock = 0x0E;
constexpr size_t kOffLastBlock = 0x10;
constexpr size_t kOffNumFields = 0x21;
constexpr size_t kOffEncryption1 = 0x25;
constexpr size_t kOffVersion = 0x39;
constexpr size_t kOffMaxBlocks = 0x3A;
constexpr size_t kBaseHeaderSize = 0x58;
// The data header that tables of format 4.0 and later carry after the fixed part.
constexpr size_t kOffEncryption2 = 0x5C;
constexpr size_t kOffUpdateTime = 0x60;
constexpr size_t kOffCodePage = 0x6A;
constexpr size_t kDataHeaderEnd = 0x78;

constexpr int kBlockHeaderSize = 6;  // next block, previous block, offset of the last record

inline unsigned rd8(const std::string& b, size_t off) {
    return static_cast<unsigned char>(b[off]);
}
inline unsigned rd16(const std::string& b, size_t off) {
    return rd8(b, off) | (rd8(b, off + 1) << 8);
}
inline int rd16s(const std::string& b, size_t off) {
    return static_cast<int16_t>(rd16(b, off));
}
inline uint32_t rd32(const std::string& b, size_t off) {
    return static_cast<uint32_t>(rd16(b, off)) | (static_cast<uint32_t>(rd16(b, off + 2)) << 16);
}

struct RawField {
    int type = 0;      // pxlib's field type (pxfAlpha, ...)
    int length = 0;    // bytes in the record
    std::string name;  // as stored, in the table's code page
};

struct HeaderInfo {
    int recordSize = 0;
    int headerSize = 0;
    int fileType = 0;
    int blockSize = 0;
    int recordsPerBlock = 0;
    int numRecords = 0;
    int fileBlocks = 0;
    int firstBlock = 0;
    int lastBlock = 0;
    int version = 0;
    bool dataHeader = false;
    size_t fixedSize = 0;  // fixed part plus data header: the bytes rewritten on every change
    int codePage = 0;
    std::vector<RawField> fields;
};

// Parses and checks the header at the start of bytes against the size of the whole file.
// Every offset is checked against the bytes given and the file size before it is used.
// Returns an empty string when the header is sound, else the reason (h is then partly filled).
QString parseHeader(const std::string& bytes, long long fileSize, HeaderInfo& h);

}  // namespace engine::paradox
