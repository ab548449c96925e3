#include "DbfTable.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>

#include "Codec.h"
#include "DbfLayout.h"
#include "EngineError.h"
#include "FileIo.h"
#include "FileLock.h"
#include "MdxIndex.h"
#include "PathCase.h"

namespace engine {

using base::ByteBuffer;
using base::ChangeLock;
using base::Codec;
using base::EngineError;
using base::ErrorKind;
using base::FileStamp;
using base::missingCharactersMessage;
using base::resolveIgnoringCase;
using base::tryLockFile;
namespace fileio = base::fileio;

namespace {

constexpr int kFileHeader = 32;
constexpr int kDescriptor = 32;
constexpr unsigned char kTerminator = 0x0D;
constexpr char kEndOfFile = 0x1A;
constexpr unsigned char kLdid1251 = 0xC9;

void put16(std::string& b, size_t at, uint32_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& b, size_t at, uint32_t v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

std::string headerDate(const QDate& d) {
    return std::string{static_cast<char>(d.year() - 1900), static_cast<char>(d.month()),
                       static_cast<char>(d.day())};
}

std::string_view trimmed(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\0')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\0')) --e;
    return s.substr(b, e - b);
}

// Reads a dBase number; '.' is the point whatever the locale, a ',' from foreign tools is
// accepted too. Blank, overflow stars and garbage read as null.
std::optional<double> parseNumber(std::string_view raw) {
    std::string_view t = trimmed(raw);
    if (t.empty() || t.front() == '*') return std::nullopt;
    double v = 0;
    if (t.find(',') == std::string_view::npos && t.front() != '+') {
        auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
        if (ec != std::errc() || end != t.data() + t.size()) return std::nullopt;
        return v;
    }
    char buf[64];
    if (t.size() >= sizeof buf) return std::nullopt;
    size_t n = 0;
    for (char c : t) buf[n++] = (c == ',') ? '.' : c;
    const char* first = buf;
    if (*first == '+') ++first;
    auto [end, ec] = std::from_chars(first, buf + n, v);
    if (ec != std::errc() || end != buf + n) return std::nullopt;
    return v;
}

// The length of a text field without its padding (blanks, or NULs from other writers).
// Long fields are mostly padding, so whole words of blanks are skipped at once.
size_t textLength(std::string_view raw) {
    size_t e = raw.size();
    static const char kBlankBlock[32] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                         ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    while (e >= 32 && std::memcmp(raw.data() + e - 32, kBlankBlock, 32) == 0) e -= 32;
    constexpr uint64_t kBlanks = 0x2020202020202020ULL;
    while (e >= 8) {
        uint64_t word;
        std::memcpy(&word, raw.data() + e - 8, 8);
        if (word != kBlanks) break;
        e -= 8;
    }
    while (e > 0 && (raw[e - 1] == ' ' || raw[e - 1] == '\0')) --e;
    return e;
}

char typeLetter(const FieldDef& f) {
    switch (f.kind) {
        case FieldKind::Text: return 'C';
        case FieldKind::SmallInt: return 'N';
        case FieldKind::Float: return f.nativeType == 'F' ? 'F' : 'N';
        case FieldKind::Date: return 'D';
        case FieldKind::Boolean: return 'L';
    }
    return 'C';
}

ByteBuffer readWhole(int fd, const QString& path) {
    struct stat st;
    if (fstat(fd, &st) != 0) throw EngineError(QStringLiteral("Не могу прочитать файл %1").arg(path));
    ByteBuffer bytes(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw EngineError(QStringLiteral("Не могу прочитать файл %1").arg(path));
        if (n == 0) break;  // the file shrank while being read
        done += static_cast<size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

QString mdxPathFor(const QString& dbfPath) {
    QFileInfo info(dbfPath);
    return resolveIgnoringCase(info.path(), info.completeBaseName() + QStringLiteral(".MDX"));
}

}  // namespace

std::string formatDbfNumber(double value, int width, int decimals) {
    if (!std::isfinite(value) || width <= 0) return {};
    // The shortest text that reads back as the same double, then decimal rounding half
    // away from zero, so 1.005 with two decimals gives 1.01 as a person expects.
    char buf[400];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed);
    if (ec != std::errc()) return {};
    std::string text(buf, end);
    size_t point = text.find('.');
    std::string intPart = point == std::string::npos ? text : text.substr(0, point);
    std::string frac = point == std::string::npos ? std::string() : text.substr(point + 1);
    std::string digits = intPart + frac;
    const size_t keep = intPart.size() + static_cast<size_t>(decimals);
    if (digits.size() < keep) digits.append(keep - digits.size(), '0');
    bool roundUp = digits.size() > keep && digits[keep] >= '5';
    digits.resize(keep);
    if (roundUp) {
        int i = static_cast<int>(keep) - 1;
        for (; i >= 0; --i) {
            if (digits[static_cast<size_t>(i)] == '9') {
                digits[static_cast<size_t>(i)] = '0';
            } else {
                ++digits[static_cast<size_t>(i)];
                break;
            }
        }
        if (i < 0) digits = "1" + digits;
    }
    const size_t intDigits = digits.size() - static_cast<size_t>(decimals);
    std::string ip = digits.substr(0, intDigits);
    size_t nz = ip.find_first_not_of('0');
    ip = nz == std::string::npos ? "0" : ip.substr(nz);
    std::string out = ip;
    if (decimals > 0) {
        out.push_back('.');
        out.append(digits, intDigits, std::string::npos);
    }
    bool allZero = out.find_first_not_of("0.") == std::string::npos;
    if (value < 0 && !allZero) out = "-" + out;
    if (static_cast<int>(out.size()) > width) return {};
    return std::string(static_cast<size_t>(width) - out.size(), ' ') + out;
}

DbfTable::DbfTable(QString path, bool exclusive) : TableFile(std::move(path), exclusive) {}

DbfTable::~DbfTable() {
    try {
        flush();
    } catch (...) {
        // A destructor must not throw; every record is already on disk, only the index
        // could not be written and is rebuilt from the data at the next open anyway.
    }
    if (fd_ >= 0) ::close(fd_);
}

std::shared_ptr<DbfTable> DbfTable::open(const QString& path, bool exclusive) {
    std::shared_ptr<DbfTable> t(new DbfTable(path, exclusive));
    const QByteArray name = path.toLocal8Bit();
    t->fd_ = ::open(name.constData(), O_RDWR | O_CLOEXEC);
    if (t->fd_ < 0 && (errno == EACCES || errno == EROFS)) {
        t->fd_ = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
        t->readOnly_ = true;
    }
    if (t->fd_ < 0)
        throw EngineError(
            ErrorKind::Unreadable,
            QStringLiteral("Не могу открыть файл %1: %2").arg(path, fileio::reasonText(errno)));
    if (t->readOnly_ && exclusive)
        throw EngineError(QStringLiteral("Файл %1 доступен только для чтения").arg(path));
    if (!tryLockFile(t->fd_, exclusive))
        throw EngineError(ErrorKind::Busy, QStringLiteral("Таблица занята другой программой: %1").arg(path));
    {
        ChangeLock reading(t->fd_, false, path);
        t->load();
    }
    if (!t->readOnly_) t->tidyUp();
    return t;
}

void DbfTable::tidyUp() {
    // Nobody else is changing the table while this lock can be had at once, so what
    // temporaries lie beside it were left by an interrupted write.
    ChangeLock lock(fd_);
    if (!lock.held()) return;
    fileio::removeStaleTemporaries(path_);
    if (rebuildIndex_) {
        indexDirty_ = true;
        writeIndex();
    }
}

void DbfTable::load() {
    const bool dirty = indexDirty_;
    parse(readWhole(fd_, path_));
    indexDirty_ = indexDirty_ || dirty;  // what this process changed still needs its index
    rememberFileState();
    changed();
}

void DbfTable::parse(ByteBuffer bytes) {
    const long long size = static_cast<long long>(bytes.size());
    DbfLayout layout = DbfLayout::read(bytes.view(0, bytes.size()), size, path_);
    const int headerLength = layout.headerLength;
    const int recordLength = layout.recordLength;
    const long long headerCount = layout.headerCount;

    // The header's count says how many records there are; the last one still marked as the
    // end of the file was stopped after its count and before it was let in: it is not there yet.
    long long count = headerCount;
    for (long long i = 0; i < count; ++i) {
        const DbfLayout::Flag flag =
            DbfLayout::flag(bytes[static_cast<size_t>(headerLength + i * recordLength)]);
        if (flag == DbfLayout::Flag::EndMark && i == count - 1) {
            count = i;
            break;
        }
        if (flag != DbfLayout::Flag::Live && flag != DbfLayout::Flag::Deleted)
            throw damagedTable(path_,
                               QStringLiteral("неверный признак удаления записи %1").arg(i + 1));
    }

    std::vector<TagDef> tags;
    QString mdxPath = mdxPathFor(path_);
    bool mdxMissing = false;
    bool rebuild = false;
    if (layout.productionIndex) {
        try {
            // Only the tag definitions are taken from the .MDX; the order comes from the data.
            if (!QFileInfo::exists(mdxPath))
                throw EngineError(ErrorKind::MissingCompanion, QString());
            for (const MdxIndex::TagInfo& info : MdxIndex::readTags(mdxPath))
                tags.push_back(TagDef{info.name, info.expression});
        } catch (const EngineError&) {
            // A missing or damaged index of sound data is rebuilt from the data, with the
            // tags the field descriptors announce.
            tags = layout.fieldTags;
            mdxMissing = tags.empty();
            rebuild = !tags.empty();
        }
    }

    data_ = std::move(bytes);
    fields_ = std::move(layout.fields);
    offsets_ = std::move(layout.offsets);
    tags_ = std::move(tags);
    mdxPath_ = mdxPath;
    mdxMissing_ = mdxMissing;
    rebuildIndex_ = rebuild;
    codec_ = &Codec::forLanguageDriver(static_cast<unsigned char>(data_[29]));
    headerLength_ = headerLength;
    recordLength_ = recordLength;
    count_ = static_cast<int>(count);
    diskCount_ = headerCount;
    indexDirty_ = false;
}

void DbfTable::rememberFileState() {
    const FileStamp now = FileStamp::ofFd(fd_);
    if (now.exists) stamp_ = now;
}

bool DbfTable::followReplacedFile() {
    const FileStamp byPath = FileStamp::ofPath(path_);
    if (!byPath.exists || byPath.sameFile(stamp_)) return false;
    // Another program replaced the file (a pack writes a new file): follow the name.
    const QByteArray name = path_.toLocal8Bit();
    int fd = ::open(name.constData(), readOnly_ ? O_RDONLY | O_CLOEXEC : O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    if (!tryLockFile(fd, exclusive_)) {
        ::close(fd);
        throw EngineError(ErrorKind::Busy, QStringLiteral("Таблица занята другой программой: %1").arg(path_));
    }
    ::close(fd_);
    fd_ = fd;
    return true;
}

bool DbfTable::changedOnDisk() const {
    const FileStamp now = FileStamp::ofFd(fd_);
    if (!now.exists) return false;
    if (now != stamp_) return true;
    // The time stamps may not move for a change made within their resolution: the header's
    // count tells of an append all the same.
    unsigned char head[8];
    if (::pread(fd_, head, sizeof head, 0) != static_cast<ssize_t>(sizeof head)) return true;
    const long long count = head[4] | (head[5] << 8) | (head[6] << 16) | (static_cast<long long>(head[7]) << 24);
    return count != diskCount_;
}

bool DbfTable::reloadIfChangedOnDisk() {
    if (!followReplacedFile() && !changedOnDisk()) return false;
    ChangeLock reading(fd_, false, path_);
    load();
    return true;
}

const char* DbfTable::recordPtr(int slot) const {
    if (slot < 0 || slot >= count_)
        throw EngineError(QStringLiteral("Нет записи %1 в таблице %2").arg(slot + 1).arg(path_));
    return data_.data() + headerLength_ + static_cast<size_t>(slot) * static_cast<size_t>(recordLength_);
}

bool DbfTable::isDeleted(int slot) const { return *recordPtr(slot) == '*'; }

std::string_view DbfTable::rawField(int slot, int field) const {
    const FieldDef& f = fields_.at(static_cast<size_t>(field));
    return std::string_view(recordPtr(slot) + offsets_[static_cast<size_t>(field)],
                            static_cast<size_t>(f.width));
}

QVariant DbfTable::value(int slot, int field) const {
    const std::string_view raw = rawField(slot, field);
    switch (fields_[static_cast<size_t>(field)].kind) {
        case FieldKind::Text: {
            const size_t e = textLength(raw);
            if (e == 0) return {};
            return codec_->decode(raw.substr(0, e));
        }
        case FieldKind::SmallInt: {
            // Whole numbers need no floating-point parse.
            const std::string_view t = trimmed(raw);
            int whole = 0;
            if (!t.empty()) {
                auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), whole);
                if (ec == std::errc() && end == t.data() + t.size()) return whole;
            }
            auto v = parseNumber(raw);
            if (!v) return {};
            return static_cast<int>(std::lround(*v));
        }
        case FieldKind::Float: {
            auto v = parseNumber(raw);
            if (!v) return {};
            return *v;
        }
        case FieldKind::Date: {
            int digits[8];
            for (int i = 0; i < 8; ++i) {
                const char c = raw[static_cast<size_t>(i)];
                if (c < '0' || c > '9') return {};
                digits[i] = c - '0';
            }
            const int y = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
            const int m = digits[4] * 10 + digits[5];
            const int d = digits[6] * 10 + digits[7];
            QDate date(y, m, d);
            if (!date.isValid()) return {};
            return date;
        }
        case FieldKind::Boolean:
            switch (raw[0]) {
                case 'T': case 't': case 'Y': case 'y': return true;
                case 'F': case 'f': case 'N': case 'n': return false;
                default: return {};
            }
    }
    return {};
}

