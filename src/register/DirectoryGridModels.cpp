#include "DirectoryGridModels.h"

#include "DataViews.h"
#include "GridColumns.h"

using namespace gridmodel;
using namespace reg::grids;

namespace reg {

namespace {

// Every grid of the directories window is drawn in the window's font, titles and footers
// too, with multi-level titles.
GridModel directoryGrid(const char* name, engine::Dataset& view) {
    GridModel g;
    g.name = QString::fromLatin1(name);
    g.dataSource = &view;
    g.font = font("Courier New", -15);
    g.titleFont = g.font;
    g.footerFont = g.font;
    g.useMultiTitle = true;
    return g;
}

GridModel listGrid(const char* name, engine::Dataset& view, const QString& title, int width) {
    GridModel g = directoryGrid(name, view);
    g.columns = {column(g, "ListVal", title, width, Align::Left)};
    return g;
}

}  // namespace

GridModel otherConstantsGridModel(store::DataViews& views) {
    GridModel g = directoryGrid("DataGrid1", views.TableConstEdit);
    GridColumn key =
        column(g, "ConstName", QStringLiteral("Остальные константы|ConstName"), 120, Align::Left);
    key.visible = false;
    key.readOnly = true;
    GridColumn name = column(
        g, "ViewName", QStringLiteral("Остальные константы|Название константы"), 300, Align::Left);
    name.readOnly = true;
    g.columns = {
        key, name,
        column(g, "ConstVal", QStringLiteral("Остальные константы|Значение"), 402, Align::Left)};
    return g;
}

GridModel bankGridModel(store::DataViews& views) {
    GridModel g = directoryGrid("DataGrid2", views.TableBankNames);
    GridColumn bank = column(g, "ListVal", QStringLiteral("Название банка"), 300, Align::Left);
    bank.readOnly = true;
    GridColumn used = column(g, "Used", QStringLiteral("Использовать"), 40, Align::Center);
    used.title.vertical = true;
    g.columns = {bank, used};
    return g;
}

GridModel supplierGridModel(store::DataViews& views) {
    return listGrid("DataGrid3", views.TableReciverNames,
                    QStringLiteral("Наименования поставщиков"), 420);
}

GridModel payKindGridModel(store::DataViews& views) {
    return listGrid("DataGrid4", views.TablePayKind, QStringLiteral("Вид платежа (за что)"), 520);
}

GridModel plantNameGridModel(store::DataViews& views) {
    GridModel g = directoryGrid("DataGrid5", views.TablePlantNames);
    g.columns = {column(g, "SENDPREFIX", QStringLiteral(" Префикс данных "), 85, Align::Left),
                 column(g, "PLANT_NAME", QStringLiteral("Название предприятия"), 530, Align::Left)};
    return g;
}

GridModel catalogueGridModel(store::DataViews& views) {
    GridModel g = directoryGrid("DataGrid6", views.TableKindList);
    const QString levels[5] = {QStringLiteral("Класс"), QStringLiteral("Подкласс"),
                               QStringLiteral("Группа"), QStringLiteral("Подгруппа"),
                               QStringLiteral("Статья")};
    static const char* const levelFields[5] = {"Level1", "Level2", "Level3", "Level4", "Level5"};
    static const char* const nameFields[5] = {"Name1", "Name2", "Name3", "Name4", "Name5"};
    for (int i = 0; i < 5; ++i) {
        GridColumn level =
            column(g, levelFields[i], QStringLiteral("Код статьи|") + levels[i], 40, Align::Right);
        level.title.vertical = true;
        g.columns.push_back(level);
    }
    for (int i = 0; i < 5; ++i)
        g.columns.push_back(column(g, nameFields[i],
                                   QStringLiteral("Наименование статьи|") + levels[i], 175,
                                   Align::Left));
    for (GridColumn& c : g.columns) c.readOnly = true;
    g.frozenCols = 4;
    return g;
}

}  // namespace reg
