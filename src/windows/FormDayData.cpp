#include "FormDayData.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "DataGrid.h"
#include "DayGridModels.h"
#include "DayRegisterPrintout.h"
#include "GridPrinter.h"
#include "DbEdit.h"
#include "DbNavigator.h"
#include "ErrorBoundary.h"
#include "RegisterCore.h"
#include "WindowLook.h"

namespace windows {

namespace {

const QColor kBlue(0x00, 0x00, 0xFF);

constexpr int kRightPartWidth = 390;
constexpr int kBottomBarHeight = 41;
// Rows of opening balances the header shows without scrolling.
constexpr int kStartMoneyRows = 5;

QLabel* label(QWidget* parent, const char* name, const QString& text, const QFont& font,
              const QColor& color = widgets::kNavy) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(font);
    QPalette palette = l->palette();
    palette.setColor(QPalette::WindowText, color);
    l->setPalette(palette);
    return l;
}

}  // namespace

TFormDayData::TFormDayData(reg::RegisterCore& core, QWidget* parent)
    : widgets::FixedMdiChild(parent),
      DataSourceDayData(core.views.TableDataSourceDayData),
      DataSourceDayIncome(core.views.TableDataSourceDayIncome),
      DataSourceStartMoney(core.views.TableStartMoney),
      DataSourceIncomeSum(core.views.TableIncomeSum),
      core_(core) {
    setObjectName(QStringLiteral("FormDayData"));
    setWindowTitle(kInitialCaption);
    widgets::setWindowLook(this, widgets::sansSerifFont(13, true));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("HeaderPanel"));
    buildHeader(header);
    layout->addWidget(header);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    DataGrid1 = new widgets::DataGrid(TabSheet1);
    DataGrid3 = new widgets::DataGrid(TabSheet2);
    for (auto [page, grid] : {std::pair{TabSheet1, DataGrid1}, std::pair{TabSheet2, DataGrid3}}) {
        auto* pageLayout = new QVBoxLayout(page);
        pageLayout->setContentsMargins(2, 2, 2, 2);
        pageLayout->addWidget(grid);
    }
    setUpPaymentGrid(DataGrid1, true);
    setUpPaymentGrid(DataGrid3, false);
    PageControl1->addTab(TabSheet1, QStringLiteral("&1 Расходы"));
    PageControl1->addTab(TabSheet2, QStringLiteral("&2 Доходы"));
    layout->addWidget(PageControl1, 1);

    auto* bottom = new QWidget(this);
    bottom->setObjectName(QStringLiteral("BottomBar"));
    bottom->setFixedHeight(kBottomBarHeight);
    auto* bottomLayout = new QHBoxLayout(bottom);
    bottomLayout->setContentsMargins(8, 0, 8, 0);
    Label6 = label(bottom, "Label6", QStringLiteral("Ожидаемый остаток на конец дня:"),
                   widgets::sansSerifFont(13, true));
    LabelDayOstatok =
        label(bottom, "LabelDayOstatok", QString(), widgets::sansSerifFont(13, true), kBlue);
    LabelDayOstatok->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LabelDayOstatok->setMinimumWidth(
        QFontMetrics(LabelDayOstatok->font()).horizontalAdvance(QStringLiteral("-99 999 999,99")) +
        8);
    bottomLayout->addWidget(Label6);
    bottomLayout->addWidget(LabelDayOstatok);
    bottomLayout->addStretch(1);
    layout->addWidget(bottom);

    connect(PageControl1, &QTabWidget::currentChanged, this, [this] { PageControl1Change(); });
    for (widgets::DataGrid* grid : {DataGrid1, DataGrid2, DataGrid3})
        connect(grid, &widgets::DataGrid::exited, this, [this] { DataGrid1Exit(); });
    connect(DBEditIncomeSum, &widgets::DbEdit::keyDown, this,
            [this](int key, Qt::KeyboardModifiers shift) { DBEditIncomeSumKeyDown(key, shift); });
    connect(DBEditIncomeSum, &widgets::DbEdit::posted, this,
            [this] { DBEditIncomeSumKeyDown(reg::DayBalances::kEnterKey, Qt::NoModifier); });

    // The keyboard's way round the window: the shown payment grid, the opening balances, the
    // expected income, the page tabs (Ctrl+Tab leaves a grid, Tab leaves the edit box).
    setTabOrder(DataGrid1, DataGrid3);
    setTabOrder(DataGrid3, DataGrid2);
    setTabOrder(DataGrid2, DBEditIncomeSum);
    setTabOrder(DBEditIncomeSum, PageControl1);

    hooks_ += core_.texts.changed.add([this] { showTexts(); });
    // A chosen day is entered starting in the expense grid.
    hooks_ += core_.dayOpened.add([this](reg::RegisterCore&) {
        if (isVisible())
            PageControl1->currentIndex() == 0 ? DataGrid1->setFocus() : DataGrid3->setFocus();
    });
    showTexts();
    PageControl1Change();

    PrintDataGrid1 = std::make_unique<print::GridPrinter>();
    PrintDataGrid2 = std::make_unique<print::GridPrinter>();
    // The printers keep column models of their own, with the number column the screen hides.
    PrintDataGrid1->setGrid(print::dayRegisterColumns(reg::expenseGridModel(core_.views)));
    PrintDataGrid2->setGrid(print::dayRegisterColumns(reg::incomeGridModel(core_.views)));
    print::setUpDayRegisterPrinter(*PrintDataGrid1, true);
    print::setUpDayRegisterPrinter(*PrintDataGrid2, false);
    for (print::GridPrinter* printer : {PrintDataGrid1.get(), PrintDataGrid2.get()}) printer->setDialogs(&core_.dialogs());
}