std::string DbfTable::encodeRecord(const Record& values, char flag) const {
    std::string rec(static_cast<size_t>(recordLength_), ' ');
    rec[0] = flag;
    for (size_t i = 0; i < fields_.size(); ++i) {
        const FieldDef& f = fields_[i];
        char* out = rec.data() + offsets_[i];
        const QVariant v = i < values.size() ? values[i] : QVariant();
        if (v.isNull()) {
            if (f.kind == FieldKind::Boolean) *out = '?';
            continue;
        }
        switch (f.kind) {
            case FieldKind::Text: {
                const QString text = v.toString();
                const QStringView kept = QStringView(text).left(f.width);
                if (!codec_->canEncode(kept))
                    throw EngineError(missingCharactersMessage(codec_->missingCharacters(kept),
                                                               *codec_, f.name, path()));
                std::string t = codec_->encodeClipped(text, static_cast<size_t>(f.width));
                std::memcpy(out, t.data(), t.size());
                break;
            }
            case FieldKind::SmallInt:
            case FieldKind::Float: {
                bool ok = false;
                double d = v.toDouble(&ok);
                if (!ok)
                    throw EngineError(QStringLiteral("\"%1\" не является числом (поле %2)")
                                          .arg(v.toString(), f.name));
                std::string t = formatDbfNumber(d, f.width, f.decimals);
                if (t.empty())
                    throw EngineError(QStringLiteral("Значение %1 не помещается в поле %2")
                                          .arg(v.toString(), f.name));
                std::memcpy(out, t.data(), t.size());
                break;
            }
            case FieldKind::Date: {
                QDate d = v.toDate();
                if (!d.isValid() || d.year() < 1 || d.year() > 9999)
                    throw EngineError(QStringLiteral("\"%1\" не является датой (поле %2)")
                                          .arg(v.toString(), f.name));
                std::string t = d.toString(QStringLiteral("yyyyMMdd")).toStdString();
                std::memcpy(out, t.data(), 8);
                break;
            }
            case FieldKind::Boolean: *out = v.toBool() ? 'T' : 'F'; break;
        }
    }
    return rec;
}

