#pragma once

#include <QStringList>

#include "GridModel.h"
#include "Money.h"

namespace print {

// The grid printer's option flags.
enum PrintOption : int {
    pghFitGridToPageWidth = 1,  // a grid wider than the page is made to fit it
    pghColored = 2,             // backgrounds in their colours, else everything on white
    pghRowAutoStretch = 4,      // cell texts wrap; a line grows to its tallest cell
    pghFitingByColWidths = 8,   // fit by narrowing the columns instead of scaling the page
    pghOptimalColWidths = 16,   // each column as wide as its widest text
};

enum class PrintUnits { Metric, Inches };  // margins in centimetres or in inches

enum class BandLine { pcltNon, pcltSingleLine, pcltDoubleLine };

// A page header or footer: three texts (lists of lines), a font and a line towards the body.
struct PageBand {
    QStringList LeftText, CenterText, RightText;
    gridmodel::FontSpec Font;
    BandLine LineType = BandLine::pcltNon;

    bool hasText() const { return !LeftText.isEmpty() || !CenterText.isEmpty() || !RightText.isEmpty(); }
    // The three texts, each with its lines joined.
    QString allText() const { return LeftText.join(u'\n') + u'\n' + CenterText.join(u'\n') + u'\n' + RightText.join(u'\n'); }
};

// The four margins in the current unit, held exactly to four decimals.
struct PageMargins {
    gridmodel::TenThousandths TopMargin = gridmodel::TenThousandths::fromCount(20000);
    gridmodel::TenThousandths BottomMargin = gridmodel::TenThousandths::fromCount(20000);
    gridmodel::TenThousandths LeftMargin = gridmodel::TenThousandths::fromCount(20000);
    gridmodel::TenThousandths RightMargin = gridmodel::TenThousandths::fromCount(20000);
};

// Every setting of a grid printer that the setup dialog shows or the owner fixes.
struct GridPrintSettings {
    int Options = 0;
    PrintUnits Units = PrintUnits::Metric;
    PageMargins Page;
    PageBand PageHeader, PageFooter;
    QStringList Title;      // lines above the column titles on every page
    QString PrintFontName;  // when set, the name of every font the printer uses

    bool has(PrintOption option) const { return (Options & option) != 0; }
    // Changes the unit and converts the margins (× 0.3937 to inches, × 2.54 back), rounded to
    // four decimals.
    void setUnits(PrintUnits units);
};

}  // namespace print
