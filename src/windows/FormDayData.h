#pragma once

#include <memory>

#include "MdiChild.h"
#include "engine/EventList.h"

class QLabel;
class QTabWidget;

namespace engine {
class Dataset;
}
namespace widgets {
class DataGrid;
class DbEdit;
class DbNavigator;
}  // namespace widgets

namespace reg {
class RegisterCore;
}
namespace print {
class GridPrinter;
}

namespace windows {

// The window of the current day's register, an MDI child of the main window that stays open
// and maximised for the whole run. It holds no data of its own: its grids, navigator and edit
// box show the register core's views, and its handlers call the core. Until a day is chosen its
// caption asks for one and the grids are empty.
//
// Top to bottom: a header with the register's title, the plant, the day and the navigator on
// the left and, 390 pixels wide on the right, the opening balances per bank and the expected
// income; the pages of expenses and incomes; a bar with the expected balance at the end of the
// day.
class TFormDayData : public widgets::FixedMdiChild {
    Q_OBJECT
public:
    static inline const QString kInitialCaption = QStringLiteral("Выберите дату");
    static inline const QString kNoDayText = QStringLiteral("выберите текущую дату");

    explicit TFormDayData(reg::RegisterCore& core, QWidget* parent = nullptr);
    ~TFormDayData() override;

    reg::RegisterCore& core() const { return core_; }

    // The views the controls are bound to.
    engine::Dataset& DataSourceDayData;
    engine::Dataset& DataSourceDayIncome;
    engine::Dataset& DataSourceStartMoney;
    engine::Dataset& DataSourceIncomeSum;

    QLabel* Label4;
    QLabel* Label2;
    QLabel* LabelPlantName;
    QLabel* LabelCurrentDay;
    widgets::DbNavigator* DBNavigator1;
    QLabel* Label3;
    widgets::DataGrid* DataGrid2;
    QLabel* Label5;
    widgets::DbEdit* DBEditIncomeSum;
    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QWidget* TabSheet2;
    widgets::DataGrid* DataGrid1;
    widgets::DataGrid* DataGrid3;
    QLabel* Label6;
    QLabel* LabelDayOstatok;

    // The navigator works on the shown page: expenses on page 1, incomes otherwise.
    void PageControl1Change();
    // Leaving any of the three grids stores the pending edits of the day.
    void DataGrid1Exit();
    // Enter in the expected-income box stores the value and updates the balance; so does
    // leaving the box for another control after typing.
    void DBEditIncomeSumKeyDown(int key, Qt::KeyboardModifiers shift);

    // The printers of the expenses (DataGrid1) and incomes (DataGrid3) grids, with the
    // register's title block before the grid and the signature lines after it. Each prints
    // its own column model of its grid, with the number column.
    std::unique_ptr<print::GridPrinter> PrintDataGrid1, PrintDataGrid2;
    // Prints the register of the page shown into the print preview: the plant, the day and
    // the director's and chief accountant's names filled in. The grids on the screen and
    // their current records stay as they are. A layout stopped in the preview ends silently.
    void PrintDayRegister();

private:
    void buildHeader(QWidget* header);
    void setUpPaymentGrid(widgets::DataGrid* grid, bool expenses);
    void showTexts();

    reg::RegisterCore& core_;
    engine::Connections hooks_;  // on the core's texts and day opening
};

}  // namespace windows
