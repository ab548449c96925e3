#include "DayGridModels.h"

#include "DataViews.h"

using namespace gridmodel;

namespace reg {

namespace {

FontSpec font(const char* face, int height, Color color = clNavy, bool bold = true) {
    FontSpec f;
    f.name = QString::fromLatin1(face);
    f.height = height;
    f.color = color;
    f.bold = bold;
    return f;
}

// The window's own font, which grids without a font of their own take.
FontSpec windowFont() { return font("MS Sans Serif", -13); }

// A column with the grid's defaults: the grid's font and colour, a title in the grid's title
// font centred when titles are multi-level, a footer in the footer font aligned as the field.
GridColumn column(const GridModel& grid, const char* field, const QString& caption, int width, Align fieldAlignment) {
    GridColumn c;
    c.fieldName = QString::fromLatin1(field);
    c.width = width;
    c.alignment = fieldAlignment;
    c.color = grid.color;
    c.font = grid.font;
    c.title.caption = caption;
    c.title.alignment = grid.useMultiTitle ? Align::Center : Align::Left;
    c.title.color = grid.fixedColor;
    c.title.font = grid.titleFont;
    c.footer.alignment = fieldAlignment;
    c.footer.color = grid.footerColor;
    c.footer.font = grid.footerFont;
    return c;
}

GridModel paymentGrid(const char* name, engine::Dataset& view, const QString& komuTitle, const QString& codeTitle) {
    GridModel g;
    g.name = QString::fromLatin1(name);
    g.dataSource = &view;
    g.font = font("Courier New", -13);
    g.titleFont = font("MS Sans Serif", -13);
    g.footerFont = font("MS Sans Serif", -13);
    g.footerColor = clYellow;
    g.footerRowCount = 1;
    g.useMultiTitle = true;

    GridColumn npp = column(g, "NPP", QStringLiteral("№ п/п"), 32, Align::Right);
    npp.visible = false;
    npp.readOnly = true;
    GridColumn subject = column(g, "SUBJECT", QStringLiteral("За что"), 215, Align::Left);
    subject.footer.valueType = fvtStaticText;
    subject.footer.value = QStringLiteral("Итого за день");
    GridColumn sum = column(g, "PAY_SUM", QStringLiteral("Сумма"), 117, Align::Right);
    sum.footer.valueType = fvtSum;
    GridColumn bank = column(g, "BANK", QStringLiteral("Банк"), 99, Align::Left);
    bank.alignment = Align::Center;  // set on the column; its footer keeps the field's alignment
    g.columns = {npp,
                 column(g, "KOMU", komuTitle, 165, Align::Left),
                 column(g, "PAY_KIND_N", codeTitle, 162, Align::Left),
                 subject,
                 sum,
                 bank};
    return g;
}

}  // namespace

GridModel expenseGridModel(store::DataViews& views) {
    return paymentGrid("DataGrid1", views.TableDataSourceDayData,
                       QStringLiteral("Наименование поставщиков и подрядчиков (Кому)"), QStringLiteral("Статья затрат"));
}

GridModel incomeGridModel(store::DataViews& views) {
    return paymentGrid("DataGrid3", views.TableDataSourceDayIncome, QStringLiteral("Источник поступлений"),
                       QStringLiteral("Статья доходов"));
}

GridModel startMoneyGridModel(store::DataViews& views) {
    GridModel g;
    g.name = QStringLiteral("DataGrid2");
    g.dataSource = &views.TableStartMoney;
    g.font = windowFont();
    g.titleFont = windowFont();
    g.footerFont = font("MS Sans Serif", -13);
    g.footerColor = clYellow;
    g.footerRowCount = 1;
    GridColumn bank = column(g, "BANK_NAME", QStringLiteral("Банк"), 150, Align::Left);
    bank.readOnly = true;
    bank.footer.valueType = fvtStaticText;
    bank.footer.value = QStringLiteral("Итого:");
    GridColumn sum = column(g, "START_SUM", QStringLiteral("Сумма"), 106, Align::Right);
    sum.footer.valueType = fvtSum;
    g.columns = {bank, sum};
    return g;
}

}  // namespace reg
