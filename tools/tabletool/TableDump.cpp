#include "TableDump.h"

#include <QDate>
#include <QFileInfo>
#include <array>
#include <charconv>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "DbfRecordStream.h"
#include "Codec.h"
#include "EngineError.h"
#include "engine/ParadoxTable.h"
#include "PathCase.h"

using base::EngineError;
using engine::FieldDef;
using engine::FieldKind;

namespace tabletool {

namespace {

constexpr size_t kFlushAt = 256 * 1024;

// Builds the CSV text in a buffer that goes to the sink whenever it is full.
class CsvWriter {
public:
    CsvWriter(const TextSink& sink, size_t longestRow) : sink_(sink), room_(kFlushAt + longestRow) {
        buffer_.reset(new char[room_]);
        at_ = buffer_.get();
    }

    // Makes sure a row of up to the longest length fits.
    void startRow() {
        if (static_cast<size_t>(at_ - buffer_.get()) >= kFlushAt) flush();
    }
    void put(char c) { *at_++ = c; }
    void put(std::string_view s) {
        std::memcpy(at_, s.data(), s.size());
        at_ += s.size();
    }
    // A cell from bytes that may need quoting, converted through a byte-to-UTF-8 table.
    template <typename Table>
    void cell(const char* bytes, size_t length, const Table& utf8) {
        unsigned char seen = 0;
        for (size_t i = 0; i < length; ++i) seen |= kClass[static_cast<unsigned char>(bytes[i])];
        if (seen == 0) {
            std::memcpy(at_, bytes, length);
            at_ += length;
            return;
        }
        const bool quote = (seen & kQuote) != 0;
        if (quote) *at_++ = '"';
        for (size_t i = 0; i < length; ++i) {
            const unsigned char c = static_cast<unsigned char>(bytes[i]);
            if (c < 0x80) {
                if (c == '"') *at_++ = '"';
                *at_++ = static_cast<char>(c);
            } else {
                const auto& u = utf8[c];
                std::memcpy(at_, u.bytes, 4);
                at_ += u.length;
            }
        }
        if (quote) *at_++ = '"';
    }
    void flush() {
        const size_t n = static_cast<size_t>(at_ - buffer_.get());
        if (n > 0) sink_(std::string_view(buffer_.get(), n));
        at_ = buffer_.get();
    }

