#include "ParadoxTable.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <limits>
#include <optional>
#include <thread>

#include "Codec.h"
#include "EngineError.h"
#include "FileIo.h"
#include "FileLock.h"
#include "FileStamp.h"
#include "ParadoxHeader.h"

// pxlib's header has no C++ guard of its own.
extern "C" {
#include <paradox.h>
}

// How the file is handled:
//  - The header and the chain of data blocks are parsed and checked here before anything is
//    read, so a damaged file is an EngineError and never reaches code that trusts it.
//  - Field values are converted with pxlib's data functions (PX_get_data_* / PX_put_data_*);
//    new tables are written by PX_create_fp. Blocks are read and written here: pxlib's own
//    insert puts a new row into the first block with room (table order must stay the order
//    rows were added), its delete leaves emptied blocks in the chain, and its reader then
//    miscounts the rows of such a file.
//  - The table's rows are the first rows of the chain of blocks, as many as the header's count
//    says (as pxlib reads them). A new row goes into the last block of the chain or into a new
//    block at the end of the file, and the header's count, written last, lets it in: a crash
//    before that leaves the table as it was for every reader. A delete or a pack writes the
//    whole table anew beside the old one and renames it into place. Files written here keep
//    their rows packed at the start of each block, and no block in the chain is empty.

namespace engine {

using base::ChangeLock;
using base::Codec;
using base::EngineError;
using base::ErrorKind;
using base::FileStamp;
using base::missingCharactersMessage;
using base::tryLockFile;
namespace fileio = base::fileio;
using namespace paradox;
namespace {

constexpr int kMaxBlocks = 65535;
constexpr int kMaxFieldNameBytes = 25;
constexpr int kNewTableBlockKb = 4;
// Paradox counts days from 1 January of year 1 (day 1); that day is Julian day 1721426.
constexpr qint64 kJulianDayOffset = 1721425;

void wr16(char* p, unsigned v) {
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>((v >> 8) & 0xFF);
}
void wr32(char* p, uint32_t v) {
    wr16(p, v & 0xFFFF);
    wr16(p + 2, v >> 16);
}

QString typeName(int type) {
    switch (type) {
        case pxfAlpha:
            return QStringLiteral("Alpha");
        case pxfDate:
            return QStringLiteral("Date");
        case pxfShort:
            return QStringLiteral("Short");
        case pxfLong:
            return QStringLiteral("Long");
        case pxfCurrency:
            return QStringLiteral("Money");
        case pxfNumber:
            return QStringLiteral("Number");
        case pxfLogical:
            return QStringLiteral("Logical");
        case pxfMemoBLOb:
            return QStringLiteral("Memo");
        case pxfBLOb:
            return QStringLiteral("Binary");
        case pxfFmtMemoBLOb:
            return QStringLiteral("Formatted memo");
        case pxfOLE:
            return QStringLiteral("OLE");
        case pxfGraphic:
            return QStringLiteral("Graphic");
        case pxfTime:
            return QStringLiteral("Time");
        case pxfTimestamp:
            return QStringLiteral("Timestamp");
        case pxfAutoInc:
            return QStringLiteral("Autoincrement");
        case pxfBCD:
            return QStringLiteral("BCD");
        case pxfBytes:
            return QStringLiteral("Bytes");
    }
    return QStringLiteral("0x%1").arg(type, 2, 16, QLatin1Char('0'));
}

struct FieldLayout {
    int offset = 0;
    int length = 0;
    int type = 0;
};

struct BlockInfo {
    int prev = 0;
    int next = 0;
    bool inChain = false;
    std::vector<int> members;  // slots of the block's rows in their order
};

struct SlotData {
    Record values;
    std::string raw;  // the record bytes as in the file (live rows only)
    int block = 0;    // 0 once deleted
    bool deleted = false;
};

// Everything read from the file; a reload builds a new one and swaps it in whole.
struct TableState {
    HeaderInfo info;
    std::string head;        // fixed part of the header as last read or written
    std::string headerRest;  // the rest of the header (fields, names), written by a rewrite
    std::vector<FieldDef> fields;
    std::vector<FieldLayout> layout;
    const Codec* codec = &Codec::cp1251();
    bool keyed = false;
    std::vector<SlotData> rows;     // by slot
    std::vector<BlockInfo> blocks;  // by block number; [0] unused
    int firstBlock = 0;
    int lastBlock = 0;
    int fileBlocks = 0;
    int live = 0;
};

// The file as last read or written: its stamp, and the fixed part of its header, which tells
// of a change that left the stamp as it was.
struct DiskState {
    FileStamp stamp;
    std::string head;

