#include "ParadoxHeader.h"

// pxlib's header has no C++ guard of its own; only its type constants are used here.
extern "C" {
#include <paradox.h>
}

namespace engine::paradox {
namespace {

constexpr uint32_t kEncryptionInDataHeader = 0xFF00FF00u;

// Bytes a field of the type occupies given the size byte of its descriptor, or -1 when the
// type is unknown or the size impossible for it.
int fieldLength(int type, int size) {
    switch (type) {
        case pxfAlpha:
        case pxfBytes:
            return size >= 1 ? size : -1;
        case pxfDate:
        case pxfLong:
        case pxfTime:
        case pxfAutoInc:
            return size == 4 ? 4 : -1;
        case pxfShort:
            return size == 2 ? 2 : -1;
        case pxfCurrency:
        case pxfNumber:
        case pxfTimestamp:
            return size == 8 ? 8 : -1;
        case pxfLogical:
            return size == 1 ? 1 : -1;
        case pxfMemoBLOb:
        case pxfBLOb:
        case pxfFmtMemoBLOb:
        case pxfOLE:
        case pxfGraphic:
            return size >= 10 ? size : -1;
        case pxfBCD:
            return size <= 32 ? 17 : -1;  // the size byte holds the decimals
        default:
            return -1;
    }
}

}  // namespace

QString parseHeader(const std::string& bytes, long long fileSize, HeaderInfo& h) {
    if (fileSize < static_cast<long long>(kBaseHeaderSize) || bytes.size() < kBaseHeaderSize)
        return QStringLiteral("файл короче заголовка");
    h.fileType = static_cast<int>(rd8(bytes, kOffFileType));
    if (h.fileType != pxfFileTypIndexDB && h.fileType != pxfFileTypNonIndexDB)
        return QStringLiteral("не таблица Paradox, тип файла %1").arg(h.fileType);
    const int blockKb = static_cast<int>(rd8(bytes, kOffBlockKb));
    if (blockKb < 1 || blockKb > 32) return QStringLiteral("размер блока %1 КБ").arg(blockKb);
    h.blockSize = blockKb * 1024;
    h.version = static_cast<int>(rd8(bytes, kOffVersion));
    if (h.version < 3 || h.version > 12)
        return QStringLiteral("неизвестная версия формата %1").arg(h.version);
    h.dataHeader = h.version >= 5;
    h.fixedSize = h.dataHeader ? kDataHeaderEnd : kBaseHeaderSize;

    h.recordSize = static_cast<int>(rd16(bytes, kOffRecordSize));
    if (h.recordSize < 1 || h.recordSize > h.blockSize - kBlockHeaderSize)
        return QStringLiteral("размер записи %1").arg(h.recordSize);
    h.recordsPerBlock = (h.blockSize - kBlockHeaderSize) / h.recordSize;
    h.headerSize = static_cast<int>(rd16(bytes, kOffHeaderSize));
    if (h.headerSize < static_cast<int>(h.fixedSize))
        return QStringLiteral("размер заголовка %1").arg(h.headerSize);
    if (h.headerSize > fileSize) return QStringLiteral("файл короче заголовка");
    if (bytes.size() < static_cast<size_t>(h.headerSize))
        return QStringLiteral("заголовок прочитан не полностью");

    const uint32_t encryption1 = rd32(bytes, kOffEncryption1);
    if (encryption1 == kEncryptionInDataHeader) {
        if (!h.dataHeader) return QStringLiteral("неизвестная защита таблицы");
    } else if (encryption1 != 0) {
        return QStringLiteral("таблица защищена паролем");
    }
    if (h.dataHeader && rd32(bytes, kOffEncryption2) != 0)
        return QStringLiteral("таблица защищена паролем");
    h.codePage = h.dataHeader ? static_cast<int>(rd16(bytes, kOffCodePage)) : 0;

    const int numFields = rd16s(bytes, kOffNumFields);
    if (numFields < 1 || numFields > 255) return QStringLiteral("число полей %1").arg(numFields);
    const size_t headerEnd = static_cast<size_t>(h.headerSize);
    size_t pos = h.fixedSize;
    if (pos + static_cast<size_t>(numFields) * 2 > headerEnd)
        return QStringLiteral("описания полей за пределами заголовка");
    long long recordBytes = 0;
    h.fields.resize(static_cast<size_t>(numFields));
    for (RawField& f : h.fields) {
        f.type = static_cast<int>(rd8(bytes, pos));
        const int size = static_cast<int>(rd8(bytes, pos + 1));
        pos += 2;
        f.length = fieldLength(f.type, size);
        if (f.length < 0)
            return QStringLiteral("поле %1: тип 0x%2, размер %3")
                .arg(&f - h.fields.data() + 1)
                .arg(f.type, 2, 16, QLatin1Char('0'))
                .arg(size);
        recordBytes += f.length;
    }
    if (recordBytes != h.recordSize)
        return QStringLiteral("поля занимают %1 байт, запись %2")
            .arg(recordBytes)
            .arg(h.recordSize);

    // Then: the table name pointer, one pointer per field name, the table name, the names.
    const size_t tableNameLength = h.version >= 12 ? 261 : 79;
    pos += 4 + static_cast<size_t>(numFields) * 4 + tableNameLength;
    for (RawField& f : h.fields) {
        if (pos >= headerEnd) return QStringLiteral("имена полей за пределами заголовка");
        const size_t end = bytes.find('\0', pos);
        if (end == std::string::npos || end >= headerEnd)
            return QStringLiteral("имена полей за пределами заголовка");
        if (end == pos) return QStringLiteral("пустое имя поля");
        f.name = bytes.substr(pos, end - pos);
        pos = end + 1;
    }

    h.numRecords = static_cast<int32_t>(rd32(bytes, kOffNumRecords));
    h.fileBlocks = static_cast<int>(rd16(bytes, kOffFileBlocks));
    h.firstBlock = static_cast<int>(rd16(bytes, kOffFirstBlock));
    h.lastBlock = static_cast<int>(rd16(bytes, kOffLastBlock));
    if (h.headerSize + static_cast<long long>(h.fileBlocks) * h.blockSize > fileSize)
        return QStringLiteral("файл короче %1 блоков данных").arg(h.fileBlocks);
    if (h.numRecords < 0 || static_cast<long long>(h.numRecords) >
                                static_cast<long long>(h.fileBlocks) * h.recordsPerBlock)
        return QStringLiteral("число записей %1 не помещается в %2 блоков")
            .arg(h.numRecords)
            .arg(h.fileBlocks);
    if (h.firstBlock > h.fileBlocks || h.lastBlock > h.fileBlocks)
        return QStringLiteral("номер блока за пределами файла");
    if (h.numRecords > 0 && h.firstBlock == 0) return QStringLiteral("нет первого блока данных");
    return {};
}

}  // namespace engine::paradox
