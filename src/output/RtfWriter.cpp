#include "RtfWriter.h"

#include "TitleTree.h"
#include "Codec.h"

using gridmodel::Align;
using gridmodel::Color;
using gridmodel::GridColumn;

namespace output {

void RtfWriter::appendEscaped(std::string& out, std::string_view bytes) {
    for (char c : bytes) {
        if (c == '\\' || c == '{' || c == '}') out += '\\';
        out += c;
    }
}

std::vector<int> RtfWriter::cellRightEdges(const ExportColumns& columns, int pixelsPerInch) {
    std::vector<int> edges;
    long long edge = 0;
    for (const GridColumn* c : columns) {
        edge += static_cast<long long>(c->width) * 1440 / pixelsPerInch;
        edges.push_back(static_cast<int>(edge));
    }
    return edges;
}

int RtfWriter::titleSpacing(int vTitleMargin, int pixelsPerInch) {
    // margin ÷ 2 ÷ ppi × 1440 − 20 = (margin × 720 − 20 × ppi) ÷ ppi, truncated toward zero.
    return static_cast<int>((static_cast<long long>(vTitleMargin) * 720 - 20LL * pixelsPerInch) /
                            pixelsPerInch);
}

void RtfWriter::ExportToStream(ExportStream& stream, bool wholeGrid) {
    BlockMemoryStream body;
    colors_.clear();
    fonts_.clear();
    edges_.clear();
    textStarts_.clear();
    recordRowDefinition_.clear();
    GetColorIndex(gridmodel::clBlack);
    GetColorIndex(gridmodel::clWhite);
    GetColorIndex(gridmodel::clBtnFace);
    ExportWriter::ExportToStream(body, wholeGrid);

    std::string head;
    // The code page lets a reader show the Russian texts, which are written as 1251 bytes.
    head += "{\\rtf0\\ansi\\ansicpg1251\r\n";
    head += "{\\colortbl";
    for (const Rgb& c : colors_)
        head += "\\red" + decimal(c.red) + "\\green" + decimal(c.green) + "\\blue" +
                decimal(c.blue) + ";";
    head += "}\r\n";
    head += "{\\fonttbl";
    for (size_t i = 0; i < fonts_.size(); ++i) {
        head += "\\f" + decimal(static_cast<int>(i)) + "\\fnil ";
        head += base::Codec::cp1251().encode(fonts_[i]);
        head += ";";
    }
    head += "}\r\n";
    stream.write(head);
    body.writeTo(stream);
}

const char* RtfWriter::GetAlignment(Align alignment) {
    switch (alignment) {
        case Align::Right:
            return "\\qr";
        case Align::Center:
            return "\\qc";
        case Align::Left:
            break;
    }
    return "\\ql";
}

int RtfWriter::GetFontIndex(const QString& faceName) {
    for (size_t i = 0; i < fonts_.size(); ++i)
        if (fonts_[i] == faceName) return static_cast<int>(i);
    fonts_.push_back(faceName);
    return static_cast<int>(fonts_.size() - 1);
}

int RtfWriter::GetColorIndex(const Color& color) {
    const Rgb rgb = resolve(color).value_or(Rgb{255, 255, 255});
    for (size_t i = 0; i < colors_.size(); ++i)
        if (colors_[i] == rgb) return static_cast<int>(i);
    colors_.push_back(rgb);
    return static_cast<int>(colors_.size() - 1);
}

Color RtfWriter::GetFooterCellColor(const GridColumn& column, int footerRow) const {
    return gridmodel::GridModel::footerFor(column, footerRow).color;
}

const std::string& RtfWriter::textStart(const gridmodel::FontSpec& font, const Color& background) {
    for (const TextStart& t : textStarts_)
        if (t.font == font && t.background == background) return t.text;
    std::string s = "\\fs" + decimal(2 * font.pointSize(environment().pixelsPerInch));
    if (font.bold) s += "\\b";
    if (font.italic) s += "\\i";
    if (font.strikeOut) s += "\\strike";
    if (font.underline) s += "\\ul";
    s += "\\f" + decimal(GetFontIndex(font.name));
    s += "\\cf" + decimal(GetColorIndex(font.color));
    s += "\\cb" + decimal(GetColorIndex(background));
    s += ' ';
    textStarts_.push_back({font, background, std::move(s)});
    return textStarts_.back().text;
}

void RtfWriter::PutText(const gridmodel::FontSpec& font, const QString& text,
                        const Color& background) {
    cell_ = textStart(font, background);
    appendEscaped(cell_, encode(text));
    Put(cell_);
}

void RtfWriter::WriteCellBorder(std::string& row, bool left, bool top, bool right, bool bottom) {
    if (left) row += "\\clbrdrl\\brdrs\\brdrcf0\r\n";
    if (top) row += "\\clbrdrt\\brdrs\\brdrcf0\r\n";
    if (bottom) row += "\\clbrdrb\\brdrs\\brdrcf0\r\n";
    if (right) row += "\\clbrdrr\\brdrs\\brdrcf0\r\n";
}

std::string RtfWriter::rowDefinition(const std::vector<RowCell>& cells) {
    std::string s = "\\trowd\\trgaph40\r\n";
    for (size_t i = 0; i < cells.size(); ++i) {
        WriteCellBorder(s, cells[i].left, cells[i].top, cells[i].right, cells[i].bottom);
        // The fill as the cell's background colour: a full shading pattern in the colour
        // (\clshdng10000\clcfpat) paints the cell black in common readers.
        s += "\\clcbpat" + decimal(GetColorIndex(cells[i].shade));
        s += "\\cellx" + decimal(i < edges_.size() ? edges_[i] : 0) + "\r\n";
    }
    return s + "{\\trrh0\r\n";
}

int RtfWriter::ordinarySpacing() const {
    return grid()->flat ? 12 : 24;
}

// spacing < 0: no spacing words.
void RtfWriter::writeCellStart(Align alignment, int spacing) {
    Put("\\pard\\intbl{");
    Put(GetAlignment(alignment));
    if (spacing >= 0) Put("\\sb" + decimal(spacing) + "\\sa" + decimal(spacing));
}

void RtfWriter::WriteSuffix() {
    Put("}");
}

void RtfWriter::WriteTitle(const ExportColumns& columns) {
    const gridmodel::GridModel& g = *grid();
    edges_ = cellRightEdges(columns, environment().pixelsPerInch);
    if (!g.useMultiTitle) {
        std::vector<RowCell> cells;
        for (const GridColumn* c : columns)
            cells.push_back({true, true, true, true, c->title.color});
        Put(rowDefinition(cells));
        for (const GridColumn* c : columns) {
            writeCellStart(c->title.alignment, ordinarySpacing());
            PutText(c->title.font, c->title.caption, c->title.color);
            PutL("\\cell}");
        }
        PutL("\\pard\\intbl\\row}");
        return;
    }

    const TitleTree tree(g);
    TitleLevels levels(tree, columns);
    const int n = levels.columnCount();
    const int levelCount = levels.levelCount();
    // Borders that a spanning title cell removes, by level and column.
    std::vector<RowCell> borders(static_cast<size_t>(n * levelCount));
    auto at = [&](int level, int column) -> RowCell& {
        return borders[static_cast<size_t>(level * n + column)];
    };
    const int spacing = titleSpacing(g.vTitleMargin, environment().pixelsPerInch);

    for (int level = levelCount - 1; level >= 0; --level) {
        std::vector<const THeadTreeNode*> nodes(static_cast<size_t>(n));
        for (int c = 0; c < n; ++c) {
            const THeadTreeNode* node = levels.entry(level, c);
            nodes[static_cast<size_t>(c)] = node;
            if (!node) continue;
            const TitleSpan span = levels.span(level, c);
            const int lastColumn = c + span.columns - 1;
            const int lowestLevel = level - span.rows + 1;
            for (int cc = c; cc <= lastColumn; ++cc) {
                for (int l = level; l >= lowestLevel; --l) {
                    RowCell& b = at(l, cc);
                    if (cc > c) b.left = false;
                    if (cc < lastColumn) b.right = false;
                    if (l < level) b.top = false;
                    if (l > lowestLevel) b.bottom = false;
                }
            }
        }
        std::vector<RowCell> cells;
        for (int c = 0; c < n; ++c) {
            RowCell cell = at(level, c);
            cell.shade = level > 0 ? g.fixedColor : columns[static_cast<size_t>(c)]->title.color;
            cells.push_back(cell);
        }
        Put(rowDefinition(cells));
        for (int c = 0; c < n; ++c) {
            const GridColumn& column = *columns[static_cast<size_t>(c)];
            const THeadTreeNode* node = nodes[static_cast<size_t>(c)];
            writeCellStart(Align::Center, node ? spacing : -1);
            PutText(level > 0 ? g.titleFont : column.title.font, node ? node->text : QString(),
                    level > 0 ? g.fixedColor : column.title.color);
            PutL("\\cell}");
        }
        PutL("\\pard\\intbl\\row}");
    }
}

void RtfWriter::WriteRecord(const ExportColumns& columns) {
    if (recordRowDefinition_.empty()) {
        if (edges_.size() != columns.size())
            edges_ = cellRightEdges(columns, environment().pixelsPerInch);
        std::vector<RowCell> cells;
        for (const GridColumn* c : columns)
            cells.push_back({true, true, true, true, GetDataCellColor(*c)});
        recordRowDefinition_ = rowDefinition(cells);
    }
    Put(recordRowDefinition_);
    ExportWriter::WriteRecord(columns);
    PutL("\\pard\\intbl\\row}");
}

void RtfWriter::WriteDataCell(const GridColumn&, const TCellParams& cell) {
    writeCellStart(cell.alignment, ordinarySpacing());
    PutText(cell.font, cell.text, cell.background);
    PutL("\\cell}");
}

void RtfWriter::WriteFooter(const ExportColumns& columns, int footerRow) {
    if (edges_.size() != columns.size())
        edges_ = cellRightEdges(columns, environment().pixelsPerInch);
    std::vector<RowCell> cells;
    for (const GridColumn* c : columns)
        cells.push_back({true, true, true, true, GetFooterCellColor(*c, footerRow)});
    Put(rowDefinition(cells));
    ExportWriter::WriteFooter(columns, footerRow);
    PutL("\\pard\\intbl\\row}");
}

void RtfWriter::WriteFooterCell(int, int, const GridColumn&, const gridmodel::FontSpec& font,
                                const Color& color, Align alignment, const QString& text) {
    writeCellStart(alignment, ordinarySpacing());
    PutText(font, text, color);
    PutL("\\cell}");
}

}  // namespace output