void DbfTable::writeAt(long long offset, std::string_view bytes) {
    if (readOnly_) throw EngineError(QStringLiteral("Файл %1 доступен только для чтения").arg(path_));
    fileio::writeAt(fd_, offset, bytes, path_);
    const size_t end = static_cast<size_t>(offset) + bytes.size();
    if (data_.size() < end) data_.resize(end);
    std::memcpy(data_.data() + offset, bytes.data(), bytes.size());
}

std::string DbfTable::headerCountBytes(long long count) const {
    std::string head(7, '\0');
    std::string date = headerDate(QDate::currentDate());
    std::memcpy(head.data(), date.data(), 3);
    put32(head, 3, static_cast<uint32_t>(count));
    return head;
}

void DbfTable::requireWritable() const {
    if (readOnly_) throw EngineError(QStringLiteral("Файл %1 доступен только для чтения").arg(path_));
}

bool DbfTable::lockAndCatchUp() {
    // The lock goes on the file that has the table's name: a file another program put in its
    // place is followed first and locked in its turn, so the change is written under the lock
    // of the file it goes to (and no lock is left on a descriptor that was closed).
    bool followed = false;
    for (;;) {
        changeLock_ = std::make_unique<ChangeLock>(fd_, true, path_);
        if (!replacedOnDisk()) break;
        changeLock_.reset();
        if (!followReplacedFile()) {  // the new file cannot be opened: keep ours
            changeLock_ = std::make_unique<ChangeLock>(fd_, true, path_);
            break;
        }
        followed = true;
    }
    if (!followed && !changedOnDisk()) return false;
    load();
    return true;
}

