#include "MdxIndex.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <numeric>

#include "Codec.h"
#include "EngineError.h"
#include "FileIo.h"

namespace engine {

using base::Codec;
using base::EngineError;
namespace fileio = base::fileio;

namespace {

// File geometry. Every pointer in the file is a 512-byte page number; nodes are 1024-byte
// blocks of two pages.
constexpr qint64 kPageBytes = 512;
constexpr int kBlockPages = 2;
constexpr int kBlockBytes = 1024;
constexpr int kHeaderPages = 4;  // file header + tag table
constexpr int kHeaderBytes = kHeaderPages * kPageBytes;
constexpr int kTagTableOffset = 544;
constexpr int kTagEntryBytes = 32;
constexpr int kTagSlots = 48;  // slots announced in the header
constexpr int kMaxTags = 47;   // 544 + 47 * 32 = 2048: the table ends with page 3
constexpr int kMaxNameBytes = 10;
constexpr int kMaxCharKey = 100;
constexpr int kMaxExpressionBytes = 220;
constexpr int kNodeHeaderBytes = 8;  // key count + unused word
constexpr int kMaxTreeDepth = 64;    // far beyond any real tree (fan-out >= 2)
constexpr unsigned char kKeyFormat = 0x10;
constexpr double kBlankDateKey = 1.0e100;  // sorts after every real date

constexpr int kNumericKeyBytes = 12;
constexpr int kDateKeyBytes = 8;
constexpr int kMaxBcdDigits = 20;

// Offsets in a tag header block.
namespace tagHeader {
constexpr int kRootPage = 0;
constexpr int kPagesUsed = 4;
constexpr int kFormat = 8;
constexpr int kType = 9;
constexpr int kMarker = 11;
constexpr int kKeyLength = 12;
constexpr int kMaxKeys = 14;
constexpr int kDateFlag = 16;
constexpr int kItemLength = 18;
constexpr int kChangeCounter = 20;
constexpr int kExpression = 24;
constexpr int kExpressionField = 221;  // bytes 24..244
constexpr int kHasKeys = 246;
constexpr int kFirstLeaf = 248;
constexpr int kLastLeaf = 252;
constexpr int kDate = 257;
constexpr int kSingleField = 480;
constexpr int kBytesRead = 512;  // everything read from a tag header lies here
}  // namespace tagHeader

void put16(char* p, unsigned v) {
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>((v >> 8) & 0xFF);
}

void put32(char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

unsigned get8(const std::string& b, size_t off) {
    return static_cast<unsigned char>(b[off]);
}

unsigned get16(const std::string& b, size_t off) {
    return get8(b, off) | (get8(b, off + 1) << 8);
}

std::uint32_t get32(const std::string& b, size_t off) {
    return static_cast<std::uint32_t>(get16(b, off)) |
           (static_cast<std::uint32_t>(get16(b, off + 2)) << 16);
}

void putDate(char* p, const QDate& d) {
    p[0] = static_cast<char>(d.year() - 1900);
    p[1] = static_cast<char>(d.month());
    p[2] = static_cast<char>(d.day());
}

QString nativePath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

[[noreturn]] void throwDamaged(const QString& path) {
    throw EngineError(QStringLiteral("Повреждён индексный файл: %1").arg(nativePath(path)));
}

[[noreturn]] void throwBadDefinition(const QString& what) {
    throw EngineError(QStringLiteral("Неверное описание индекса: %1").arg(what));
}

bool isSpaceLike(char c) {
    return c == ' ' || c == '\0' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int itemLengthFor(int keyLength) {
    return (keyLength + 4 + 3) / 4 * 4;
}

// ---- building -----------------------------------------------------------------------------

// One tag ready to be laid out: encoded keys of every record and the record order.
struct PreparedTag {
    std::string name;        // upper case, ASCII
    std::string expression;  // ASCII
    char type = 'C';
    int keyLength = 0;
    int itemLength = 0;
    int maxKeys = 0;
    std::vector<char> keys;            // keyLength bytes per record, in record order
    std::vector<std::uint32_t> order;  // record indexes (0-based) in key order
    // Node counts per level, leaves first; the last level holds the root alone.
    std::vector<size_t> levelNodes;
    std::uint32_t headerPage = 0;
    std::uint32_t firstNodePage = 0;

    size_t totalNodes() const {
        return std::accumulate(levelNodes.begin(), levelNodes.end(), size_t{0});
    }
};

// Keys turned into byte strings whose memcmp order is the key order of the tag type.
void writeSortKey(char type, const char* key, int keyLength, unsigned char* out) {
    if (type == 'C') {
        std::memcpy(out, key, static_cast<size_t>(keyLength));
        return;
    }
    const auto* k = reinterpret_cast<const unsigned char*>(key);
    if (type == 'N') {
        // Sign class first (negative < zero < positive); then the exponent byte and the
        // zero-filled digits, both inverted for negatives, whose larger magnitude is smaller.
        const int digits = (k[1] >> 2) & 0x1F;
        std::memset(out, 0, kNumericKeyBytes);
        if (digits == 0) {
            out[0] = 1;
            return;
        }
        const bool negative = (k[1] & 0x80) != 0;
        out[0] = negative ? 0 : 2;
        out[1] = negative ? static_cast<unsigned char>(~k[0]) : k[0];
        for (int i = 2; i < kNumericKeyBytes; ++i)
            out[i] = negative ? static_cast<unsigned char>(~k[i]) : k[i];
        return;
    }
    // D: IEEE-754 double; flipping the bits makes unsigned big-endian order the numeric order.
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | k[i];
    bits = (bits >> 63) ? ~bits : (bits | (std::uint64_t{1} << 63));
    for (int i = 0; i < 8; ++i) out[i] = static_cast<unsigned char>(bits >> (8 * (7 - i)));
}

int sortKeyLength(char type, int keyLength) {
    return type == 'N' ? kNumericKeyBytes : type == 'D' ? kDateKeyBytes : keyLength;
}

bool isIdentifier(const std::string& s) {
    if (s.empty()) return false;
    auto letter = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    };
    if (!letter(s[0])) return false;
    return std::all_of(s.begin(), s.end(), [&](char c) { return letter(c) || isDigit(c); });
}

// Splits `count` items into `groups` groups as evenly as possible, the larger ones first.
size_t groupSize(size_t count, size_t groups, size_t index) {
    return count / groups + (index < count % groups ? 1 : 0);
}

size_t ceilDiv(size_t a, size_t b) {
    return (a + b - 1) / b;
}

PreparedTag prepareTag(const MdxIndex::TagData& data) {
    PreparedTag tag;
    const QString upperName = data.info.name.trimmed().toUpper();
    for (QChar c : upperName) {
        const char16_t u = c.unicode();
        if (!((u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_'))
            throwBadDefinition(QStringLiteral("недопустимое имя тега «%1»").arg(data.info.name));
    }
    if (upperName.isEmpty() || upperName.size() > kMaxNameBytes)
        throwBadDefinition(QStringLiteral("недопустимое имя тега «%1»").arg(data.info.name));
    tag.name = upperName.toStdString();

    QString expression = data.info.expression.trimmed();
    if (expression.isEmpty()) expression = upperName;
    for (QChar c : expression)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            throwBadDefinition(QStringLiteral("недопустимое выражение тега %1").arg(upperName));
    if (expression.size() > kMaxExpressionBytes)
        throwBadDefinition(QStringLiteral("слишком длинное выражение тега %1").arg(upperName));
    tag.expression = expression.toStdString();

    switch (data.info.keyType) {
        case 'C':
            tag.type = 'C';
            tag.keyLength = data.info.keyLength;
            if (tag.keyLength < 1 || tag.keyLength > kMaxCharKey)
                throwBadDefinition(QStringLiteral("длина ключа тега %1 должна быть от 1 до %2")
                                       .arg(upperName)
                                       .arg(kMaxCharKey));
            break;
        case 'N':
        case 'F':
            tag.type = 'N';
            tag.keyLength = kNumericKeyBytes;
            break;
        case 'D':
            tag.type = 'D';
            tag.keyLength = kDateKeyBytes;
            break;
        default:
            throwBadDefinition(QStringLiteral("неизвестный тип ключа тега %1").arg(upperName));
    }
    tag.itemLength = itemLengthFor(tag.keyLength);
    tag.maxKeys = (kBlockBytes - kNodeHeaderBytes - 4) / tag.itemLength;

    const size_t count = data.fieldTexts.size();
    if (count > static_cast<size_t>(INT_MAX))
        throwBadDefinition(QStringLiteral("слишком много записей для тега %1").arg(upperName));

    // Keys in record order.
    const size_t keyLength = static_cast<size_t>(tag.keyLength);
    tag.keys.assign(count * keyLength, ' ');
    for (size_t r = 0; r < count; ++r) {
        char* dst = tag.keys.data() + r * keyLength;
        const std::string& text = data.fieldTexts[r];
        if (tag.type == 'C') {
            std::memcpy(dst, text.data(), std::min(text.size(), keyLength));
        } else {
            const std::string key =
                tag.type == 'N' ? MdxIndex::numericKey(text) : MdxIndex::dateKey(text);
            std::memcpy(dst, key.data(), keyLength);
        }
    }

    // Key order; equal keys by ascending record number.
    const size_t sortLength = static_cast<size_t>(sortKeyLength(tag.type, tag.keyLength));
    std::vector<unsigned char> sortKeys(count * sortLength);
    for (size_t r = 0; r < count; ++r)
        writeSortKey(tag.type, tag.keys.data() + r * keyLength, tag.keyLength,
                     sortKeys.data() + r * sortLength);
    tag.order.resize(count);
    std::iota(tag.order.begin(), tag.order.end(), std::uint32_t{0});
    const unsigned char* sk = sortKeys.data();
    std::sort(tag.order.begin(), tag.order.end(), [&](std::uint32_t a, std::uint32_t b) {
        const int c = std::memcmp(sk + a * sortLength, sk + b * sortLength, sortLength);
        return c != 0 ? c < 0 : a < b;
    });

    // Tree shape: leaves filled evenly (one empty leaf for an empty tag), then interior
    // levels of up to maxKeys + 1 children until one node is left.
    const size_t perLeaf = static_cast<size_t>(tag.maxKeys);
    size_t nodes = std::max<size_t>(1, ceilDiv(count, perLeaf));
    tag.levelNodes.push_back(nodes);
    while (nodes > 1) {
        nodes = ceilDiv(nodes, perLeaf + 1);
        tag.levelNodes.push_back(nodes);
    }
    return tag;
}

void checkTagSet(const std::vector<PreparedTag>& tags) {
    if (tags.size() > static_cast<size_t>(kMaxTags))
        throwBadDefinition(QStringLiteral("тегов больше %1").arg(kMaxTags));
    for (size_t i = 0; i < tags.size(); ++i)
        for (size_t j = i + 1; j < tags.size(); ++j)
            if (tags[i].name == tags[j].name)
                throwBadDefinition(
                    QStringLiteral("тег %1 повторяется").arg(QString::fromStdString(tags[i].name)));
}

// Writes the nodes of one tag from its first node page on; returns the root page.
// Each node entry is (pointer, key): a record number in leaves, a child page in interior
// nodes, whose key is the highest key of that child's subtree.
std::uint32_t writeTree(const PreparedTag& tag, char* image, std::uint32_t& firstLeaf,
                        std::uint32_t& lastLeaf) {
    const size_t item = static_cast<size_t>(tag.itemLength);
    const size_t keyLength = static_cast<size_t>(tag.keyLength);
    auto nodeAt = [&](std::uint32_t page) {
        return image + static_cast<size_t>(page) * kPageBytes;
    };

    struct Node {
        std::uint32_t page;
        std::uint32_t highest;  // record index of the subtree's highest key
    };
    std::vector<Node> level;
    std::uint32_t page = tag.firstNodePage;

    const size_t count = tag.order.size();
    const size_t leaves = tag.levelNodes.front();
    level.reserve(leaves);
    size_t next = 0;
    for (size_t l = 0; l < leaves; ++l) {
        const size_t n = groupSize(count, leaves, l);
        char* node = nodeAt(page);
        put32(node, static_cast<std::uint32_t>(n));
        char* entry = node + kNodeHeaderBytes;
        for (size_t i = 0; i < n; ++i, ++next, entry += item) {
            const std::uint32_t r = tag.order[next];
            put32(entry, r + 1);
            std::memcpy(entry + 4, tag.keys.data() + r * keyLength, keyLength);
        }
        // The zero slot after the last entry marks a leaf; the image is zero-filled already.
        level.push_back({page, n ? tag.order[next - 1] : 0});
        page += kBlockPages;
    }
    firstLeaf = level.front().page;
    lastLeaf = level.back().page;

    const size_t fanOut = static_cast<size_t>(tag.maxKeys) + 1;
    while (level.size() > 1) {
        const size_t parents = ceilDiv(level.size(), fanOut);
        std::vector<Node> upper;
        upper.reserve(parents);
        size_t child = 0;
        for (size_t p = 0; p < parents; ++p) {
            const size_t children = groupSize(level.size(), parents, p);
            char* node = nodeAt(page);
            put32(node, static_cast<std::uint32_t>(children - 1));
            char* entry = node + kNodeHeaderBytes;
            for (size_t i = 0; i + 1 < children; ++i, ++child, entry += item) {
                put32(entry, level[child].page);
                std::memcpy(entry + 4, tag.keys.data() + level[child].highest * keyLength,
                            keyLength);
            }
            put32(entry, level[child].page);  // right-most child, no key
            upper.push_back({page, level[child].highest});
            ++child;
            page += kBlockPages;
        }
        level = std::move(upper);
    }
    return level.front().page;
}

void writeTagHeader(const PreparedTag& tag, std::uint32_t root, std::uint32_t firstLeaf,
                    std::uint32_t lastLeaf, const QDate& date, char* h) {
    using namespace tagHeader;
    put32(h + kRootPage, root);
    put32(h + kPagesUsed, static_cast<std::uint32_t>(tag.totalNodes() * kBlockPages));
    h[kFormat] = static_cast<char>(kKeyFormat);
    h[kType] = tag.type;
    h[kMarker] = 0x1B;
    put16(h + kKeyLength, static_cast<unsigned>(tag.keyLength));
    put16(h + kMaxKeys, static_cast<unsigned>(tag.maxKeys));
    put16(h + kDateFlag, tag.type == 'D' ? 1 : 0);
    put16(h + kItemLength, static_cast<unsigned>(tag.itemLength));
    h[kChangeCounter] = 1;
    std::memcpy(h + kExpression, tag.expression.data(), tag.expression.size());
    h[kHasKeys] = tag.order.empty() ? 0 : 1;
    put32(h + kFirstLeaf, firstLeaf);
    put32(h + kLastLeaf, lastLeaf);
    putDate(h + kDate, date);
    h[kSingleField] = isIdentifier(tag.expression) ? 1 : 0;
}

// ---- reading ------------------------------------------------------------------------------

struct ParsedTag {
    MdxIndex::TagInfo info;
    std::uint32_t rootPage = 0;
    int itemLength = 0;
};

// A read-only view of an index file that checks every read against the file size.
class IndexFile {
public:
    explicit IndexFile(const QString& path) : path_(path), file_(path) {
        if (!file_.open(QIODevice::ReadOnly))
            throw EngineError(
                QStringLiteral("Не удалось открыть индексный файл: %1").arg(nativePath(path)));
        size_ = file_.size();
    }

    qint64 size() const { return size_; }
    const QString& path() const { return path_; }
    [[noreturn]] void damaged() const { throwDamaged(path_); }

    // Exactly `length` bytes from `offset`, or the file is damaged.
    std::string read(qint64 offset, qint64 length) {
        if (offset < 0 || length < 0 || offset > size_ || length > size_ - offset) damaged();
        std::string out(static_cast<size_t>(length), '\0');
        if (!file_.seek(offset) || file_.read(out.data(), length) != length) damaged();
        return out;
    }

    // Whether a structure of `length` bytes at `page` lies inside the file and after the
    // header pages.
    bool holds(std::uint32_t page, qint64 length) const {
        if (page < static_cast<std::uint32_t>(kHeaderPages)) return false;
        const qint64 offset = static_cast<qint64>(page) * kPageBytes;
        return offset <= size_ && length <= size_ - offset;
    }

private:
    QString path_;
    QFile file_;
    qint64 size_ = 0;
};

struct ParsedFile {
    int blockBytes = 0;
    std::vector<ParsedTag> tags;
};

ParsedFile parseIndex(IndexFile& file) {
    if (file.size() < kHeaderBytes) file.damaged();
    const std::string header = file.read(0, kHeaderBytes);
    if (get8(header, 0) != 2) file.damaged();

    ParsedFile parsed;
    const unsigned blockPages = get16(header, 20);
    parsed.blockBytes = static_cast<int>(get16(header, 22));
    if (blockPages < 1 || blockPages > 32 ||
        static_cast<qint64>(blockPages) * kPageBytes != parsed.blockBytes)
        file.damaged();
    if (get8(header, 26) != kTagEntryBytes) file.damaged();
    const unsigned tagCount = get16(header, 28);
    if (tagCount > static_cast<unsigned>(kMaxTags)) file.damaged();

    for (unsigned i = 0; i < tagCount; ++i) {
        const size_t entry = kTagTableOffset + static_cast<size_t>(i) * kTagEntryBytes;
        ParsedTag tag;
        const std::uint32_t headerPage = get32(header, entry);
        const std::string rawName = header.substr(entry + 4, 11);
        const std::string name = rawName.substr(0, rawName.find('\0'));
        for (char c : name)
            if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F)
                file.damaged();
        if (name.empty()) file.damaged();
        tag.info.name = QString::fromLatin1(name).toUpper();

        if (!file.holds(headerPage, tagHeader::kBytesRead)) file.damaged();
        const std::string th =
            file.read(static_cast<qint64>(headerPage) * kPageBytes, tagHeader::kBytesRead);

        // The type in the tag table is the one readers rely on; the tag header repeats it.
        char type = static_cast<char>(get8(header, entry + 20));
        if (type != 'C' && type != 'N' && type != 'D') type = th[tagHeader::kType];
        if (type == 'F') type = 'N';
        tag.info.keyType = type;
        tag.info.keyLength = static_cast<int>(get16(th, tagHeader::kKeyLength));
        tag.itemLength = static_cast<int>(get16(th, tagHeader::kItemLength));
        switch (type) {
            case 'C':
                if (tag.info.keyLength < 1 || tag.info.keyLength > kMaxCharKey) file.damaged();
                break;
            case 'N':
                if (tag.info.keyLength != kNumericKeyBytes) file.damaged();
                break;
            case 'D':
                if (tag.info.keyLength != kDateKeyBytes) file.damaged();
                break;
            default:
                file.damaged();
        }
        if (tag.itemLength < tag.info.keyLength + 4 ||
            tag.itemLength > parsed.blockBytes - kNodeHeaderBytes - 4)
            file.damaged();

        const std::string expression =
            th.substr(tagHeader::kExpression, tagHeader::kExpressionField);
        tag.info.expression = QString::fromLatin1(expression.substr(0, expression.find('\0')));

        tag.rootPage = get32(th, tagHeader::kRootPage);
        if (!file.holds(tag.rootPage, parsed.blockBytes)) file.damaged();
        parsed.tags.push_back(std::move(tag));
    }
    return parsed;
}

}  // namespace

// ---- public -------------------------------------------------------------------------------

std::string MdxIndex::numericKey(std::string_view text) {
    // Value = 0.d1d2...dK x 10^E: byte 0 = 0x34 + E, byte 1 = sign | K << 2 | 1, then the K
    // significant digits as packed BCD. The text is read the way dBase reads a number: the
    // leading decimal number after blanks, anything unreadable counting as zero.
    std::string key(kNumericKeyBytes, '\0');
    size_t i = 0;
    const size_t end = text.size();
    while (i < end && isSpaceLike(text[i])) ++i;
    bool negative = false;
    if (i < end && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    const size_t intBegin = i;
    while (i < end && isDigit(text[i])) ++i;
    const size_t intEnd = i;
    size_t fracBegin = i;
    size_t fracEnd = i;
    if (i < end && (text[i] == '.' || text[i] == ',')) {
        fracBegin = ++i;
        while (i < end && isDigit(text[i])) ++i;
        fracEnd = i;
    }

    char digits[kMaxBcdDigits];
    int count = 0;
    long long exponent = 0;
    size_t p = intBegin;
    while (p < intEnd && text[p] == '0') ++p;
    if (p < intEnd) {
        exponent = static_cast<long long>(intEnd - p);
    } else {
        p = fracBegin;
        while (p < fracEnd && text[p] == '0') ++p;
        exponent = -static_cast<long long>(p - fracBegin);
    }
    // Significant digits from p on, across the point (p is in the fraction when the
    // integer part is zero, and then intEnd <= p).
    auto take = [&](size_t from, size_t to) {
        for (size_t q = from; q < to && count < kMaxBcdDigits; ++q) digits[count++] = text[q] - '0';
    };
    if (p < intEnd) {
        take(p, intEnd);
        take(fracBegin, fracEnd);
    } else {
        take(p, fracEnd);
    }
    while (count > 0 && digits[count - 1] == 0) --count;
    if (count == 0) {
        key[0] = 0x34;
        key[1] = 0x01;
        return key;
    }
    // Byte 0 cannot hold exponents outside this range; no field text comes near it.
    exponent = std::clamp<long long>(exponent, -0x34, 0xFF - 0x34);
    key[0] = static_cast<char>(0x34 + exponent);
    key[1] = static_cast<char>((negative ? 0x80 : 0) | (count << 2) | 0x01);
    for (int d = 0; d < count; ++d)
        key[2 + d / 2] = static_cast<char>(key[2 + d / 2] | (d % 2 ? digits[d] : digits[d] << 4));
    return key;
}

std::string MdxIndex::dateKey(std::string_view text) {
    // A double holding the Julian day number; blank or invalid dates get 1.0e100.
    size_t b = 0;
    size_t e = text.size();
    while (b < e && isSpaceLike(text[b])) ++b;
    while (e > b && isSpaceLike(text[e - 1])) --e;
    double value = kBlankDateKey;
    const std::string_view t = text.substr(b, e - b);
    if (t.size() == 8 && std::all_of(t.begin(), t.end(), isDigit)) {
        auto number = [&](size_t from, size_t n) {
            int v = 0;
            for (size_t k = from; k < from + n; ++k) v = v * 10 + (t[k] - '0');
            return v;
        };
        const QDate date(number(0, 4), number(4, 2), number(6, 2));
        if (date.isValid()) value = static_cast<double>(date.toJulianDay());
    }
    const auto bits = std::bit_cast<std::uint64_t>(value);
    std::string key(kDateKeyBytes, '\0');
    for (int k = 0; k < kDateKeyBytes; ++k) key[k] = static_cast<char>((bits >> (8 * k)) & 0xFF);
    return key;
}

std::string MdxIndex::build(const QString& tableBaseName, const std::vector<TagData>& tags,
                            const QDate& date) {
    if (!date.isValid() || date.year() < 1900 || date.year() > 1900 + 255)
        throwBadDefinition(QStringLiteral("недопустимая дата %1").arg(date.toString(Qt::ISODate)));
    if (tags.size() > static_cast<size_t>(kMaxTags))
        throwBadDefinition(QStringLiteral("тегов больше %1").arg(kMaxTags));

    std::vector<PreparedTag> prepared;
    prepared.reserve(tags.size());
    for (const TagData& t : tags) prepared.push_back(prepareTag(t));
    checkTagSet(prepared);

    // Page plan: tag headers at pages 4, 6, ...; then each tag's nodes, leaves first.
    std::uint64_t nextPage = kHeaderPages;
    for (PreparedTag& t : prepared) {
        t.headerPage = static_cast<std::uint32_t>(nextPage);
        nextPage += kBlockPages;
    }
    for (PreparedTag& t : prepared) {
        t.firstNodePage = static_cast<std::uint32_t>(nextPage);
        nextPage += static_cast<std::uint64_t>(t.totalNodes()) * kBlockPages;
    }
    if (nextPage > UINT32_MAX) throwBadDefinition(QStringLiteral("индекс слишком велик"));
    const auto totalPages = static_cast<std::uint32_t>(nextPage);

    std::string image(static_cast<size_t>(totalPages) * kPageBytes, '\0');
    char* h = image.data();

    // File header.
    h[0] = 0x02;
    putDate(h + 1, date);
    const std::string baseName = Codec::cp1251().encodeClipped(tableBaseName.toUpper(), 16);
    std::memcpy(h + 4, baseName.data(), baseName.size());
    put16(h + 20, kBlockPages);
    put16(h + 22, kBlockBytes);
    h[24] = 0x01;  // production index
    h[25] = static_cast<char>(kTagSlots);
    h[26] = static_cast<char>(kTagEntryBytes);
    put16(h + 28, static_cast<unsigned>(prepared.size()));
    h[30] = static_cast<char>(prepared.size() + 1);
    h[31] = 0x1B;
    put32(h + 32, totalPages);
    // 36: free list empty, 40: no blocks available.
    putDate(h + 44, date);
    h[529] = 0x01;

    // Tag table. The entries also form a binary search tree by name (left = smaller),
    // built by inserting the tags in table order; links are 1-based entry numbers.
    std::vector<int> left(prepared.size(), 0), right(prepared.size(), 0),
        parent(prepared.size(), 0);
    for (size_t i = 1; i < prepared.size(); ++i) {
        size_t node = 0;
        for (;;) {
            std::vector<int>& link = prepared[i].name < prepared[node].name ? left : right;
            if (link[node] == 0) {
                link[node] = static_cast<int>(i) + 1;
                parent[i] = static_cast<int>(node) + 1;
                break;
            }
            node = static_cast<size_t>(link[node] - 1);
        }
    }
    for (size_t i = 0; i < prepared.size(); ++i) {
        const PreparedTag& t = prepared[i];
        char* e = h + kTagTableOffset + i * kTagEntryBytes;
        put32(e, t.headerPage);
        std::memcpy(e + 4, t.name.data(), t.name.size());
        e[15] = static_cast<char>(kKeyFormat);
        e[16] = static_cast<char>(left[i]);
        e[17] = static_cast<char>(right[i]);
        e[18] = static_cast<char>(parent[i]);
        e[19] = 0x02;
        e[20] = t.type;
    }

    for (const PreparedTag& t : prepared) {
        std::uint32_t firstLeaf = 0;
        std::uint32_t lastLeaf = 0;
        const std::uint32_t root = writeTree(t, h, firstLeaf, lastLeaf);
        writeTagHeader(t, root, firstLeaf, lastLeaf, date,
                       h + static_cast<size_t>(t.headerPage) * kPageBytes);
    }
    return image;
}

void MdxIndex::write(const QString& path, const QString& tableBaseName,
                     const std::vector<TagData>& tags, const QDate& date) {
    const std::string image = build(tableBaseName, tags, date);
    // A complete new file replaces the old one only once it is on disk, so a crash or a full
    // disk leaves either the old index or the new one, never a mix or an empty file.
    struct stat st {};
    const mode_t mode = ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    fileio::replaceFile(path, image, mode);
}

std::vector<MdxIndex::TagInfo> MdxIndex::readTags(const QString& path) {
    IndexFile file(path);
    std::vector<TagInfo> out;
    for (ParsedTag& t : parseIndex(file).tags) out.push_back(std::move(t.info));
    return out;
}

int MdxIndex::compareKeys(char keyType, std::string_view a, std::string_view b) {
    const char type = keyType == 'F' ? 'N' : keyType;
    if (type == 'C' || a.size() != b.size() ||
        a.size() != static_cast<size_t>(sortKeyLength(type, 0)))
        return a.compare(b);
    unsigned char x[kNumericKeyBytes], y[kNumericKeyBytes];
    writeSortKey(type, a.data(), static_cast<int>(a.size()), x);
    writeSortKey(type, b.data(), static_cast<int>(b.size()), y);
    return std::memcmp(x, y, a.size());
}

std::vector<MdxIndex::Entry> MdxIndex::walk(const QString& path, const QString& tagName) {
    IndexFile file(path);
    const ParsedFile parsed = parseIndex(file);
    const QString wanted = tagName.trimmed().toUpper();
    const auto tag = std::find_if(parsed.tags.begin(), parsed.tags.end(),
                                  [&](const ParsedTag& t) { return t.info.name == wanted; });
    if (tag == parsed.tags.end())
        throw EngineError(
            QStringLiteral("В индексном файле %1 нет тега %2").arg(nativePath(path), tagName));

    const size_t item = static_cast<size_t>(tag->itemLength);
    const size_t keyLength = static_cast<size_t>(tag->info.keyLength);
    const size_t blockBytes = static_cast<size_t>(parsed.blockBytes);
    const size_t maxEntries = (blockBytes - kNodeHeaderBytes - 4) / item;

    // Depth-first, children in order. Each page may be visited once: in a tree every node
    // has one parent, so a second visit means a cycle or a shared node. That also bounds
    // the work by the number of pages in the file.
    std::vector<bool> visited(static_cast<size_t>(file.size() / kPageBytes) + 1, false);
    struct Pending {
        std::uint32_t page;
        int depth;
    };
    std::vector<Pending> stack{{tag->rootPage, 0}};
    std::vector<Entry> entries;
    while (!stack.empty()) {
        const Pending current = stack.back();
        stack.pop_back();
        if (current.depth > kMaxTreeDepth) file.damaged();
        if (!file.holds(current.page, parsed.blockBytes)) file.damaged();
        if (visited[current.page]) file.damaged();
        visited[current.page] = true;

        const std::string node =
            file.read(static_cast<qint64>(current.page) * kPageBytes, parsed.blockBytes);
        const std::uint32_t n = get32(node, 0);
        if (n > maxEntries) file.damaged();
        const size_t tail = kNodeHeaderBytes + n * item;
        const std::uint32_t rightMost = get32(node, tail);
        if (rightMost == 0) {
            for (size_t i = 0; i < n; ++i) {
                const size_t at = kNodeHeaderBytes + i * item;
                const std::uint32_t record = get32(node, at);
                if (record == 0 || record > static_cast<std::uint32_t>(INT_MAX)) file.damaged();
                entries.push_back({static_cast<int>(record), node.substr(at + 4, keyLength)});
            }
        } else {
            // Pushed in reverse so that the left-most child is walked first.
            stack.push_back({rightMost, current.depth + 1});
            for (size_t i = n; i-- > 0;)
                stack.push_back({get32(node, kNodeHeaderBytes + i * item), current.depth + 1});
        }
    }
    return entries;
}

}  // namespace engine
