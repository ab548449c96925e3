#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace engine {
class Dataset;
class Field;
}  // namespace engine

namespace gridmodel {

// A colour: explicit red, green and blue; a system colour of the platform, resolved when it
// is used; or none.
struct Color {
    enum class Kind { Explicit, System, None };
    Kind kind = Kind::None;
    int red = 0, green = 0, blue = 0;
    int systemIndex = 0;  // for system colours: 5 window background, 15 button face

    static constexpr Color rgb(int r, int g, int b) { return Color{Kind::Explicit, r, g, b, 0}; }
    static constexpr Color system(int index) { return Color{Kind::System, 0, 0, 0, index}; }
    static constexpr Color none() { return Color{}; }
    bool operator==(const Color&) const = default;
};

inline constexpr Color clBlack = Color::rgb(0, 0, 0);
inline constexpr Color clWhite = Color::rgb(255, 255, 255);
inline constexpr Color clNavy = Color::rgb(0, 0, 128);
inline constexpr Color clBlue = Color::rgb(0, 0, 255);
inline constexpr Color clYellow = Color::rgb(255, 255, 0);
inline constexpr Color clWindow = Color::system(5);
inline constexpr Color clBtnFace = Color::system(15);
inline constexpr Color clNone = Color::none();

// A font as the grids describe it: face, pixel height (negative: the character height),
// colour and style.
struct FontSpec {
    QString name = QStringLiteral("MS Sans Serif");
    int height = -11;
    Color color = clBlack;
    bool bold = false, italic = false, underline = false, strikeOut = false;

    // Size in points at the given screen resolution, rounded half away from zero
    // (a height of -13 at 96 pixels per inch is 10 points).
    int pointSize(int pixelsPerInch = 96) const;
    bool operator==(const FontSpec&) const = default;
};

enum class Align { Left, Right, Center };

enum FooterValueType { fvtNon = 0, fvtSum = 1, fvtAvg = 2, fvtCount = 3, fvtFieldValue = 4, fvtStaticText = 5 };

struct ColumnTitle {
    QString caption;
    Align alignment = Align::Left;
    Color color = clBtnFace;
    FontSpec font;
    bool vertical = false;  // written from bottom to top (the lower level of a two-level title)
};

struct ColumnFooter {
    FooterValueType valueType = fvtNon;
    QString fieldName;  // the field summed; empty: the column's own field
    QString value;      // the fixed text of fvtStaticText
    QString displayFormat;
    Align alignment = Align::Left;
    Color color = clYellow;
    FontSpec font;
};

// One grid column with every property resolved (no "inherit from the grid" left open).
struct GridColumn {
    QString fieldName;
    bool visible = true;
    int width = 64;
    Align alignment = Align::Left;
    Color color = clWindow;
    FontSpec font;
    ColumnTitle title;
    ColumnFooter footer;
    std::vector<ColumnFooter> footers;  // per footer row, when present
    bool readOnly = false;
    QString displayFormat;  // overrides the field's display format when set
};

// What export and printing read from a data grid: plain data, so that no writer needs a
// widget. The grid widget shows the same model.
struct GridModel {
    QString name;
    // What the grid's rows are, in the words a file names them with: the day register's grids
    // are named after their day ("09.12.2026"). Empty when the grid has no such name.
    QString caption;
    engine::Dataset* dataSource = nullptr;
    std::vector<GridColumn> columns;
    Color color = clWindow;
    FontSpec font;
    Color fixedColor = clBtnFace;
    FontSpec titleFont;
    int footerRowCount = 0;
    Color footerColor = clYellow;
    FontSpec footerFont;
    bool dgTitles = true, dgColLines = true, dgRowLines = true;
    bool flat = false;
    bool ctl3D = true;
    bool useMultiTitle = false;
    int vTitleMargin = 10;
    // How many leading columns stay in place when the grid is scrolled sideways.
    int frozenCols = 0;

    // The visible columns in column order: exactly what is exported and printed.
    std::vector<const GridColumn*> visibleColumns() const;
    // The footer a column uses in footer row `row`.
    static const ColumnFooter& footerFor(const GridColumn& column, int row);
    // The format a footer shows its number with: its own, else its field's display format.
    static QString footerFormat(const ColumnFooter& footer, const engine::Field* field);
};

}  // namespace gridmodel
