#pragma once

#include "GridModel.h"

namespace reg::grids {

// A font of the grids: face, character height in pixels (negative) and colour.
inline gridmodel::FontSpec font(const char* face, int height,
                                gridmodel::Color color = gridmodel::clNavy, bool bold = true) {
    gridmodel::FontSpec f;
    f.name = QString::fromLatin1(face);
    f.height = height;
    f.color = color;
    f.bold = bold;
    return f;
}

// A column with the grid's defaults: the grid's font and colour, a title in the grid's title
// font centred when titles are multi-level, a footer in the footer font aligned as the field.
inline gridmodel::GridColumn column(const gridmodel::GridModel& grid, const char* field,
                                    const QString& caption, int width,
                                    gridmodel::Align fieldAlignment) {
    gridmodel::GridColumn c;
    c.fieldName = QString::fromLatin1(field);
    c.width = width;
    c.alignment = fieldAlignment;
    c.color = grid.color;
    c.font = grid.font;
    c.title.caption = caption;
    c.title.alignment = grid.useMultiTitle ? gridmodel::Align::Center : gridmodel::Align::Left;
    c.title.color = grid.fixedColor;
    c.title.font = grid.titleFont;
    c.footer.alignment = fieldAlignment;
    c.footer.color = grid.footerColor;
    c.footer.font = grid.footerFont;
    return c;
}

}  // namespace reg::grids