bool DbfTable::replacedOnDisk() const {
    const FileStamp byPath = FileStamp::ofPath(path_);
    return byPath.exists && !byPath.sameFile(FileStamp::ofFd(fd_));
}

void DbfTable::releaseChangeLock() {
    changeLock_.reset();
}

void DbfTable::reloadAfterFailedWrite() {
    load();
}

void DbfTable::stampDate() {
    const std::string date = headerDate(QDate::currentDate());
    if (data_.view(1, 3) != date) writeAt(1, date);
}

void DbfTable::writeRecord(int slot, const Record& values) {
    const char flag = *recordPtr(slot);
    const std::string rec = encodeRecord(values, flag);
    writeUnderLock([&] {
        // A record posted as it is (a re-post of an untouched record) leaves the file alone:
        // nothing to write, nothing to sync.
        if (std::string_view(recordPtr(slot), static_cast<size_t>(recordLength_)) == rec) return;
        writeAt(headerLength_ + static_cast<long long>(slot) * recordLength_, rec);
        stampDate();
        written();
        indexDirty_ = !tags_.empty();
    });
}

int DbfTable::appendRecord(const Record& values) {
    std::string rec = encodeRecord(values, ' ');
    writeUnderLock([&] {
        // After the last record that is really in the file (another process may have
        // appended since this one read it). The record goes in still marked as the end of
        // the file, so that a reader that stops at the end mark and one that trusts the
        // count both see it only once its count is written and its mark turned into a
        // live flag.
        const long long at = headerLength_ + static_cast<long long>(count_) * recordLength_;
        struct stat st {};
        const long long oldSize = fstat(fd_, &st) == 0 ? st.st_size : static_cast<long long>(data_.size());
        const std::string oldHead(data_.view(1, 7));
        const long long oldDiskCount = diskCount_;
        try {
            rec[0] = kEndOfFile;
            rec.push_back(kEndOfFile);
            writeAt(at, rec);
            orderWrites();  // the record is on disk before the count names it
            writeAt(1, headerCountBytes(count_ + 1));
            diskCount_ = count_ + 1;
            writeAt(at, std::string_view(" ", 1));
            written();
        } catch (...) {
            // Give back what was added: the old count, the old length.
            try {
                writeAt(1, oldHead);
                fileio::truncateTo(fd_, oldSize, path_);
                data_.resize(static_cast<size_t>(oldSize));
                diskCount_ = oldDiskCount;
            } catch (...) {
            }
            throw;
        }
        data_.resize(static_cast<size_t>(at + recordLength_ + 1));
        ++count_;
        indexDirty_ = !tags_.empty();
    });
    return count_ - 1;
}