    bool operator==(const DiskState& o) const { return stamp == o.stamp && head == o.head; }
};

QString errnoText(int e) {
    return fileio::reasonText(e);
}

EngineError busyError(const QString& path) {
    return EngineError(ErrorKind::Busy,
                       QStringLiteral("Таблица занята другой программой: %1").arg(path));
}

EngineError damagedError(const QString& path, const QString& reason) {
    return EngineError(ErrorKind::Damaged,
                       QStringLiteral("Повреждён файл таблицы: %1 (%2)").arg(path, reason));
}

// Reads up to len bytes at off; returns the count read (short only at the end of the file).
size_t readAt(int fd, char* buf, size_t len, off_t off, const QString& path) {
    size_t done = 0;
    while (done < len) {
        ssize_t n = ::pread(fd, buf + done, len - done, off + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw EngineError(
                QStringLiteral("Ошибка чтения файла таблицы: %1 (%2)").arg(path, errnoText(errno)));
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

// pxlib reports problems through this handler instead of printing them.
void recordPxError(pxdoc_t*, int, const char* msg, void* data) {
    if (data && msg) *static_cast<std::string*>(data) = msg;
}

}  // namespace

struct ParadoxTable::Impl {
    explicit Impl(ParadoxTable* owner) : q(owner) {
        px = PX_new3(recordPxError, nullptr, nullptr, nullptr, &pxMessage);
        if (!px) throw EngineError(QStringLiteral("Не удалось запустить pxlib"));
    }
    ~Impl() {
        if (fd >= 0) ::close(fd);  // also releases the open-file lock
        if (px) PX_delete(px);
    }

    ParadoxTable* q;
    int fd = -1;
    pxdoc_t* px = nullptr;  // used only for pxlib's value conversions
    std::string pxMessage;
    TableState t;
    DiskState disk;
    std::unique_ptr<ChangeLock> lock_;  // the change lock of a read or change under way

    // Lets go of the change lock when a read or change ends.
    struct LockScope {
        Impl& impl;
        ~LockScope() { impl.lock_.reset(); }
    };

    const QString& path() const { return q->path_; }

    // ---- opening and reading -------------------------------------------------------------

    // Opens the file that bears the table's name now, with the open-file lock of this use.
    int openCurrentFile() const {
        const QByteArray native = QFile::encodeName(path());
        // O_NONBLOCK: opening a FIFO put in the table's place must not block.
        const int common = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
        int f = ::open(native.constData(), (q->readOnly_ ? O_RDONLY : O_RDWR) | common);
        if (f < 0 && !q->readOnly_ && (errno == EACCES || errno == EROFS || errno == EPERM)) {
            f = ::open(native.constData(), O_RDONLY | common);
            if (f >= 0) q->readOnly_ = true;
        }
        if (f < 0) {
            if (errno == ENOENT)
                throw EngineError(ErrorKind::NotFound,
                                  QStringLiteral("Файл таблицы не найден: %1").arg(path()));
            throw EngineError(ErrorKind::Unreadable,
                              QStringLiteral("Не удалось открыть таблицу: %1 (%2)")
                                  .arg(path(), errnoText(errno)));
        }
        struct stat st {};
        if (::fstat(f, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(f);
            throw EngineError(ErrorKind::Unreadable,
                              QStringLiteral("Не файл таблицы: %1").arg(path()));
        }
        ::fcntl(f, F_SETFL, ::fcntl(f, F_GETFL) & ~O_NONBLOCK);
        if (q->exclusive_ && q->readOnly_) {
            ::close(f);
            throw EngineError(
                QStringLiteral(
                    "Таблица доступна только для чтения, монопольный доступ невозможен: %1")
                    .arg(path()));
        }
        if (!tryLockFile(f, q->exclusive_)) {
            ::close(f);
            throw busyError(path());
        }
        return f;
    }

    void openFile() {
        fd = openCurrentFile();
        {
            LockScope scope{*this};
            lockCurrentFile(false);
            readAll();
        }
        if (q->readOnly_) return;
        // Nobody else is changing the table while this lock can be had at once, so a
        // temporary beside it was left by an interrupted rewrite.
        ChangeLock idle(fd);
        if (idle.held()) fileio::removeStaleTemporaries(path());
    }

    // True when another process has put a new file in the table's place (a rewrite).
    bool replacedOnDisk() const {
        const FileStamp byPath = FileStamp::ofPath(path()), open = FileStamp::ofFd(fd);
        return byPath.exists && open.exists && !byPath.sameFile(open);
    }

    // Takes the change lock on the file that bears the table's name, following the name to a
    // new file as often as another process replaces it. True when the file was replaced.
    bool lockCurrentFile(bool exclusive) {
        bool replaced = false;
        for (;;) {
            lock_ = std::make_unique<ChangeLock>(fd, exclusive, path());
            if (!replacedOnDisk()) return replaced;
            lock_.reset();
            const int f = openCurrentFile();
            ::close(fd);
            fd = f;
            replaced = true;
        }
    }

    // Reads the rows anew; the caller holds the change lock.
    void readAll() {
        t = readTable();
        disk = currentDiskState();
        if (t.keyed) q->readOnly_ = true;
    }

    // Takes the change lock and reads the rows again when another process changed them.
    // True when they were read again.
    bool lockAndCatchUp(bool exclusive) {
        if (!lockCurrentFile(exclusive) && !changedOnDisk()) return false;
        readAll();
        q->changed();
        return true;
    }

    DiskState currentDiskState() const {
        DiskState s;
        s.stamp = FileStamp::ofFd(fd);
        if (!s.stamp.exists)
            throw EngineError(QStringLiteral("Ошибка чтения файла таблицы: %1 (%2)")
                                  .arg(path(), errnoText(errno)));
        s.head.resize(t.head.size());
        s.head.resize(readAt(fd, s.head.data(), s.head.size(), 0, path()));
        return s;
    }

    bool changedOnDisk() const { return !(currentDiskState() == disk); }

    // Reads the whole table; the caller holds the change lock.
    TableState readTable() const {
        struct stat st {};
        if (::fstat(fd, &st) != 0)
            throw EngineError(QStringLiteral("Ошибка чтения файла таблицы: %1 (%2)")
                                  .arg(path(), errnoText(errno)));
        const long long fileSize = st.st_size;
        std::string bytes(static_cast<size_t>(std::min<long long>(fileSize, 65535)), '\0');
        bytes.resize(readAt(fd, bytes.data(), bytes.size(), 0, path()));

        TableState s;
        const QString reason = parseHeader(bytes, fileSize, s.info);
        if (!reason.isEmpty()) throw damagedError(path(), reason);
        const HeaderInfo& h = s.info;
        s.head = bytes.substr(0, h.fixedSize);
        s.headerRest = bytes.substr(h.fixedSize, static_cast<size_t>(h.headerSize) - h.fixedSize);
        s.keyed = h.fileType == pxfFileTypIndexDB;
        s.codec = h.codePage == 866 ? &Codec::cp866() : &Codec::cp1251();

        int offset = 0;
        for (const RawField& f : h.fields) {
            FieldDef def;
            def.name = s.codec->decode(f.name);
            def.width = f.length;
            switch (f.type) {
                case pxfAlpha:
                    def.kind = FieldKind::Text;
                    break;
                case pxfShort:
                    def.kind = FieldKind::SmallInt;
                    break;
                case pxfNumber:
                case pxfCurrency:
                    def.kind = FieldKind::Float;
                    break;  // the same bytes
                case pxfDate:
                    def.kind = FieldKind::Date;
                    break;
                case pxfLogical:
                    def.kind = FieldKind::Boolean;
                    break;
                default:
                    throw EngineError(
                        QStringLiteral("Поле \"%1\" таблицы %2 имеет неподдерживаемый тип %3")
                            .arg(def.name, path(), typeName(f.type)));
            }
            s.fields.push_back(def);
            s.layout.push_back({offset, f.length, f.type});
            offset += f.length;
        }

        // Walk the chain of data blocks until it has given as many rows as the header counts;
        // each block is visited at most once. What lies beyond (a row or a block whose append
        // was stopped before the count let it in) is not part of the table.
        s.fileBlocks = h.fileBlocks;
        s.blocks.resize(static_cast<size_t>(h.fileBlocks) + 1);
        std::string block(static_cast<size_t>(h.blockSize), '\0');
        int prev = 0;
        for (int b = h.firstBlock; b != 0 && static_cast<int>(s.rows.size()) < h.numRecords;) {
            if (b < 1 || b > h.fileBlocks)
                throw damagedError(path(), QStringLiteral("ссылка на блок %1").arg(b));
            BlockInfo& info = s.blocks[static_cast<size_t>(b)];
            if (info.inChain) throw damagedError(path(), QStringLiteral("цепочка блоков замкнута"));
            if (readAt(fd, block.data(), block.size(), blockOffset(h, b), path()) != block.size())
                throw damagedError(path(), QStringLiteral("блок %1 обрезан").arg(b));
            const int next = static_cast<int>(rd16(block, 0));
            const int lastOffset = rd16s(block, 4);
            int count = 0;  // a negative offset marks an empty block
            if (lastOffset >= 0) {
                if (lastOffset % h.recordSize != 0 ||
                    lastOffset / h.recordSize >= h.recordsPerBlock)
                    throw damagedError(path(),
                                       QStringLiteral("в блоке %1 неверный размер данных").arg(b));
                count = std::min(lastOffset / h.recordSize + 1,
                                 h.numRecords - static_cast<int>(s.rows.size()));
            }
            info.prev = prev;
            info.next = next;
            info.inChain = true;
            for (int i = 0; i < count; ++i) {
                SlotData slot;
                slot.raw = block.substr(static_cast<size_t>(kBlockHeaderSize + i * h.recordSize),
                                        static_cast<size_t>(h.recordSize));
                slot.values = decode(s, slot.raw);
                slot.block = b;
                info.members.push_back(static_cast<int>(s.rows.size()));
                s.rows.push_back(std::move(slot));
            }
            if (s.firstBlock == 0) s.firstBlock = b;
            s.lastBlock = b;
            prev = b;
            b = next;
        }
        if (static_cast<int>(s.rows.size()) < h.numRecords)
            throw damagedError(path(), QStringLiteral("в заголовке %1 записей, в блоках %2")
                                           .arg(h.numRecords)
                                           .arg(s.rows.size()));
        // The chain ends here for this table; the next change writes that down.
        if (s.lastBlock != 0) s.blocks[static_cast<size_t>(s.lastBlock)].next = 0;
        s.live = static_cast<int>(s.rows.size());
        return s;
    }

    static off_t blockOffset(const HeaderInfo& h, int block) {
        return static_cast<off_t>(h.headerSize) + static_cast<off_t>(block - 1) * h.blockSize;
    }
    off_t blockOffset(int block) const { return blockOffset(t.info, block); }
    off_t recordOffset(int block, int pos) const {
        return blockOffset(block) + kBlockHeaderSize + static_cast<off_t>(pos) * t.info.recordSize;
    }

    Record decode(const TableState& s, const std::string& raw) const {
        Record r(s.layout.size());
        for (size_t i = 0; i < s.layout.size(); ++i) {
            const FieldLayout& f = s.layout[i];
            char* p = const_cast<char*>(raw.data()) + f.offset;
            switch (f.type) {
                case pxfAlpha: {
                    // Alpha is NUL-padded; a leading NUL is a blank field.
                    const size_t n = ::strnlen(p, static_cast<size_t>(f.length));
                    if (n > 0) r[i] = s.codec->decode(std::string_view(p, n));
                    break;
                }
                case pxfShort: {
                    short v = 0;
                    if (PX_get_data_short(px, p, 2, &v) > 0) r[i] = static_cast<int>(v);
                    break;
                }
                case pxfNumber:
                case pxfCurrency: {
                    double v = 0;
                    if (PX_get_data_double(px, p, 8, &v) > 0) r[i] = v;
                    break;
                }
                case pxfDate: {
                    // Not PX_get_data_long: on 64-bit systems it tests 8 bytes of a 4-byte
                    // buffer and so never reports a blank value. Big-endian, sign bit flipped.
                    const uint32_t u =
                        (static_cast<uint32_t>(static_cast<unsigned char>(p[0])) << 24) |
                        (static_cast<uint32_t>(static_cast<unsigned char>(p[1])) << 16) |
                        (static_cast<uint32_t>(static_cast<unsigned char>(p[2])) << 8) |
                        static_cast<uint32_t>(static_cast<unsigned char>(p[3]));
                    const int32_t day = static_cast<int32_t>(u ^ 0x80000000u);
                    if (u != 0 && day > 0)
                        r[i] = QDate::fromJulianDay(static_cast<qint64>(day) + kJulianDayOffset);
                    break;
                }
                case pxfLogical: {
                    char v = 0;
                    if (PX_get_data_byte(px, p, 1, &v) > 0) r[i] = v != 0;
                    break;
                }
            }
        }
        return r;
    }

    // ---- values ----------------------------------------------------------------------------

    EngineError valueError(size_t field, const QVariant& v) const {
        return EngineError(QStringLiteral("Значение \"%1\" не подходит для поля \"%2\" таблицы %3")
                               .arg(v.toString(), t.fields[field].name, path()));
    }

    // Converts values to record bytes; throws before anything is written.
    std::string encode(const Record& values) const {
        if (values.size() > t.fields.size())
            throw EngineError(QStringLiteral("Запись длиннее таблицы %1: %2 значений, полей %3")
                                  .arg(path())
                                  .arg(values.size())
                                  .arg(t.fields.size()));
        std::string raw(static_cast<size_t>(t.info.recordSize), '\0');
        for (size_t i = 0; i < t.layout.size(); ++i) {
            const QVariant v = i < values.size() ? values[i] : QVariant();
            if (!v.isValid() || v.isNull()) continue;  // a blank field is all zero bytes
            const FieldLayout& f = t.layout[i];
            // An empty text (an empty editor) blanks a number, date or logical field as well.
            if (f.type != pxfAlpha && v.metaType().id() == QMetaType::QString &&
                v.toString().trimmed().isEmpty())
                continue;
            char* p = raw.data() + f.offset;
            switch (f.type) {
                case pxfAlpha: {
                    // Clipped to the field first: pxlib must never see a longer string.
                    const QString text = v.toString();
                    const QStringView kept = QStringView(text).left(f.length);
                    if (!t.codec->canEncode(kept))
                        throw EngineError(missingCharactersMessage(
                            t.codec->missingCharacters(kept), *t.codec, t.fields[i].name, path()));
                    const std::string bytes =
                        t.codec->encodeClipped(text, static_cast<size_t>(f.length));
                    std::memcpy(p, bytes.data(), bytes.size());
                    break;
                }
                case pxfShort: {
                    bool ok = false;
                    const qlonglong n = v.toLongLong(&ok);
                    if (!ok) throw valueError(i, v);
                    // -32768 would be stored as the blank value.
                    if (n < -32767 || n > 32767)
                        throw EngineError(
                            QStringLiteral("Значение %1 не помещается в поле \"%2\" таблицы %3")
                                .arg(n)
                                .arg(t.fields[i].name, path()));
                    PX_put_data_short(px, p, 2, static_cast<short>(n));
                    break;
                }
                case pxfNumber:
                case pxfCurrency: {
                    bool ok = false;
                    const double d = v.toDouble(&ok);
                    if (!ok || !std::isfinite(d)) throw valueError(i, v);
                    PX_put_data_double(px, p, 8, d);
                    break;
                }
                case pxfDate: {
                    const QDate date = v.toDate();
                    if (!date.isValid()) {
                        if (v.metaType().id() == QMetaType::QDate) break;  // QDate() is blank
                        throw valueError(i, v);
                    }
                    const qint64 day = date.toJulianDay() - kJulianDayOffset;
                    if (day < 1 || day > std::numeric_limits<int32_t>::max())
                        throw valueError(i, v);
                    PX_put_data_long(px, p, 4, static_cast<int>(day));
                    break;
                }
                case pxfLogical:
                    PX_put_data_byte(px, p, 1, v.toBool() ? 1 : 0);
                    break;
            }
        }
        return raw;
    }

    // ---- writing ---------------------------------------------------------------------------

    void writeAt(const char* data, size_t len, off_t off) const {
        fileio::writeAt(fd, off, std::string_view(data, len), path());
    }

    std::string blockHeader(const BlockInfo& info) const {
        std::string head(kBlockHeaderSize, '\0');
        wr16(head.data(), static_cast<unsigned>(info.next));
        wr16(head.data() + 2, static_cast<unsigned>(info.prev));
        const int count = static_cast<int>(info.members.size());
        wr16(head.data() + 4, static_cast<unsigned>((count - 1) * t.info.recordSize) & 0xFFFF);
        return head;
    }

    void writeBlockHeader(int b) const {
        const std::string head = blockHeader(t.blocks[static_cast<size_t>(b)]);
        writeAt(head.data(), head.size(), blockOffset(b));
    }

    // The fixed part of the header with the counts and block numbers of t, stamped so that
    // another process notices even a change that leaves the size and the time stamps of the
    // file as they were.
    std::string headerImage() const { return headerImage(t); }
    static std::string headerImage(const TableState& t) {
        std::string head = t.head;
        char* h = head.data();
        wr32(h + kOffNumRecords, static_cast<uint32_t>(t.live));
        wr16(h + kOffNextBlock, static_cast<unsigned>(t.fileBlocks));
        wr16(h + kOffFileBlocks, static_cast<unsigned>(t.fileBlocks));
        wr16(h + kOffFirstBlock, static_cast<unsigned>(t.firstBlock));
        wr16(h + kOffLastBlock, static_cast<unsigned>(t.lastBlock));
        wr16(h + kOffMaxBlocks, static_cast<unsigned>(t.fileBlocks));
        if (t.info.dataHeader) {
            const uint32_t previous = rd32(t.head, kOffUpdateTime);
            const uint32_t now = static_cast<uint32_t>(std::time(nullptr));
            wr32(h + kOffUpdateTime, now > previous ? now : previous + 1);
        }
        return head;
    }

    // Writes the header: with a new count it is the one write that lets a change in.
    void writeHeader() {
        std::string head = headerImage();
        writeAt(head.data(), head.size(), 0);
        t.head = std::move(head);
    }

    void requireWritable() const {
        if (t.keyed)
            throw EngineError(
                QStringLiteral("Таблица с ключом доступна только для чтения: %1").arg(path()));
        if (q->readOnly_)
            throw EngineError(QStringLiteral("Таблица доступна только для чтения: %1").arg(path()));
    }

    int checkedSlot(int slot) const {
        if (slot < 0 || slot >= static_cast<int>(t.rows.size()))
            throw EngineError(QStringLiteral("Нет записи %1 в таблице %2").arg(slot).arg(path()));
        return slot;
    }

    int positionInBlock(int slot) const {
        const auto& rows =
            t.blocks[static_cast<size_t>(t.rows[static_cast<size_t>(slot)].block)].members;
        return static_cast<int>(std::find(rows.begin(), rows.end(), slot) - rows.begin());
    }

    void update(int slot, const Record& values) {
        if (t.rows[static_cast<size_t>(checkedSlot(slot))].deleted)
            throw EngineError(QStringLiteral("Запись %1 таблицы %2 удалена").arg(slot).arg(path()));
        const std::string raw = encode(values);
        q->writeUnderLock(
            [&] {
                SlotData& s = t.rows[static_cast<size_t>(slot)];
                writeAt(raw.data(), raw.size(), recordOffset(s.block, positionInBlock(slot)));
                writeHeader();
                q->written();
                s.raw = raw;
                s.values = decode(t, raw);
            },
            /*needsSameSlots=*/true);
    }

    // The rows are written where no reader looks yet (after the last row of the last block, or
    // into new blocks past the blocks the header counts), then linked in, and the header with
    // the new count lets them all in at once.
    int append(const std::vector<Record>& records) {
        std::vector<std::string> raws;
        raws.reserve(records.size());
        for (const Record& values : records) raws.push_back(encode(values));
        int first = -1;
        q->writeUnderLock([&] {
            first = static_cast<int>(t.rows.size());
            for (const std::string& raw : raws) placeNewRow(raw);
            q->orderWrites();  // the rows are on disk before the count names them
            writeHeader();
            q->written();
        });
        return first;
    }

    // Writes one new row after the last one and links it in; the header is left to the caller.
    void placeNewRow(const std::string& raw) {
        const int last = t.lastBlock;
        const int slot = static_cast<int>(t.rows.size());
        SlotData row{decode(t, raw), raw, last, false};
        if (last != 0 && static_cast<int>(t.blocks[static_cast<size_t>(last)].members.size()) <
                             t.info.recordsPerBlock) {
            BlockInfo info = t.blocks[static_cast<size_t>(last)];
            writeAt(raw.data(), raw.size(),
                    recordOffset(last, static_cast<int>(info.members.size())));
            info.members.push_back(slot);
            const std::string head = blockHeader(info);
            writeAt(head.data(), head.size(), blockOffset(last));
            t.blocks[static_cast<size_t>(last)] = std::move(info);
        } else {
            if (t.fileBlocks >= kMaxBlocks)
                throw EngineError(QStringLiteral("Таблица переполнена: %1").arg(path()));
            const int b = t.fileBlocks + 1;
            const BlockInfo info{last, 0, true, {slot}};
            std::string block = blockHeader(info);
            block += raw;
            block.resize(static_cast<size_t>(t.info.blockSize), '\0');
            writeAt(block.data(), block.size(), blockOffset(b));
            if (last != 0) {
                BlockInfo linked = t.blocks[static_cast<size_t>(last)];
                linked.next = b;
                const std::string head = blockHeader(linked);
                writeAt(head.data(), head.size(), blockOffset(last));
            }
            t.blocks.push_back(info);
            t.fileBlocks = b;
            if (last != 0)
                t.blocks[static_cast<size_t>(last)].next = b;
            else
                t.firstBlock = b;
            t.lastBlock = b;
            row.block = b;
        }
        t.rows.push_back(std::move(row));
        ++t.live;
    }

    // The table without the row is written anew and takes the old file's place. Slots keep
    // their numbers in memory: the deleted one stays, marked deleted, until the next read.
    void remove(int slot) {
        checkedSlot(slot);
        if (t.rows[static_cast<size_t>(slot)].deleted) return;
        q->writeUnderLock(
            [&] {
                std::vector<int> keep;
                for (int b = t.firstBlock; b != 0; b = t.blocks[static_cast<size_t>(b)].next)
                    for (int s : t.blocks[static_cast<size_t>(b)].members)
                        if (s != slot) keep.push_back(s);
                rewrite(keep);
                SlotData& s = t.rows[static_cast<size_t>(slot)];
                s.deleted = true;
                s.block = 0;
                s.raw.clear();
            },
            /*needsSameSlots=*/true);
    }

    // Writes a new file holding the given rows in that order, packed into full blocks from the
    // first one on, renames it over the table and goes on with it. t then describes the new
    // file; the slots not given keep their entries.
    void rewrite(const std::vector<int>& order) {
        const int perBlock = t.info.recordsPerBlock;
        const int count = static_cast<int>(order.size());
        const int blocks = (count + perBlock - 1) / perBlock;
        TableState next = t;
        next.blocks.assign(static_cast<size_t>(blocks) + 1, BlockInfo{});
        for (int b = 1; b <= blocks; ++b) {
            BlockInfo& info = next.blocks[static_cast<size_t>(b)];
            info.prev = b - 1;
            info.next = b < blocks ? b + 1 : 0;
            info.inChain = true;
            for (int i = (b - 1) * perBlock; i < std::min(count, b * perBlock); ++i) {
                info.members.push_back(order[static_cast<size_t>(i)]);
                next.rows[static_cast<size_t>(order[static_cast<size_t>(i)])].block = b;
            }
        }
        next.fileBlocks = blocks;
        next.firstBlock = blocks > 0 ? 1 : 0;
        next.lastBlock = blocks;
        next.live = count;

        std::string image = headerImage(next) + next.headerRest;
        for (int b = 1; b <= blocks; ++b) {
            const BlockInfo& info = next.blocks[static_cast<size_t>(b)];
            std::string block = blockHeader(info);
            for (int s : info.members) block += next.rows[static_cast<size_t>(s)].raw;
            block.resize(static_cast<size_t>(next.info.blockSize), '\0');
            image += block;
        }

        struct stat st {};
        const mode_t mode = ::fstat(fd, &st) == 0 ? (st.st_mode & 07777) : 0644;
        fileio::Replacement file(path(), mode);
        file.append(image);
        // The new file carries this process's open-file lock, and its change lock, before it
        // bears the name: another process that follows the name waits until this change is
        // complete, also in memory.
        if (!tryLockFile(file.fd(), q->exclusive_)) throw busyError(path());
        auto newLock = std::make_unique<ChangeLock>(file.fd(), true, path());
        file.commit(true);
        lock_ = std::move(newLock);  // lets go of the old file's change lock
        ::close(fd);
        fd = file.releaseFd();
        next.head = image.substr(0, next.head.size());
        t = std::move(next);
    }

    void pack() {
        requireWritable();
        if (!q->exclusive_)
            throw EngineError(
                QStringLiteral("Сжатие таблицы требует монопольного доступа: %1").arg(path()));
        q->writeUnderLock([&] {
            // The live rows in table order get the slots 0, 1, ... of the packed table.
            std::vector<SlotData> rows;
            for (int b = t.firstBlock; b != 0; b = t.blocks[static_cast<size_t>(b)].next)
                for (int slot : t.blocks[static_cast<size_t>(b)].members)
                    rows.push_back(t.rows[static_cast<size_t>(slot)]);
            std::vector<int> order(rows.size());
            for (size_t i = 0; i < rows.size(); ++i) order[i] = static_cast<int>(i);
            t.rows = std::move(rows);
            rewrite(order);
        });
    }
};

// ---- ParadoxTable ----------------------------------------------------------------------------

ParadoxTable::ParadoxTable(QString path, bool exclusive)
    : TableFile(std::move(path), exclusive), d(std::make_unique<Impl>(this)) {}

ParadoxTable::~ParadoxTable() {
    try {
        flush();
    } catch (...) {
        // A destructor must not throw; the rows were written, only their sync failed.
    }
}

std::shared_ptr<ParadoxTable> ParadoxTable::open(const QString& path, bool exclusive) {
    std::shared_ptr<ParadoxTable> table(new ParadoxTable(path, exclusive));
    table->d->openFile();
    return table;
}

void ParadoxTable::create(const QString& path, const std::vector<FieldDef>& fields) {
    const Codec& codec = Codec::cp1251();
    if (fields.empty() || fields.size() > 255)
        throw EngineError(
            QStringLiteral("Неверное число полей таблицы %1: %2").arg(path).arg(fields.size()));

    struct NewField {
        std::string name;
        char type;
        int length;
    };
    std::vector<NewField> plan;
    int recordSize = 0;
    for (const FieldDef& f : fields) {
        const QString trimmed = f.name.trimmed();
        if (trimmed.isEmpty() || trimmed.size() > kMaxFieldNameBytes || !codec.canEncode(trimmed))
            throw EngineError(
                QStringLiteral("Недопустимое имя поля \"%1\" таблицы %2").arg(f.name, path));
        for (const NewField& other : plan)
            if (codec.decode(other.name).compare(trimmed, Qt::CaseInsensitive) == 0)
                throw EngineError(
                    QStringLiteral("Поле \"%1\" повторяется в таблице %2").arg(f.name, path));
        NewField n{codec.encode(trimmed), pxfAlpha, 0};
        switch (f.kind) {
            case FieldKind::Text:
                if (f.width < 1 || f.width > 255)
                    throw EngineError(
                        QStringLiteral("Недопустимая ширина %1 поля \"%2\" таблицы %3")
                            .arg(f.width)
                            .arg(f.name, path));
                n.type = pxfAlpha;
                n.length = f.width;
                break;
            case FieldKind::SmallInt:
                n = {n.name, pxfShort, 2};
                break;
            case FieldKind::Float:
                n = {n.name, pxfNumber, 8};
                break;
            case FieldKind::Date:
                n = {n.name, pxfDate, 4};
                break;
            case FieldKind::Boolean:
                n = {n.name, pxfLogical, 1};
                break;
        }
        recordSize += n.length;
        plan.push_back(std::move(n));
    }
    // 4 KiB blocks, larger only when a record would not fit.
    int blockKb = kNewTableBlockKb;
    while (blockKb < 32 && recordSize > blockKb * 1024 - kBlockHeaderSize) blockKb *= 2;
    if (recordSize > blockKb * 1024 - kBlockHeaderSize)
        throw EngineError(
            QStringLiteral("Слишком длинная запись таблицы %1: %2 байт").arg(path).arg(recordSize));

    // pxlib writes the new table under a temporary name; it gets its name only once it is
    // complete, on disk and reads back as a sound table.
    if (QFileInfo::exists(path))
        throw EngineError(QStringLiteral("Файл таблицы уже существует: %1").arg(path));
    fileio::Replacement file(path, 0644);
    const int fd = ::dup(file.fd());
    FILE* fp = fd < 0 ? nullptr : ::fdopen(fd, "w+b");
    if (!fp) {
        const int e = errno;
        if (fd >= 0) ::close(fd);
        throw EngineError(
            QStringLiteral("Не удалось создать таблицу: %1 (%2)").arg(path, errnoText(e)));
    }

    std::string pxMessage;
    bool ok = false;
    pxdoc_t* doc = PX_new3(recordPxError, nullptr, nullptr, nullptr, &pxMessage);
    if (doc) {
        // pxlib frees the field array and the names, so they come from its allocator.
        auto* pf = static_cast<pxfield_t*>(
            doc->malloc(doc, plan.size() * sizeof(pxfield_t), "ParadoxTable::create fields"));
        if (pf) {
            for (size_t i = 0; i < plan.size(); ++i) {
                pf[i].px_fname = PX_strdup(doc, plan[i].name.c_str());
                pf[i].px_ftype = plan[i].type;
                pf[i].px_flen = plan[i].length;
                pf[i].px_fdc = 0;
            }
            if (PX_create_fp(doc, pf, static_cast<int>(plan.size()), fp, pxfFileTypNonIndexDB) >=
                0) {
                // The header is written again by each setting below, with this block size.
                doc->px_head->px_maxtablesize = blockKb;
                const std::string tableName = codec.encodeClipped(QFileInfo(path).fileName(), 78);
                ok = PX_set_tablename(doc, tableName.c_str()) >= 0 &&
                     PX_set_value(doc, "codepage", 1251) >= 0;
            } else if (!doc->px_head) {
                for (size_t i = 0; i < plan.size(); ++i) doc->free(doc, pf[i].px_fname);
                doc->free(doc, pf);
            }
        }
    }
    ok = ok && std::fflush(fp) == 0;
    const int e = errno;
    if (doc) PX_delete(doc);
    const bool closed = std::fclose(fp) == 0;
    if (!ok || !closed) {
        const QString why =
            !pxMessage.empty() ? QString::fromLocal8Bit(pxMessage.c_str()) : errnoText(e);
        throw EngineError(QStringLiteral("Не удалось создать таблицу: %1 (%2)").arg(path, why));
    }

    // Read back what pxlib wrote: the table must open as any other.
    try {
        ParadoxTable::open(file.temporaryPath(), true);
    } catch (const EngineError& err) {
        throw EngineError(
            QStringLiteral("Не удалось создать таблицу: %1 (%2)").arg(path, err.message()));
    }
    file.commitNew();
}

const std::vector<FieldDef>& ParadoxTable::fields() const {
    return d->t.fields;
}

const Codec& ParadoxTable::textCodec() const {
    return *d->t.codec;
}

int ParadoxTable::slotCount() const {
    return static_cast<int>(d->t.rows.size());
}

bool ParadoxTable::isDeleted(int slot) const {
    return d->t.rows[static_cast<size_t>(d->checkedSlot(slot))].deleted;
}

QVariant ParadoxTable::value(int slot, int field) const {
    const Record& values = d->t.rows[static_cast<size_t>(d->checkedSlot(slot))].values;
    if (field < 0 || field >= static_cast<int>(values.size()))
        throw EngineError(QStringLiteral("Нет поля %1 в таблице %2").arg(field).arg(path_));
    return values[static_cast<size_t>(field)];
}

void ParadoxTable::writeRecord(int slot, const Record& values) {
    d->update(slot, values);
}

int ParadoxTable::appendRecord(const Record& values) {
    return d->append({values});
}

int ParadoxTable::appendRecords(const std::vector<Record>& records) {
    return records.empty() ? static_cast<int>(d->t.rows.size()) : d->append(records);
}

void ParadoxTable::deleteRecord(int slot) {
    d->remove(slot);
}

void ParadoxTable::pack() {
    d->pack();
}

void ParadoxTable::flush() {
    syncWritten();
}

void ParadoxTable::syncData() {
    if (!readOnly_) fileio::syncData(d->fd, path_);
}

void ParadoxTable::requireWritable() const {
    d->requireWritable();
}

bool ParadoxTable::lockAndCatchUp() {
    return d->lockAndCatchUp(true);
}

void ParadoxTable::releaseChangeLock() {
    d->lock_.reset();
}

void ParadoxTable::reloadAfterFailedWrite() {
    d->readAll();
}

void ParadoxTable::rememberFileState() {
    d->disk = d->currentDiskState();
}

bool ParadoxTable::reloadIfChangedOnDisk() {
    Impl::LockScope scope{*d};
    return d->lockAndCatchUp(false);
}

}  // namespace engine
