#include "TextWriter.h"

namespace output {

void TextWriter::blankSeparators(std::string& bytes) {
    for (char& c : bytes)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
}

void TextWriter::writeCell(const QString& text) {
    std::string& bytes = encode(text);
    blankSeparators(bytes);
    Put(bytes);
}

void TextWriter::ExportToStream(ExportStream& stream, bool wholeGrid) {
    firstLine_ = true;
    ExportWriter::ExportToStream(stream, wholeGrid);
}

void TextWriter::CheckFirstRec() {
    if (firstLine_)
        firstLine_ = false;
    else
        Put(kLineEnd);
}

void TextWriter::CheckFirstCell() {
    if (firstCell_)
        firstCell_ = false;
    else
        Put("\t");
}

void TextWriter::WriteTitle(const ExportColumns& columns) {
    CheckFirstRec();
    for (size_t i = 0; i < columns.size(); ++i) {
        writeCell(columns[i]->title.caption);
        if (i + 1 < columns.size()) Put("\t");
    }
}

void TextWriter::WriteRecord(const ExportColumns& columns) {
    CheckFirstRec();
    firstCell_ = true;
    ExportWriter::WriteRecord(columns);
}

void TextWriter::WriteDataCell(const gridmodel::GridColumn&, const TCellParams& cell) {
    CheckFirstCell();
    writeCell(cell.text);
}

void TextWriter::WriteFooter(const ExportColumns& columns, int footerRow) {
    CheckFirstRec();
    firstCell_ = true;
    ExportWriter::WriteFooter(columns, footerRow);
}

void TextWriter::WriteFooterCell(int, int, const gridmodel::GridColumn&, const gridmodel::FontSpec&,
                                 const gridmodel::Color&, gridmodel::Align, const QString& text) {
    CheckFirstCell();
    writeCell(text);
}

}  // namespace output