void DbfTable::deleteRecord(int slot) {
    writeUnderLock([&] {
        recordPtr(slot);
        writeAt(headerLength_ + static_cast<long long>(slot) * recordLength_, std::string_view("*", 1));
        stampDate();
        written();
    });
}

void DbfTable::pack() {
    requireExclusiveWrite();
    std::string out(data_.view(0, static_cast<size_t>(headerLength_)));
    int live = 0;
    for (int i = 0; i < count_; ++i) {
        const char* rec = recordPtr(i);
        if (*rec == '*') continue;
        out.append(rec, static_cast<size_t>(recordLength_));
        ++live;
    }
    replaceWith(std::move(out), live);
}

void DbfTable::appendRecordsAnew(const std::vector<Record>& rows) {
    requireExclusiveWrite();
    const long long total = static_cast<long long>(count_) + static_cast<long long>(rows.size());
    if (total > INT_MAX)
        throw EngineError(QStringLiteral("Слишком много записей для таблицы %1").arg(path_));
    const size_t recordLength = static_cast<size_t>(recordLength_);
    std::string out;
    out.reserve(static_cast<size_t>(headerLength_) + static_cast<size_t>(total) * recordLength + 1);
    out.append(data_.view(
        0, static_cast<size_t>(headerLength_) + static_cast<size_t>(count_) * recordLength));
    for (const Record& row : rows) out += encodeRecord(row, ' ');
    replaceWith(std::move(out), static_cast<int>(total));
}

