#include <QHeaderView>
#include <QLabel>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <memory>

#include "DataGrid.h"
#include "DatasetModel.h"
#include "DbEdit.h"
#include "DbNavigator.h"
#include "FormDayData.h"
#include "GridPrinter.h"
#include "KeyInput.h"
#include "ModelChecker.h"
#include "Money.h"
#include "PageCapture.h"
#include "PickListEdit.h"
#include "PrinterPreview.h"
#include "RegisterFixture.h"
#include "EngineError.h"

using namespace registertest;
using namespace testing_support;
using widgets::DataGrid;
using widgets::DbNavigator;

namespace {

// Columns of the payment grids, in the grid model's order.
enum PaymentColumn { NPP, KOMU, CODE, SUBJECT, SUM, BANK };

class FormDayDataTest : public RegisterFixture {
protected:
    std::unique_ptr<windows::TFormDayData> form;
    // Qt's model tester on the models of the window's three grids.
    std::vector<std::unique_ptr<ModelChecker>> modelCheckers;

    void TearDown() override {
        form.reset();
        modelCheckers.clear();
        EXPECT_EQ(ModelChecker::reports(), QStringList());
    }

    void showForm() {
        form = std::make_unique<windows::TFormDayData>(core);
        ModelChecker::reports().clear();
        for (DataGrid* grid : {form->DataGrid1, form->DataGrid2, form->DataGrid3})
            modelCheckers.push_back(std::make_unique<ModelChecker>(grid->model()));
        form->resize(1100, 760);
        ASSERT_TRUE(showActive(form.get()));
    }
    void openAndShow() {
        openDay();
        showForm();
    }

    static QString digits(QString code) { return code.remove(QLatin1Char('.')); }

