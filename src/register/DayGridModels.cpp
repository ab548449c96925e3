#include "DayGridModels.h"

#include "DataViews.h"
#include "GridColumns.h"
#include "RegisterCore.h"

using namespace gridmodel;
using namespace reg::grids;

namespace reg {

namespace {

// The window's own font, which grids without a font of their own take.
FontSpec windowFont() { return font("MS Sans Serif", -13); }

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

GridModel expenseExportGrid(RegisterCore& core) {
    GridModel g = expenseGridModel(core.views);
    g.caption = core.CurrentDate.toString(QStringLiteral("dd.MM.yyyy"));
    return g;
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
