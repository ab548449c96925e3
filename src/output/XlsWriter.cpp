#include "XlsWriter.h"

#include <cstring>
#include <string>

#include "Codec.h"
#include "engine/Field.h"

namespace output {

namespace {

constexpr uint16_t kBof = 0x0809, kCodePage = 0x0042, kLabel = 0x0204, kNumber = 0x0203,
                   kRk = 0x027E, kBlank = 0x0201, kEof = 0x000A;

void put16(std::string& out, uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

void put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void putDouble(std::string& out, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 8; ++i) out += static_cast<char>((bits >> (8 * i)) & 0xFF);
}

}  // namespace

void XlsWriter::ExportToStream(ExportStream& stream, bool wholeGrid) {
    row_ = 0;
    col_ = 0;
    ExportWriter::ExportToStream(stream, wholeGrid);
}

void XlsWriter::WritePrefix() {
    std::string r;
    put16(r, kBof);
    put16(r, 8);
    put16(r, 0x0000);  // version
    put16(r, 0x0010);  // worksheet
    put16(r, 0x0000);  // build
    put16(r, 0x0000);  // year
    // The code page of the text cells; without it a reader takes them for another one.
    put16(r, kCodePage);
    put16(r, 2);
    put16(r, 1251);
    Put(r);
}

void XlsWriter::WriteSuffix() {
    std::string r;
    put16(r, kEof);
    put16(r, 0);
    Put(r);
}

void XlsWriter::IncColRow() {
    ++col_;
    if (col_ >= exportedColumns().size()) {
        col_ = 0;
        ++row_;
    }
}

void XlsWriter::WriteBlankCell() {
    std::string r;
    put16(r, kBlank);
    put16(r, 6);
    put16(r, row_);
    put16(r, col_);
    put16(r, 0x0017);
    Put(r);
    IncColRow();
}

void XlsWriter::WriteFloatCell(double value) {
    std::string r;
    put16(r, kNumber);
    put16(r, 14);
    put16(r, row_);
    put16(r, col_);
    put16(r, 0);
    putDouble(r, value);
    Put(r);
    IncColRow();
}

void XlsWriter::WriteIntegerCell(int64_t value) {
    // The record holds the integer in its upper 30 bits.
    if (value < -(int64_t(1) << 29) || value >= (int64_t(1) << 29)) {
        WriteFloatCell(static_cast<double>(value));
        return;
    }
    std::string r;
    put16(r, kRk);
    put16(r, 10);
    put16(r, row_);
    put16(r, col_);
    put16(r, 0);
    put32(r, static_cast<uint32_t>(value * 4 + 2));
    Put(r);
    IncColRow();
}

void XlsWriter::WriteStringCell(const QString& text) {
    std::string bytes = base::Codec::cp1251().encode(text);
    // A record's length is 16 bits.
    if (bytes.size() > 0xFFFF - 8) bytes.resize(0xFFFF - 8);
    std::string r;
    put16(r, kLabel);
    put16(r, static_cast<uint16_t>(bytes.size() + 8));
    put16(r, row_);
    put16(r, col_);
    put16(r, 0);
    put16(r, static_cast<uint16_t>(bytes.size()));
    r += bytes;
    Put(r);
    IncColRow();
}

void XlsWriter::WriteTitle(const ExportColumns& columns) {
    for (const gridmodel::GridColumn* c : columns) WriteStringCell(c->title.caption);
}

void XlsWriter::WriteDataCell(const gridmodel::GridColumn&, const TCellParams& cell) {
    if (!cell.kind || cell.value.isNull()) {
        WriteBlankCell();
        return;
    }
    switch (*cell.kind) {
        case engine::FieldKind::SmallInt:
            WriteIntegerCell(cell.value.toLongLong());
            break;
        case engine::FieldKind::Float:
            WriteFloatCell(cell.value.toDouble());
            break;
        default:
            WriteStringCell(cell.text);
    }
}

void XlsWriter::WriteFooterCell(int columnIndex, int footerRow, const gridmodel::GridColumn& column,
                                const gridmodel::FontSpec&, const gridmodel::Color&, gridmodel::Align,
                                const QString& text) {
    const gridmodel::FooterValueType type =
        gridmodel::GridModel::footerFor(column, footerRow).valueType;
    if (type == gridmodel::fvtSum || type == gridmodel::fvtCount)
        WriteFloatCell(static_cast<double>(footerValues().at(footerRow, columnIndex)) / 10000.0);
    else
        WriteStringCell(text);
}

}  // namespace output