    QTableView* table(DataGrid* grid) const { return grid->table(); }
    QModelIndex current(DataGrid* grid) const { return grid->table()->currentIndex(); }
    void clickCell(DataGrid* grid, int row, int column) {
        QTableView* t = grid->table();
        const QRect cell = t->visualRect(t->model()->index(row, column));
        QTest::mouseClick(t->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        QCoreApplication::processEvents();
    }
    void focusGrid(DataGrid* grid) {
        grid->table()->setFocus(Qt::MouseFocusReason);
        QCoreApplication::processEvents();
    }
    // Types a payment into the current row of a grid, cell by cell, as a clerk does: recipient,
    // code (the drop-down list opens on the first digit), purpose, sum (empty: skipped), and the
    // bank highlighted in its list after typing part of its name. The list stays open: the next
    // Enter takes the bank and moves on.
    void typePayment(const QString& komu, const QString& code, const QString& subject,
                     const QString& sum, const QString& bank) {
        typeText(komu);
        enter();
        typeText(digits(code));
        enter();  // closes the list (nothing chosen) and moves on
        typeText(subject);
        enter();
        if (!sum.isEmpty()) typeText(sum);
        enter();
        typeText(bank.left(5));
        down();  // the first bank the list offers for it
    }
    QString startMoneyStored(const QString& bank) {
        engine::Dataset all;
        all.setFolder(core.DayDir);
        all.setTableName(QStringLiteral("StartMoney.dbf"));
        all.open();
        for (all.first(); !all.eof(); all.next())
            if (all.fieldByName("BANK_NAME").asString() == bank)
                return all.fieldByName("START_SUM").asString();
        return QStringLiteral("<none>");
    }
    QString balance(double value) const {
        return gridmodel::formatWithPattern(value, reg::kDayOstatokFormat);
    }
};

TEST_F(FormDayDataTest, IsLaidOutAsTheDayWindow) {
    openAndShow();
    EXPECT_EQ(form->objectName(), QStringLiteral("FormDayData"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Данные за 13.10.2008"));
    // Header, left part.
    EXPECT_TRUE(form->Label4->text().isEmpty());
    EXPECT_EQ(form->Label2->text(), QStringLiteral("Реестр текущих платежей"));
    EXPECT_EQ(form->Label2->font().pixelSize(), 21);
    EXPECT_TRUE(form->Label2->font().bold());
    EXPECT_EQ(form->Label2->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(form->LabelPlantName->text(), core.PlantNameText);
    EXPECT_FALSE(core.PlantNameText.isEmpty());
    EXPECT_EQ(form->LabelPlantName->font().pixelSize(), 24);
    EXPECT_EQ(form->LabelPlantName->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(form->LabelCurrentDay->text(), QStringLiteral("за 13.10.2008"));
    EXPECT_EQ(form->Label2->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    for (int b : {DbNavigator::nbFirst, DbNavigator::nbPrior, DbNavigator::nbNext,
                  DbNavigator::nbLast, DbNavigator::nbDelete})
        EXPECT_TRUE(form->DBNavigator1->isButtonVisible(static_cast<DbNavigator::Button>(b)));
    for (int b : {DbNavigator::nbInsert, DbNavigator::nbEdit, DbNavigator::nbPost,
                  DbNavigator::nbCancel, DbNavigator::nbRefresh})
        EXPECT_FALSE(form->DBNavigator1->isButtonVisible(static_cast<DbNavigator::Button>(b)));
    EXPECT_EQ(form->DBNavigator1->button(DbNavigator::nbDelete)->toolTip(),
              QStringLiteral("Удалить запись"));
    EXPECT_FALSE(form->DBNavigator1->confirmDelete());
    // Header, right part.
    QWidget* right = form->findChild<QWidget*>(QStringLiteral("HeaderRight"));
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(right->width(), 390);
    EXPECT_EQ(form->Label3->text(), QStringLiteral("остаток на начало дня:"));
    EXPECT_TRUE(form->Label3->wordWrap());
    EXPECT_EQ(form->Label5->text(), QStringLiteral("Предполагаемые поступления:"));
    EXPECT_TRUE(right->isAncestorOf(form->DataGrid2));
    EXPECT_TRUE(right->isAncestorOf(form->DBEditIncomeSum));
    EXPECT_EQ(form->DBEditIncomeSum->dataSource(), &core.views.TableIncomeSum);
    EXPECT_EQ(form->DBEditIncomeSum->dataField(), QStringLiteral("START_SUM"));
    // Pages.
    ASSERT_EQ(form->PageControl1->count(), 2);
    EXPECT_EQ(form->PageControl1->tabText(0), QStringLiteral("&1 Расходы"));
    EXPECT_EQ(form->PageControl1->tabText(1), QStringLiteral("&2 Доходы"));
    EXPECT_EQ(form->PageControl1->widget(0), form->TabSheet1);
    EXPECT_TRUE(form->TabSheet1->isAncestorOf(form->DataGrid1));
    EXPECT_TRUE(form->TabSheet2->isAncestorOf(form->DataGrid3));
    EXPECT_EQ(form->PageControl1->currentIndex(), 0);
    // Bottom bar.
    QWidget* bottom = form->findChild<QWidget*>(QStringLiteral("BottomBar"));
    ASSERT_NE(bottom, nullptr);
    EXPECT_EQ(bottom->height(), 41);
    EXPECT_GT(bottom->y(), form->PageControl1->y());
    EXPECT_EQ(form->Label6->text(), QStringLiteral("Ожидаемый остаток на конец дня:"));
    EXPECT_EQ(form->LabelDayOstatok->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_EQ(form->LabelDayOstatok->font().pixelSize(), 13);
    EXPECT_EQ(form->LabelDayOstatok->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(form->LabelDayOstatok->text(), core.texts.dayOstatok());
}

TEST_F(FormDayDataTest, TheGridsShowTheirViewsColumnsAndFooters) {
    openAndShow();
    EXPECT_EQ(form->DataGrid1->objectName(), QStringLiteral("DataGrid1"));
    EXPECT_EQ(form->DataGrid1->dataSource(), &core.views.TableDataSourceDayData);
    EXPECT_EQ(form->DataGrid3->dataSource(), &core.views.TableDataSourceDayIncome);
    EXPECT_EQ(form->DataGrid2->dataSource(), &core.views.TableStartMoney);
    QTableView* expenses = table(form->DataGrid1);
    EXPECT_TRUE(expenses->isColumnHidden(NPP));
    EXPECT_EQ(expenses->model()->headerData(KOMU, Qt::Horizontal).toString(),
              QStringLiteral("Наименование поставщиков и подрядчиков (Кому)"));
    EXPECT_EQ(table(form->DataGrid3)->model()->headerData(CODE, Qt::Horizontal).toString(),
              QStringLiteral("Статья доходов"));
    const int widths[] = {32, 165, 162, 215, 117, 99};
    for (int c = KOMU; c <= BANK; ++c) EXPECT_EQ(expenses->columnWidth(c), widths[c]) << c;
    // The long title wraps: the title row is at least two lines high.
    EXPECT_GE(expenses->horizontalHeader()->height(),
              2 * QFontMetrics(expenses->horizontalHeader()->font()).height());
    EXPECT_EQ(expenses->font().pixelSize(), 13);
    EXPECT_TRUE(expenses->font().bold());
    EXPECT_EQ(form->DataGrid1->footerText(SUBJECT), QStringLiteral("Итого за день"));
    EXPECT_EQ(form->DataGrid2->footerText(0), QStringLiteral("Итого:"));
    EXPECT_FALSE(form->DataGrid1->options().inserting);
    EXPECT_FALSE(form->DataGrid1->options().deleting);
    EXPECT_TRUE(form->DataGrid1->options().appending);
    EXPECT_FALSE(form->DataGrid2->options().appending);
    // The opening balances: one row per bank in use, bank names read-only, no row to add.
    QTableView* balances = table(form->DataGrid2);
    EXPECT_EQ(balances->model()->rowCount(), core.views.TableStartMoney.recordCount());
    EXPECT_GT(balances->model()->rowCount(), 0);
    EXPECT_FALSE(balances->model()->flags(balances->model()->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_TRUE(balances->model()->flags(balances->model()->index(0, 1)) & Qt::ItemIsEditable);
    focusGrid(form->DataGrid2);
    balances->selectionModel()->setCurrentIndex(
        balances->model()->index(balances->model()->rowCount() - 1, 1),
        QItemSelectionModel::NoUpdate);
    down();
    EXPECT_EQ(balances->model()->rowCount(), core.views.TableStartMoney.recordCount());
    EXPECT_EQ(core.views.TableStartMoney.state(), engine::Dataset::State::Browse);
}

TEST_F(FormDayDataTest, BeforeADayIsChosenTheWindowAsksForOneAndStaysQuiet) {
    showForm();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Выберите дату"));
    EXPECT_EQ(form->LabelCurrentDay->text(), QStringLiteral("выберите текущую дату"));
    EXPECT_EQ(table(form->DataGrid1)->model()->rowCount(), 0);
    EXPECT_EQ(table(form->DataGrid2)->model()->rowCount(), 0);
    EXPECT_TRUE(form->DBEditIncomeSum->isReadOnly());
    EXPECT_FALSE(form->DBNavigator1->button(DbNavigator::nbNext)->isEnabled());
    focusGrid(form->DataGrid1);
    form->DBEditIncomeSum->setFocus();
    QCoreApplication::processEvents();
    enter();
    EXPECT_TRUE(dialogs.boxes.empty());
    // Choosing the day fills the window.
    openDay();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Данные за 13.10.2008"));
    EXPECT_EQ(form->LabelCurrentDay->text(), QStringLiteral("за 13.10.2008"));
    EXPECT_EQ(form->LabelPlantName->text(), core.PlantNameText);
    EXPECT_GT(table(form->DataGrid2)->model()->rowCount(), 0);
    EXPECT_FALSE(form->DBEditIncomeSum->isReadOnly());
}

TEST_F(FormDayDataTest, ACompleteExpenseTypedAndLeftIsStoredWithNumberAndDate) {
    openAndShow();
    const QString code = expenseCode();
    ASSERT_FALSE(code.isEmpty());
    const QString bank = core.pickLists.expenseGrid.banks.value(0);
    focusGrid(form->DataGrid1);
    ASSERT_EQ(current(form->DataGrid1).column(), KOMU);
    typePayment(QStringLiteral("ООО «Ромашка»"), code, QStringLiteral("Оплата по счёту 15"),
                QStringLiteral("1500,50"), bank);
    enter();  // past the last cell: the record is stored and a new row begins below it
    EXPECT_TRUE(dialogs.boxes.empty()) << dialogs.boxes.front().text.toStdString();
    EXPECT_EQ(stored("KOMU"), QStringList{QStringLiteral("ООО «Ромашка»")});
    EXPECT_EQ(stored("NPP"), QStringList{QStringLiteral("1")});
    EXPECT_EQ(stored("PAY_DATA"), QStringList{QStringLiteral("13.10.2008")});
    EXPECT_EQ(stored("PAY_KIND_N"), QStringList{code});
    EXPECT_EQ(stored("PAY_SUM"), QStringList{QStringLiteral("1500.5")});
    EXPECT_EQ(stored("BANK"), QStringList{bank});
    EXPECT_EQ(current(form->DataGrid1).row(), 1);
    EXPECT_EQ(current(form->DataGrid1).column(), KOMU);
    // The grid shows the number given by the post, the footer and the balance label follow.
    EXPECT_EQ(table(form->DataGrid1)->model()->index(0, NPP).data().toString(),
              QStringLiteral("1"));
    EXPECT_EQ(form->DataGrid1->footerText(SUM),
              gridmodel::formatWithPattern(1500.5, QString::fromLatin1(store::kMoneyDisplayFormat),
                                         gridmodel::decimalSeparator()));
    EXPECT_EQ(form->LabelDayOstatok->text(), balance(-1500.5));
    // The next record is typed straight on.
    typePayment(QStringLiteral("УФК по Пермскому краю"), code, QStringLiteral("НДС"),
                QStringLiteral("10"), bank);
    enter();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(stored("KOMU"), QStringList({QStringLiteral("ООО «Ромашка»"),
                                           QStringLiteral("УФК по Пермскому краю")}));
    EXPECT_EQ(stored("NPP"), QStringList({QStringLiteral("1"), QStringLiteral("2")}));
}

TEST_F(FormDayDataTest, ARecordWithoutASumShowsOneMessageAndStaysOnItsRow) {
    openAndShow();
    focusGrid(form->DataGrid1);
    typePayment(QStringLiteral("Горгаз"), expenseCode(), QStringLiteral("Газ"), QString(),
                core.pickLists.expenseGrid.banks.value(0));
    enter();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Поле \"Сумма\" не заполнено"));
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Ошибка"));
    EXPECT_EQ(current(form->DataGrid1).row(), 0);
    EXPECT_EQ(current(form->DataGrid1).column(), BANK);  // the cursor stays where it was
    EXPECT_EQ(core.views.TableDataSourceDayData.state(), engine::Dataset::State::Insert);
    EXPECT_EQ(table(form->DataGrid1)->model()->index(0, KOMU).data().toString(),
              QStringLiteral("Горгаз"));
    EXPECT_TRUE(stored("KOMU").isEmpty());
    // The sum typed in, the record goes.
    table(form->DataGrid1)
        ->selectionModel()
        ->setCurrentIndex(table(form->DataGrid1)->model()->index(0, SUM),
                          QItemSelectionModel::NoUpdate);
    typeText(QStringLiteral("99"));
    down();
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(stored("KOMU"), QStringList{QStringLiteral("Горгаз")});
}

TEST_F(FormDayDataTest, ARecordTypedWithAnIncomeCodeMovesToTheIncomePage) {
    openAndShow();
    const QString code = incomeCode();
    ASSERT_FALSE(code.isEmpty());
    // Income codes are offered on the income page; typed on the expense page they are taken too.
    focusGrid(form->DataGrid1);
    typePayment(QStringLiteral("АО «Покупатель»"), code, QStringLiteral("Оплата продукции"),
                QStringLiteral("25000"), core.pickLists.expenseGrid.banks.value(0));
    enter();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(stored("PAY_KIND_N"), QStringList{code});
    EXPECT_EQ(core.views.TableDataSourceDayData.recordCount(), 0);
    EXPECT_EQ(form->DataGrid1->footerText(SUM).trimmed(),
              QStringLiteral("0") + gridmodel::decimalSeparator() + "00");
    pressKey(Qt::Key_Escape);
    form->PageControl1->setCurrentIndex(1);
    QCoreApplication::processEvents();
    QTableView* incomes = table(form->DataGrid3);
    ASSERT_EQ(incomes->model()->rowCount(), 1);
    EXPECT_EQ(incomes->model()->index(0, KOMU).data().toString(),
              QStringLiteral("АО «Покупатель»"));
    EXPECT_EQ(
        form->DataGrid3->footerText(SUM),
        gridmodel::formatWithPattern(25000, QString::fromLatin1(store::kMoneyDisplayFormat), gridmodel::decimalSeparator()));
    // An income does not change the expected balance.
    EXPECT_EQ(form->LabelDayOstatok->text(), balance(0));
}

TEST_F(FormDayDataTest, TheNavigatorWorksOnTheShownPageAndDeletesTheIncomeThere) {
    openDay();
    addPayment(core.views.TableDataSourceDayData, QStringLiteral("Расход"), 100, expenseCode());
    addPayment(core.views.TableDataSourceDayIncome, QStringLiteral("Доход"), 700, incomeCode());
    showForm();
    EXPECT_EQ(form->DBNavigator1->dataSource(), &core.views.TableDataSourceDayData);
    // Alt+2 shows the income page.
    QTest::keyClick(form->PageControl1, Qt::Key_2, Qt::AltModifier);
    QCoreApplication::processEvents();
    ASSERT_EQ(form->PageControl1->currentIndex(), 1);
    EXPECT_EQ(form->DBNavigator1->dataSource(), &core.views.TableDataSourceDayIncome);
    QTest::mouseClick(form->DBNavigator1->button(DbNavigator::nbDelete), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(stored("KOMU"), QStringList{QStringLiteral("Расход")});
    EXPECT_EQ(table(form->DataGrid3)->model()->rowCount(),
              1);  // the blank row an empty page offers
    EXPECT_TRUE(table(form->DataGrid3)->model()->index(0, KOMU).data().toString().isEmpty());
    form->PageControl1->setCurrentIndex(0);
    EXPECT_EQ(form->DBNavigator1->dataSource(), &core.views.TableDataSourceDayData);
}

TEST_F(FormDayDataTest, ClickingIntoTheBalancesStoresThemButLeavesAnExpenseRowPending) {
    openAndShow();
    QTableView* balances = table(form->DataGrid2);
    const QString firstBank = balances->model()->index(0, 0).data().toString();
    // An opening balance typed and left pending in its row.
    clickCell(form->DataGrid2, 0, 1);
    typeText(QStringLiteral("1000"));
    EXPECT_EQ(core.views.TableStartMoney.state(), engine::Dataset::State::Edit);
    EXPECT_EQ(startMoneyStored(firstBank), QString());
    form->DBEditIncomeSum->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    // Leaving the balance grid stored the balance.
    EXPECT_EQ(startMoneyStored(firstBank), QStringLiteral("1000"));
    EXPECT_EQ(form->LabelDayOstatok->text(), balance(1000));
    // The expected income typed and left by a click: stored, and the balance follows.
    typeText(QStringLiteral("300"));
    clickCell(form->DataGrid1, 0, KOMU);
    EXPECT_EQ(core.views.TableIncomeSum.state(), engine::Dataset::State::Browse);
    EXPECT_EQ(startMoneyStored(QStringLiteral("<Income>")), QStringLiteral("300"));
    EXPECT_EQ(form->LabelDayOstatok->text(), balance(1300));
    // Half an expense typed; back into the balances: the expense row stays pending.
    typeText(QStringLiteral("Не дописан"));
    enter();
    clickCell(form->DataGrid2, 1, 1);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(core.views.TableDataSourceDayData.state(), engine::Dataset::State::Insert);
    EXPECT_EQ(core.views.TableDataSourceDayData.fieldByName("KOMU").asString(),
              QStringLiteral("Не дописан"));
    EXPECT_TRUE(stored("KOMU").isEmpty());
}

TEST_F(FormDayDataTest, EnterInTheLastOpeningBalanceStoresItAndTheTotalsFollowAtOnce) {
    openAndShow();
    QTableView* balances = table(form->DataGrid2);
    const int last = balances->model()->rowCount() - 1;
    const QString bank = balances->model()->index(last, 0).data().toString();
    clickCell(form->DataGrid2, last, 1);
    typeText(QStringLiteral("500"));
    enter();  // no cell and no row left to go to
    EXPECT_EQ(core.views.TableStartMoney.state(), engine::Dataset::State::Browse);
    EXPECT_EQ(startMoneyStored(bank), QStringLiteral("500"));
    EXPECT_EQ(form->DataGrid2->footerText(1),
              gridmodel::formatWithPattern(500, QString::fromLatin1(store::kMoneyDisplayFormat),
                                           gridmodel::decimalSeparator()));
    EXPECT_EQ(form->LabelDayOstatok->text(), balance(500));
    EXPECT_EQ(QApplication::focusWidget(), balances);
    EXPECT_EQ(current(form->DataGrid2).row(), last);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(FormDayDataTest, EnterInTheExpectedIncomeBoxUpdatesTheBalanceAtOnce) {
    openAndShow();
    form->DBEditIncomeSum->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    EXPECT_EQ(form->DBEditIncomeSum->text(), QStringLiteral("0"));
    typeText(QStringLiteral("2000"));
    EXPECT_EQ(form->LabelDayOstatok->text(), balance(0));
    enter();
    EXPECT_EQ(form->LabelDayOstatok->text(), balance(2000));
    EXPECT_EQ(startMoneyStored(QStringLiteral("<Income>")), QStringLiteral("2000"));
    EXPECT_EQ(form->DBEditIncomeSum->text(), QStringLiteral("2000"));
    EXPECT_TRUE(form->DBEditIncomeSum->hasFocus());
    EXPECT_TRUE(dialogs.boxes.empty());
    // Shown in the display format once left.
    focusGrid(form->DataGrid1);
    EXPECT_EQ(
        form->DBEditIncomeSum->text(),
        gridmodel::formatWithPattern(2000, QString::fromLatin1(store::kMoneyDisplayFormat), gridmodel::decimalSeparator()));
}

TEST_F(FormDayDataTest, TheKeyboardReachesEveryPartOfTheWindow) {
    showForm();
    openDay();
    QCoreApplication::processEvents();
    // A chosen day starts in the expense grid.
    EXPECT_EQ(QApplication::focusWidget(), table(form->DataGrid1));
    pressKey(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), table(form->DataGrid2));
    pressKey(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), form->DBEditIncomeSum);
    pressKey(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), table(form->DataGrid2));
    // Come in by the keyboard, the cursor stands on a balance, not on the bank's name.
    EXPECT_EQ(current(form->DataGrid2).column(), 1);
    pressKey(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), table(form->DataGrid1));
    // Tab past the last opening balance goes on to the expected income.
    pressKey(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), table(form->DataGrid2));
    QTableView* balances = table(form->DataGrid2);
    balances->selectionModel()->setCurrentIndex(
        balances->model()->index(balances->model()->rowCount() - 1, 1),
        QItemSelectionModel::NoUpdate);
    tab();
    EXPECT_EQ(QApplication::focusWidget(), form->DBEditIncomeSum);
    pressKey(Qt::Key_Backtab, Qt::ShiftModifier);
    pressKey(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    // Alt+2 and the income grid is next.
    QTest::keyClick(form->PageControl1, Qt::Key_2, Qt::AltModifier);
    form->DataGrid3->setFocus();
    pressKey(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), table(form->DataGrid2));
}

TEST_F(FormDayDataTest, TheLabelsFollowWhatTheCoreSets) {
    openAndShow();
    core.texts.setPlantName(QStringLiteral("АО «Новый завод»"));
    core.texts.setCaption(QStringLiteral("Выберите текущую дату"));
    core.texts.setDayOstatok(QStringLiteral(" 1 300,00"));
    EXPECT_EQ(form->LabelPlantName->text(), QStringLiteral("АО «Новый завод»"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Выберите текущую дату"));
    EXPECT_EQ(form->LabelDayOstatok->text(), QStringLiteral(" 1 300,00"));
}

TEST_F(FormDayDataTest, TheCodeListOfTheExpenseGridOffersTheCatalogueAndStoresTheCode) {
    openAndShow();
    focusGrid(form->DataGrid1);
    table(form->DataGrid1)
        ->selectionModel()
        ->setCurrentIndex(table(form->DataGrid1)->model()->index(0, CODE),
                          QItemSelectionModel::NoUpdate);
    const QString code = expenseCode();
    typeText(code.left(1));
    auto* editor = qobject_cast<widgets::PickListEdit*>(form->DataGrid1->cellEditor());
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->isDroppedDown());
    EXPECT_GE(editor->listView()->width(), 700);
    const int rows = editor->listView()->model()->rowCount();
    ASSERT_GT(rows, 0);
    for (int r = 0; r < rows; ++r)
        EXPECT_TRUE(
            editor->listView()->model()->index(r, 0).data().toString().startsWith(code.left(1)));
    // Choose the entry of the code: "code  name" in the list, only the code in the record.
    int row = -1;
    for (int r = 0; r < rows && row < 0; ++r)
        if (editor->listView()->model()->index(r, 0).data().toString().startsWith(code + "  "))
            row = r;
    ASSERT_GE(row, 0);
    editor->pickRow(row);
    enter();
    EXPECT_EQ(core.views.TableDataSourceDayData.fieldByName("PAY_KIND_N").asString(), code);
}

}  // namespace

namespace {

class PrintDayRegisterTest : public FormDayDataTest {};

TEST_F(PrintDayRegisterTest, EveryLayoutPrintsTheNumbersAndTheScreenIsLeftAlone) {
    openAndShow();
    engine::Dataset& expenses = core.views.TableDataSourceDayData;
    for (const char* komu : {"ООО Ромашка", "ИП Петров", "ЗАО Вектор"})
        addPayment(expenses, QString::fromUtf8(komu), 10, expenseCode());
    expenses.setRecNo(2);
    print::TPrinterPreview& preview = print::TPrinterPreview::shared();
    auto screenAsItWas = [&] {
        return !form->DataGrid1->gridModel().columns[NPP].visible &&
               form->DataGrid1->table()->isColumnHidden(NPP) &&
               form->DataGrid3->table()->isColumnHidden(NPP) && expenses.recNo() == 2;
    };
    std::vector<bool> whileLaidOut;
    form->PrintDataGrid1->OnBeforePrint = [&] { whileLaidOut.push_back(screenAsItWas()); };
    auto numbered = [&] {
        const printtest::PageContent page = printtest::contentOf(preview.page(1));
        return page.has(QStringLiteral("п/п")) && page.has(core.texts.plantName()) &&
               page.has(core.texts.currentDay()) && page.has(QStringLiteral("ЗАО Вектор"));
    };
    form->PrintDayRegister();
    EXPECT_TRUE(numbered());
    // "Ок" in the print setup, nothing changed: the pages laid out again keep the numbers.
    dialogs.printSetupAnswer = [](base::PrintSetupRequest&) { return true; };
    form->PrintDataGrid1->PrinterSetupDialogPreview();
    EXPECT_TRUE(numbered());

    // Stopped in the preview: the layout ends silently.
    form->PrintDataGrid1->OnBeforePrint = [&] {
        whileLaidOut.push_back(screenAsItWas());
        preview.Abort();
    };
    EXPECT_THROW(form->PrintDayRegister(), base::SilentAbort);
    EXPECT_FALSE(preview.Printing());
    EXPECT_EQ(whileLaidOut, (std::vector<bool>{true, true, true}));
    EXPECT_TRUE(screenAsItWas());
}

}  // namespace