void DbfTable::requireExclusiveWrite() const {
    if (!exclusive_)
        throw EngineError(QStringLiteral("Таблица %1 не открыта монопольно").arg(path_));
    if (readOnly_)
        throw EngineError(QStringLiteral("Файл %1 доступен только для чтения").arg(path_));
}

void DbfTable::replaceWith(std::string out, int count) {
    out.push_back(kEndOfFile);
    std::string date = headerDate(QDate::currentDate());
    std::memcpy(out.data() + 1, date.data(), 3);
    put32(out, 4, static_cast<uint32_t>(count));

    // The new table is written beside the old one and takes its place whole; the new file
    // is locked for this process before it gets the table's name.
    struct stat st;
    mode_t mode = (fstat(fd_, &st) == 0) ? (st.st_mode & 07777) : 0644;
    fileio::Replacement replacement(path_, mode);
    replacement.append(out);
    if (!tryLockFile(replacement.fd(), true))
        throw EngineError(ErrorKind::Busy, QStringLiteral("Таблица занята другой программой: %1").arg(path_));
    replacement.commit(true);
    ::close(fd_);
    fd_ = replacement.releaseFd();
    indexDirty_ = false;
    load();
    indexDirty_ = !tags_.empty();
    writeIndex();
}

void DbfTable::flush() {
    if (fd_ < 0 || readOnly_) return;
    ChangeLock lock(fd_, true, path_);
    if (indexDirty_) writeIndex();
    syncWritten();
}

void DbfTable::syncData() {
    if (fd_ >= 0 && !readOnly_) fileio::syncData(fd_, path_);
}

// The caller holds the change lock, so no other process removes the temporary of the index
// as a stale one while it is being written.
void DbfTable::writeIndex() {
    if (tags_.empty() || readOnly_) {
        indexDirty_ = false;
        return;
    }
    std::vector<MdxIndex::TagData> tagData;
    for (const TagDef& tag : tags_) {
        const int field = fieldIndex(tag.expression);
        if (field < 0) return;  // a key we cannot compute: leave that index file alone
        const FieldDef& f = fields_[static_cast<size_t>(field)];
        MdxIndex::TagData data;
        data.info.name = tag.name;
        data.info.expression = tag.expression;
        switch (f.kind) {
            case FieldKind::Text: data.info.keyType = 'C'; data.info.keyLength = std::min(f.width, 100); break;
            case FieldKind::Date: data.info.keyType = 'D'; data.info.keyLength = 8; break;
            case FieldKind::Boolean: return;
            default: data.info.keyType = 'N'; data.info.keyLength = 12; break;
        }
        data.fieldTexts.reserve(static_cast<size_t>(count_));
        for (int i = 0; i < count_; ++i) {
            data.fieldTexts.emplace_back(rawField(i, field));  // the index clips character keys
        }
        tagData.push_back(std::move(data));
    }
    QFileInfo info(path_);
    MdxIndex::write(mdxPath_, info.completeBaseName().toUpper(), tagData, QDate::currentDate());
    indexDirty_ = false;
    rebuildIndex_ = false;
    mdxMissing_ = false;
}