TFormDayData::~TFormDayData() = default;

void TFormDayData::PrintDayRegister() {
    QString director, accountant;
    core_.ReadConst(QStringLiteral("DirFIO"), director);
    core_.ReadConst(QStringLiteral("BuhgFIO"), accountant);
    print::GridPrinter& printer = PageControl1->currentWidget() == TabSheet1 ? *PrintDataGrid1 : *PrintDataGrid2;
    printer.SetSubstitutes(print::dayRegisterSubstitutes(
        core_.texts.plantName(), core_.texts.currentDay(), director, accountant));
    printer.Preview();
}

void TFormDayData::buildHeader(QWidget* header) {
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(4, 2, 4, 4);
    headerLayout->setSpacing(8);

    // Left: the register's title lines, centred, and the navigator.
    auto* left = new QVBoxLayout;
    left->setSpacing(0);
    const QFont titleFont = widgets::serifFont(21, true);
    Label4 = label(header, "Label4", QString(), titleFont);
    Label4->setMinimumHeight(QFontMetrics(titleFont).height());
    Label2 = label(header, "Label2", QStringLiteral("Реестр текущих платежей"), titleFont);
    LabelPlantName =
        label(header, "LabelPlantName", QString(), widgets::serifFont(24, true), kBlue);
    LabelPlantName->setWordWrap(true);
    LabelCurrentDay = label(header, "LabelCurrentDay", kNoDayText, titleFont);
    for (QLabel* l : {Label4, Label2, LabelPlantName, LabelCurrentDay}) {
        l->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        left->addWidget(l);
    }
    left->addStretch(1);
    DBNavigator1 = new widgets::DbNavigator(header);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1->setVisibleButtons({widgets::DbNavigator::nbFirst, widgets::DbNavigator::nbPrior,
                                     widgets::DbNavigator::nbNext, widgets::DbNavigator::nbLast,
                                     widgets::DbNavigator::nbDelete});
    DBNavigator1->setConfirmDelete(false);
    DBNavigator1->setDialogs(&core_.dialogs());
    left->addWidget(DBNavigator1, 0, Qt::AlignLeft);
    headerLayout->addLayout(left, 1);

    // Right: the opening balances per bank and the expected income.
    auto* right = new QWidget(header);
    right->setObjectName(QStringLiteral("HeaderRight"));
    right->setFixedWidth(kRightPartWidth);
    auto* grid = new QGridLayout(right);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    Label3 = label(right, "Label3", QStringLiteral("остаток на начало дня:"),
                   widgets::sansSerifFont(13, true));
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignRight | Qt::AlignTop);

    DataGrid2 = new widgets::DataGrid(right);
    DataGrid2->setGridModel(reg::startMoneyGridModel(core_.views));
    widgets::GridOptions options;
    options.editing = true;
    options.appending = options.inserting = options.deleting = false;
    DataGrid2->setOptions(options);
    DataGrid2->setPickList(QStringLiteral("BANK_NAME"),
                           {&core_.pickLists.startMoneyGrid.banks, true});
    DataGrid2->setDialogs(&core_.dialogs());
    DataGrid2->sumList().setActive(true);
    int gridWidth = 2 * DataGrid2->frameWidth() + DataGrid2->table()->verticalHeader()->width() + 2;
    for (const auto& c : DataGrid2->gridModel().columns)
        if (c.visible) gridWidth += c.width;
    QTableView* table = DataGrid2->table();
    const int rowHeight = table->verticalHeader()->defaultSectionSize();
    const int gridHeight =
        2 * DataGrid2->frameWidth() + table->horizontalHeader()->sizeHint().height() +
        kStartMoneyRows * rowHeight + DataGrid2->footer()->sizeHint().height() + 2;
    // Room for a scroll bar when there are more banks than rows.
    DataGrid2->setFixedSize(gridWidth + table->verticalScrollBar()->sizeHint().width(), gridHeight);

    Label5 = label(right, "Label5", QStringLiteral("Предполагаемые поступления:"),
                   widgets::sansSerifFont(13, true));
    Label5->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    DBEditIncomeSum = new widgets::DbEdit(right);
    DBEditIncomeSum->setObjectName(QStringLiteral("DBEditIncomeSum"));
    DBEditIncomeSum->setDataSource(&DataSourceIncomeSum);
    DBEditIncomeSum->setDataField(QStringLiteral("START_SUM"));
    DBEditIncomeSum->setDialogs(&core_.dialogs());
    DBEditIncomeSum->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    DBEditIncomeSum->setFixedWidth(DataGrid2->gridModel().columns.back().width + 14);

    grid->addWidget(Label3, 0, 0);
    grid->addWidget(DataGrid2, 0, 1, Qt::AlignRight | Qt::AlignTop);
    auto* incomeRow = new QHBoxLayout;
    incomeRow->setSpacing(6);
    incomeRow->addWidget(Label5, 1);
    incomeRow->addWidget(DBEditIncomeSum);
    grid->addLayout(incomeRow, 1, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(2, 1);
    headerLayout->addWidget(right, 0, Qt::AlignTop);
}

