#include "HtmlWriter.h"

#include <cstdio>

#include "TitleTree.h"
#include "Codec.h"

using gridmodel::Align;
using gridmodel::GridColumn;

namespace output {

void HtmlWriter::appendEscaped(std::string& out, std::string_view bytes) {
    if (bytes.empty()) {
        out += "&nbsp";
        return;
    }
    for (char c : bytes) {
        switch (c) {
            case '&':
                out += "&amp";
                break;
            case '<':
                out += "&lt";
                break;
            case '>':
                out += "&gt";
                break;
            case '"':
                out += "&quot";
                break;
            default:
                out += c;
        }
    }
}

std::string HtmlWriter::GetColor(const gridmodel::Color& color) const {
    const Rgb rgb = resolve(color).value_or(Rgb{});
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X%02X%02X", rgb.red & 0xFF, rgb.green & 0xFF,
                  rgb.blue & 0xFF);
    return buf;
}

const char* HtmlWriter::GetAlignment(Align alignment) {
    switch (alignment) {
        case Align::Right:
            return "RIGHT";
        case Align::Center:
            return "CENTER";
        case Align::Left:
            break;
    }
    return "LEFT";
}

const HtmlWriter::FontMarkup& HtmlWriter::markupOf(const gridmodel::FontSpec& font) {
    for (const FontMarkup& m : fonts_)
        if (m.font == font) return m;
    FontMarkup m;
    m.font = font;
    m.open = "<FONT STYLE=\"font-family: " + base::Codec::cp1251().encode(font.name) +
             "; font-size: " + decimal(font.pointSize(environment().pixelsPerInch)) +
             "pt; color: #" + GetColor(font.color) + "\">";
    if (font.bold) m.open += "<B>";
    if (font.italic) m.open += "<I>";
    if (font.underline) m.open += "<U>";
    if (font.strikeOut) m.open += "<STRIKE>";
    if (font.bold) m.close += "</B>";
    if (font.italic) m.close += "</I>";
    if (font.underline) m.close += "</U>";
    if (font.strikeOut) m.close += "</STRIKE>";
    m.close += "</FONT>";
    fonts_.push_back(std::move(m));
    return fonts_.back();
}

const std::string& HtmlWriter::cellStart(int width, Align alignment,
                                         const gridmodel::Color& background) {
    for (const CellStart& c : cellStarts_)
        if (c.width == width && c.alignment == alignment && c.background == background)
            return c.text;
    cellStarts_.push_back({width, alignment, background,
                           "  <TD WIDTH=" + decimal(width) + " ALIGN=\"" + GetAlignment(alignment) +
                               "\" BGCOLOR=#" + GetColor(background) + ">"});
    return cellStarts_.back().text;
}

// The styles open in the order bold, italic, underline, strike-out and close in that same
// order, not nested the other way round; browsers read both alike.
void HtmlWriter::PutText(const gridmodel::FontSpec& font, const QString& text) {
    const FontMarkup& m = markupOf(font);
    escaped_ = m.open;
    appendEscaped(escaped_, encode(text));
    escaped_ += m.close;
    Put(escaped_);
}

void HtmlWriter::WritePrefix() {
    PutL("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">");
    PutL("<HTML>");
    PutL("<HEAD>");
    // Without it a browser guesses the code page and may show the Russian texts as garbage.
    PutL("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1251\">");
    PutL("<TITLE>");
    PutL(grid()->name);
    PutL("</TITLE>");
    PutL("</HEAD>");
    PutL("<BODY>");
    const gridmodel::GridModel& g = *grid();
    std::string border;
    if (!g.dgColLines && !g.dgRowLines)
        border = "BORDER=0 CELLSPACING=0 CELLPADDING=";
    else if (g.ctl3D)
        border = "BORDER=1 CELLSPACING=0 CELLPADDING=";
    else
        border = "BORDER=0 CELLSPACING=1 CELLPADDING=";
    // The tag carries its own line break, so the file holds the tag and two CR LF.
    PutL("<TABLE " + border + (g.flat ? "1" : "2") + " BGCOLOR=#" + GetColor(g.fixedColor) + ">" +
         std::string(kLineEnd));
}

void HtmlWriter::WriteSuffix() {
    PutL("</TABLE>");
    PutL("</BODY>");
    PutL("</HTML>");
}

void HtmlWriter::WriteTitle(const ExportColumns& columns) {
    const gridmodel::GridModel& g = *grid();
    if (!g.useMultiTitle) {
        PutL("<TR>");
        for (const GridColumn* c : columns) {
            Put("  <TD WIDTH=" + decimal(c->width) + " ALIGN=\"" +
                GetAlignment(c->title.alignment) + "\">");
            PutText(c->title.font, c->title.caption);
            PutL("</TD>");
        }
        PutL("</TR>");
        return;
    }
    const TitleTree tree(g);
    TitleLevels levels(tree, columns);
    auto putSpans = [this](const TitleSpan& span) {
        if (span.columns > 1) Put(" COLSPAN = \"" + decimal(span.columns) + "\"");
        if (span.rows > 1) Put(" ROWSPAN = \"" + decimal(span.rows) + "\"");
        Put(">");
    };
    for (int level = levels.levelCount() - 1; level >= 0; --level) {
        PutL("<TR>");
        for (int c = 0; c < levels.columnCount(); ++c) {
            const THeadTreeNode* node = levels.entry(level, c);
            if (!node) continue;
            const GridColumn& column = *columns[static_cast<size_t>(c)];
            if (level > 0)
                Put("  <TD ALIGN=\"CENTER\"");
            else
                Put("  <TD WIDTH=" + decimal(column.width) + " ALIGN=\"CENTER\"");
            putSpans(levels.span(level, c));
            PutText(level > 0 ? g.titleFont : column.title.font, node->text);
            PutL("</TD>");
        }
        PutL("</TR>");
    }
}

void HtmlWriter::WriteRecord(const ExportColumns& columns) {
    PutL("<TR>");
    ExportWriter::WriteRecord(columns);
    PutL("</TR>");
}

void HtmlWriter::WriteDataCell(const GridColumn& column, const TCellParams& cell) {
    Put(cellStart(column.width, cell.alignment, cell.background));
    PutText(cell.font, cell.text);
    PutL("</TD>");
}

void HtmlWriter::WriteFooter(const ExportColumns& columns, int footerRow) {
    PutL("<TR>");
    ExportWriter::WriteFooter(columns, footerRow);
    PutL("</TR>");
}

void HtmlWriter::WriteFooterCell(int, int, const GridColumn& column, const gridmodel::FontSpec& font,
                                 const gridmodel::Color& color, Align alignment,
                                 const QString& text) {
    Put(cellStart(column.width, alignment, color));
    PutText(font, text);
    PutL("</TD>");
}

}  // namespace output