void DbfTable::create(const QString& path, const std::vector<FieldDef>& fields,
                      const std::vector<TagDef>& tags) {
    if (QFileInfo::exists(path)) throw EngineError(QStringLiteral("Файл %1 уже существует").arg(path));
    if (fields.empty() || fields.size() > 255)
        throw EngineError(QStringLiteral("Таблица %1: неверное число полей").arg(path));
    int recordLength = 1;
    std::string header(kFileHeader, '\0');
    std::string descriptors;
    for (const FieldDef& f : fields) {
        const QByteArray name = f.name.toUpper().toLatin1();
        bool nameOk = !name.isEmpty() && name.size() <= 10;
        for (char c : name) nameOk = nameOk && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
        if (!nameOk) throw EngineError(QStringLiteral("Недопустимое имя поля \"%1\"").arg(f.name));
        FieldDef d = f;
        switch (f.kind) {
            case FieldKind::Text:
                if (d.width < 1 || d.width > 254)
                    throw EngineError(QStringLiteral("Поле %1: длина должна быть от 1 до 254").arg(f.name));
                d.decimals = 0;
                break;
            case FieldKind::SmallInt:
                if (d.width == 0) d.width = 4;
                if (d.width > 4 || d.decimals != 0)
                    throw EngineError(QStringLiteral("Поле %1: малое целое — не более 4 знаков без дробной части").arg(f.name));
                break;
            case FieldKind::Float:
                if (d.width == 0) d.width = 20;
                if (d.width > 20 || d.decimals >= d.width - 1 || (d.decimals == 0 && d.width <= 4))
                    throw EngineError(QStringLiteral("Поле %1: неверная длина числа").arg(f.name));
                break;
            case FieldKind::Date: d.width = 8; d.decimals = 0; break;
            case FieldKind::Boolean: d.width = 1; d.decimals = 0; break;
        }
        bool tagged = false;
        for (const TagDef& t : tags) tagged = tagged || t.expression.compare(f.name, Qt::CaseInsensitive) == 0;
        std::string desc(kDescriptor, '\0');
        std::memcpy(desc.data(), name.constData(), static_cast<size_t>(name.size()));
        desc[11] = typeLetter(d);
        desc[16] = static_cast<char>(d.width);
        desc[17] = static_cast<char>(d.decimals);
        desc[31] = tagged ? 1 : 0;
        descriptors += desc;
        recordLength += d.width;
    }
    for (const TagDef& t : tags) {
        bool known = false;
        for (const FieldDef& f : fields) known = known || f.name.compare(t.expression, Qt::CaseInsensitive) == 0;
        if (!known || t.name.isEmpty() || t.name.size() > 10)
            throw EngineError(QStringLiteral("Индекс \"%1\": неверное поле \"%2\"").arg(t.name, t.expression));
    }
    if (recordLength > 4000) throw EngineError(QStringLiteral("Таблица %1: запись длиннее 4000 байт").arg(path));
    header[0] = 0x03;
    std::string date = headerDate(QDate::currentDate());
    std::memcpy(header.data() + 1, date.data(), 3);
    const int headerLength = kFileHeader + static_cast<int>(descriptors.size()) + 1;
    put16(header, 8, static_cast<uint32_t>(headerLength));
    put16(header, 10, static_cast<uint32_t>(recordLength));
    header[28] = tags.empty() ? 0 : 1;
    header[29] = static_cast<char>(kLdid1251);
    std::string file = header + descriptors;
    file.push_back(static_cast<char>(kTerminator));
    file.push_back(kEndOfFile);

    if (!tags.empty()) {
        std::vector<MdxIndex::TagData> tagData;
        for (const TagDef& t : tags) {
            MdxIndex::TagData data;
            data.info.name = t.name.toUpper();
            data.info.expression = t.expression.toUpper();
            for (const FieldDef& f : fields) {
                if (f.name.compare(t.expression, Qt::CaseInsensitive) != 0) continue;
                switch (f.kind) {
                    case FieldKind::Text: data.info.keyType = 'C'; data.info.keyLength = std::min(f.width, 100); break;
                    case FieldKind::Date: data.info.keyType = 'D'; data.info.keyLength = 8; break;
                    case FieldKind::Boolean:
                        throw EngineError(QStringLiteral("Индекс по логическому полю %1 не поддерживается").arg(f.name));
                    default: data.info.keyType = 'N'; data.info.keyLength = 12; break;
                }
            }
            tagData.push_back(std::move(data));
        }
        QFileInfo info(path);
        MdxIndex::write(info.dir().filePath(info.completeBaseName() + QStringLiteral(".MDX")),
                        info.completeBaseName().toUpper(), tagData, QDate::currentDate());
    }
    fileio::replaceFile(path, file, 0644);
}

}  // namespace engine