    static constexpr unsigned char kQuote = 1, kHigh = 2;
    static const std::array<unsigned char, 256> kClass;

private:
    const TextSink& sink_;
    size_t room_;
    std::unique_ptr<char[]> buffer_;
    char* at_ = nullptr;
};

const std::array<unsigned char, 256> CsvWriter::kClass = [] {
    std::array<unsigned char, 256> t{};
    for (int c = 0x80; c < 256; ++c) t[static_cast<size_t>(c)] = kHigh;
    for (unsigned char c : {',', '"', '\n', '\r'}) t[c] = kQuote;
    return t;
}();

// The UTF-8 text of each byte of a code page, as the engine decodes it.
struct Utf8Char {
    char bytes[4] = {};
    unsigned char length = 0;
};
std::array<Utf8Char, 256> utf8Table(const base::Codec& codec) {
    std::array<Utf8Char, 256> table;
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        const QByteArray u = codec.decode(std::string_view(&byte, 1)).toUtf8().left(4);
        std::memcpy(table[static_cast<size_t>(b)].bytes, u.constData(),
                    static_cast<size_t>(u.size()));
        table[static_cast<size_t>(b)].length = static_cast<unsigned char>(u.size());
    }
    return table;
}

bool isPad(char c) {
    return c == ' ' || c == '\0';
}

// The length of a text without its padding on the right; long fields are mostly padding, so
// whole words of blanks are skipped at once.
size_t paddedLength(const char* s, size_t e) {
    constexpr uint64_t kBlanks = 0x2020202020202020ULL;
    while (e >= 8) {
        uint64_t word;
        std::memcpy(&word, s + e - 8, 8);
        if (word != kBlanks) break;
        e -= 8;
    }
    while (e > 0 && isPad(s[e - 1])) --e;
    return e;
}

using Utf8Table = std::array<Utf8Char, 256>;

void headerRow(CsvWriter& out, const std::vector<FieldDef>& fields, const Utf8Table& utf8) {
    out.startRow();
    out.put("deleted");
    for (const FieldDef& f : fields) {
        out.put(',');
        const QByteArray name = f.name.toUtf8();
        out.cell(name.constData(), static_cast<size_t>(name.size()), utf8);
    }
    out.put('\n');
}

struct Column {
    FieldKind kind;
    size_t offset, width;
};

void dateCell(CsvWriter& out, const char* raw, const Utf8Table& utf8) {
    int digits[8];
    bool allDigits = true, blank = true;
    for (int i = 0; i < 8; ++i) {
        const char ch = raw[i];
        allDigits = allDigits && ch >= '0' && ch <= '9';
        blank = blank && (isPad(ch) || ch == '0');
        digits[i] = ch - '0';
    }
    if (blank) return;
    const int y = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
    const int m = digits[4] * 10 + digits[5], d = digits[6] * 10 + digits[7];
    if (allDigits && QDate::isValid(y, m, d)) {
        const char iso[10] = {raw[0], raw[1], raw[2], raw[3], '-',
                              raw[4], raw[5], '-',    raw[6], raw[7]};
        out.put(std::string_view(iso, 10));
    } else {
        // Not a date: shown as it stands, so that the damage is seen.
        out.cell(raw, paddedLength(raw, 8), utf8);
    }
}

void recordRow(CsvWriter& out, const char* rec, const std::vector<Column>& columns,
               const Utf8Table& utf8) {
    out.startRow();
    if (*rec == '*') out.put('*');
    for (const Column& c : columns) {
        out.put(',');
        const char* raw = rec + c.offset;
        switch (c.kind) {
            case FieldKind::Text:
                out.cell(raw, paddedLength(raw, c.width), utf8);
                break;
            case FieldKind::SmallInt:
            case FieldKind::Float: {
                // The number exactly as stored, without the padding around it.
                size_t b = 0, e = c.width;
                while (b < e && isPad(raw[b])) ++b;
                while (e > b && isPad(raw[e - 1])) --e;
                out.cell(raw + b, e - b, utf8);
                break;
            }
            case FieldKind::Date:
                dateCell(out, raw, utf8);
                break;
            case FieldKind::Boolean:
                switch (*raw) {
                    case 'T':
                    case 't':
                    case 'Y':
                    case 'y':
                        out.put('T');
                        break;
                    case 'F':
                    case 'f':
                    case 'N':
                    case 'n':
                        out.put('F');
                        break;
                    default:
                        break;
                }
                break;
        }
    }
    out.put('\n');
}

void dumpDbf(const QString& path, const TextSink& sink) {
    DbfRecordStream stream(path);
    const engine::DbfLayout& layout = stream.layout();
    const Utf8Table utf8 = utf8Table(base::Codec::forLanguageDriver(layout.languageDriver));
    std::vector<Column> columns;
    size_t longestRow = 16;
    for (size_t i = 0; i < layout.fields.size(); ++i) {
        const FieldDef& f = layout.fields[i];
        columns.push_back(
            {f.kind, static_cast<size_t>(layout.offsets[i]), static_cast<size_t>(f.width)});
        longestRow += 3 + 6 * static_cast<size_t>(f.width) + 2 * static_cast<size_t>(f.name.size());
    }
    CsvWriter out(sink, longestRow);
    headerRow(out, layout.fields, utf8);
    const size_t recordLength = static_cast<size_t>(layout.recordLength);
    std::string_view block;
    long long first = 0;
    try {
        while (stream.next(block, first))
            for (size_t at = 0; at < block.size(); at += recordLength)
                recordRow(out, block.data() + at, columns, utf8);
    } catch (const EngineError&) {
        out.flush();  // the records before the damage
        throw;
    }
    out.flush();
}

// A Paradox table stores binary values: numbers are written in the shortest form that
// reads back as the same value.
std::string paradoxValue(const QVariant& v) {
    if (v.isNull()) return {};
    switch (v.typeId()) {
        case QMetaType::QDate:
            return v.toDate().toString(Qt::ISODate).toStdString();
        case QMetaType::Bool:
            return v.toBool() ? "T" : "F";
        case QMetaType::Double: {
            char buf[64];
            const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v.toDouble());
            return ec == std::errc() ? std::string(buf, end) : std::string();
        }
        default:
            return v.toString().toStdString();
    }
}

void dumpParadox(const QString& path, const TextSink& sink) {
    const auto table = engine::ParadoxTable::open(path, false);
    std::array<Utf8Char, 256> plain{};  // the values are UTF-8 already
    for (int b = 0; b < 256; ++b) plain[static_cast<size_t>(b)] = {{static_cast<char>(b)}, 1};
    size_t longestRow = 16;
    for (const FieldDef& f : table->fields())
        longestRow += 3 + 2 * 64 + 6 * static_cast<size_t>(std::max(f.width, 64));
    CsvWriter out(sink, longestRow);
    headerRow(out, table->fields(), plain);
    for (int s = 0; s < table->slotCount(); ++s) {
        out.startRow();
        if (table->isDeleted(s)) out.put('*');
        for (size_t i = 0; i < table->fields().size(); ++i) {
            out.put(',');
            const std::string v = paradoxValue(table->value(s, static_cast<int>(i)));
            out.cell(v.data(), v.size(), plain);
        }
        out.put('\n');
    }
    out.flush();
}

}  // namespace

void dumpTable(const QString& file, const TextSink& sink) {
    const QString path = base::resolveIgnoringCase(file);
    if (!QFileInfo(path).isFile())
        throw EngineError(QStringLiteral("файл не найден: %1").arg(file));
    if (QFileInfo(path).suffix().compare(QLatin1String("db"), Qt::CaseInsensitive) == 0)
        dumpParadox(path, sink);
    else
        dumpDbf(path, sink);
}

}  // namespace tabletool