void TFormDayData::setUpPaymentGrid(widgets::DataGrid* grid, bool expenses) {
    store::DataViews& v = core_.views;
    reg::GridPickLists& lists = expenses ? core_.pickLists.expenseGrid : core_.pickLists.incomeGrid;
    grid->setGridModel(expenses ? reg::expenseGridModel(v) : reg::incomeGridModel(v));
    widgets::GridOptions options;
    options.editing = true;
    options.appending = true;
    options.inserting = false;
    options.deleting = false;
    grid->setOptions(options);
    grid->setPickList(QStringLiteral("KOMU"), {&lists.recipients});
    grid->setPickList(QStringLiteral("PAY_KIND_N"), {&lists.codes, true, 700, true, 19});
    grid->setPickList(QStringLiteral("SUBJECT"), {&lists.purposes});
    grid->setPickList(QStringLiteral("BANK"), {&lists.banks, true});
    grid->setDialogs(&core_.dialogs());
    grid->sumList().setActive(true);
}

void TFormDayData::showTexts() {
    const reg::DayWindowTexts& t = core_.texts;
    setWindowTitle(t.caption());
    LabelPlantName->setText(t.plantName());
    LabelCurrentDay->setText(t.currentDay().isEmpty() ? kNoDayText : t.currentDay());
    LabelDayOstatok->setText(t.dayOstatok());
}

void TFormDayData::PageControl1Change() {
    DBNavigator1->setDataSource(PageControl1->currentIndex() == 0 ? &DataSourceDayData
                                                                  : &DataSourceDayIncome);
}

void TFormDayData::DataGrid1Exit() {
    // Before a day is chosen there is nothing to store.
    if (!DataSourceStartMoney.isOpen()) return;
    widgets::StoreInProgress storing;
    base::runGuarded(&core_.dialogs(), [this] { core_.balances.PostDayEdits(); });
}

void TFormDayData::DBEditIncomeSumKeyDown(int key, Qt::KeyboardModifiers) {
    if (key != reg::DayBalances::kEnterKey || !DataSourceIncomeSum.isOpen()) return;
    base::runGuarded(&core_.dialogs(),
                        [this, key] { core_.balances.DBEditIncomeSumKeyDown(key); });
    DBEditIncomeSum->selectAll();
}

}  // namespace windows
