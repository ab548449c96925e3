#include "FormSprav.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "CatalogueTextPrint.h"
#include "DataGrid.h"
#include "DbEdit.h"
#include "DbLookupComboBox.h"
#include "DbNavigator.h"
#include "DirectoryGridModels.h"
#include "ErrorBoundary.h"
#include "KindListText.h"
#include "ReferenceDirectories.h"
#include "RegisterCore.h"
#include "WindowLook.h"

using widgets::DataGrid;
using widgets::DbNavigator;

namespace windows {

namespace {

// Tab stops of the catalogue text: every half inch, as in a rich edit control.
constexpr int kTabStop = 48;

const std::vector<DbNavigator::Button> kMoving = {DbNavigator::nbFirst, DbNavigator::nbPrior,
                                                  DbNavigator::nbNext, DbNavigator::nbLast};
const std::vector<DbNavigator::Button> kAllButtons = {
    DbNavigator::nbFirst,  DbNavigator::nbPrior,  DbNavigator::nbNext, DbNavigator::nbLast,
    DbNavigator::nbInsert, DbNavigator::nbDelete, DbNavigator::nbEdit, DbNavigator::nbPost,
    DbNavigator::nbCancel, DbNavigator::nbRefresh};

widgets::GridOptions gridOptions(bool editing, bool adding) {
    widgets::GridOptions o;
    o.editing = editing;
    o.appending = o.inserting = o.deleting = editing && adding;
    return o;
}

QLabel* label(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

}  // namespace

TFormSprav::TFormSprav(reg::RegisterCore& core, QWidget* parent)
    : widgets::FixedMdiChild(parent), core_(core) {
    setObjectName(QStringLiteral("FormSprav"));
    setWindowTitle(kCaption);
    widgets::setWindowLook(this, widgets::monospaceFont(15, true));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(PageControl1);

    buildRequisites();
    PageControl1->addTab(TabSheet1, QStringLiteral("&1 Реквизиты"));

    TabSheet2 = gridPage("TabSheet2", "DBNavigator1", DBNavigator1, DataGrid2);
    ButBankListSync =
        new QPushButton(style()->standardIcon(QStyle::SP_BrowserReload),
                        QStringLiteral("Обновить список в окне  текущих данных"), TabSheet2);
    ButBankListSync->setObjectName(QStringLiteral("ButBankListSync"));
    static_cast<QHBoxLayout*>(TabSheet2->layout()->itemAt(0)->layout())
        ->insertWidget(1, ButBankListSync);
    PageControl1->addTab(TabSheet2, QStringLiteral("&2 Банки"));
    TabSheet3 = gridPage("TabSheet3", "DBNavigator2", DBNavigator2, DataGrid3);
    PageControl1->addTab(TabSheet3, QStringLiteral("&3 Поставщики"));
    TabSheet4 = gridPage("TabSheet4", "DBNavigator3", DBNavigator3, DataGrid4);
    PageControl1->addTab(TabSheet4, QStringLiteral("&4 Виды платежей"));
    TabSheet5 = gridPage("TabSheet5", "DBNavigator4", DBNavigator4, DataGrid5);
    PageControl1->addTab(TabSheet5, QStringLiteral("&5 Названия предприятий"));
    buildCatalogue();
    PageControl1->addTab(TabSheetKindList, QStringLiteral("&6 Статьи затрат"));

    store::DataViews& v = core_.views;
    const struct {
        DataGrid* grid;
        gridmodel::GridModel model;
        widgets::GridOptions options;
        DbNavigator* navigator;
        const std::vector<DbNavigator::Button>* buttons;
    } grids[] = {
        {DataGrid1, reg::otherConstantsGridModel(v), gridOptions(true, false), nullptr, nullptr},
        {DataGrid2, reg::bankGridModel(v), gridOptions(true, false), DBNavigator1, &kMoving},
        {DataGrid3, reg::supplierGridModel(v), gridOptions(true, true), DBNavigator2, &kAllButtons},
        {DataGrid4, reg::payKindGridModel(v), gridOptions(true, true), DBNavigator3, &kAllButtons},
        {DataGrid5, reg::plantNameGridModel(v), gridOptions(true, true), DBNavigator4, &kMoving},
        {DataGrid6, reg::catalogueGridModel(v), gridOptions(false, false), DBNavigator5, &kMoving},
    };
    for (const auto& g : grids) {
        g.grid->setGridModel(g.model);
        g.grid->setOptions(g.options);
        g.grid->setDialogs(&core_.dialogs());
        if (!g.navigator) continue;
        g.navigator->setVisibleButtons(*g.buttons);
        g.navigator->setConfirmDelete(false);
        g.navigator->setDialogs(&core_.dialogs());
        g.navigator->setDataSource(g.grid->dataSource());
        // The navigator's buttons take no focus: a record it adds is typed into at once.
        connect(g.navigator, &DbNavigator::clicked, g.grid, [grid = g.grid](DbNavigator::Button b) {
            if (b == DbNavigator::nbInsert) grid->enterCurrentRecord();
        });
    }
    // Tab goes through the bank page top to bottom, and out of the catalogue text (which takes
    // no tab characters from the keyboard) instead of trapping the keyboard there.
    setTabOrder(ButBankListSync, DataGrid2);
    RichEdit1->setTabChangesFocus(true);

    connect(DBLookupComboBox1, &widgets::DbLookupComboBox::clicked, this,
            [this] { DBLookupComboBox1Click(); });
    connect(ButDirSelect, &QPushButton::clicked, this, [this] { ButDirSelectClick(); });
    connect(DBEdit1, &widgets::DbEdit::keyDown, this,
            [this](int key, Qt::KeyboardModifiers shift) { DBEdit1KeyDown(key, shift); });
    connect(ButBankListSync, &QPushButton::clicked, this, [this] { ButBankListSyncClick(); });
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int page) {
        if (shownPage_ == 0 && page != 0) TabSheet1Hide();
        shownPage_ = page;
    });
    hooks_ += core_.dayOpened.add([this](reg::RegisterCore& c) {
        // Filling the pick lists has walked the lists to their ends: they are shown from the top.
        for (engine::Dataset* list :
             {&c.views.TableBankNames, &c.views.TableReciverNames, &c.views.TablePayKind})
            if (list->isOpen()) list->first();
        BuildKindListText();
    });
}

TFormSprav::~TFormSprav() = default;

void TFormSprav::buildRequisites() {
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    auto* grid = new QGridLayout(TabSheet1);
    grid->setContentsMargins(8, 10, 8, 8);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);

    Label1 = label(TabSheet1, "Label1", QStringLiteral("Название предприятия:"));
    DBLookupComboBox1 = new widgets::DbLookupComboBox(TabSheet1);
    DBLookupComboBox1->setObjectName(QStringLiteral("DBLookupComboBox1"));
    DBLookupComboBox1->setDataSource(&core_.views.TablePName);
    DBLookupComboBox1->setDataField(QStringLiteral("ConstVal"));
    DBLookupComboBox1->setListSource(&core_.views.TablePlantNames);
    DBLookupComboBox1->setListField(QStringLiteral("PLANT_NAME"));
    DBLookupComboBox1->setDialogs(&core_.dialogs());
    Label1->setBuddy(DBLookupComboBox1);

    Label2 =
        label(TabSheet1, "Label2", QStringLiteral("Каталог для отправки данных в управление:"));
    DBEdit1 = new widgets::DbEdit(TabSheet1);
    DBEdit1->setObjectName(QStringLiteral("DBEdit1"));
    DBEdit1->setDataSource(&core_.views.TableRodazPath);
    DBEdit1->setDataField(QStringLiteral("ConstVal"));
    DBEdit1->setDialogs(&core_.dialogs());
    Label2->setBuddy(DBEdit1);
    ButDirSelect = new QPushButton(QStringLiteral("Обзор..."), TabSheet1);
    ButDirSelect->setObjectName(QStringLiteral("ButDirSelect"));

    DataGrid1 = new DataGrid(TabSheet1);

    grid->addWidget(Label1, 0, 0, 1, 2);
    grid->addWidget(DBLookupComboBox1, 1, 0, 1, 2);
    grid->addWidget(Label2, 2, 0, 1, 2);
    grid->addWidget(DBEdit1, 3, 0);
    grid->addWidget(ButDirSelect, 3, 1);
    grid->addItem(new QSpacerItem(0, 8), 4, 0);
    grid->addWidget(DataGrid1, 5, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(5, 1);
}

QWidget* TFormSprav::gridPage(const char* name, const char* navigatorName, DbNavigator*& navigator,
                              DataGrid*& grid) {
    auto* page = new QWidget;
    page->setObjectName(QString::fromLatin1(name));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    auto* bar = new QHBoxLayout;
    bar->setSpacing(8);
    navigator = new DbNavigator(page);
    navigator->setObjectName(QString::fromLatin1(navigatorName));
    bar->addWidget(navigator);
    bar->addStretch(1);
    layout->addLayout(bar);
    grid = new DataGrid(page);
    layout->addWidget(grid, 1);
    return page;
}

void TFormSprav::buildCatalogue() {
    TabSheetKindList = new QWidget;
    TabSheetKindList->setObjectName(QStringLiteral("TabSheetKindList"));
    auto* layout = new QVBoxLayout(TabSheetKindList);
    layout->setContentsMargins(2, 2, 2, 2);
    PageControl2 = new QTabWidget(TabSheetKindList);
    PageControl2->setObjectName(QStringLiteral("PageControl2"));
    layout->addWidget(PageControl2);

    TabSheetKindTable = gridPage("TabSheetKindTable", "DBNavigator5", DBNavigator5, DataGrid6);
    PageControl2->addTab(TabSheetKindTable, QStringLiteral("Таблица"));

    TabSheetKindText = new QWidget;
    TabSheetKindText->setObjectName(QStringLiteral("TabSheetKindText"));
    auto* textLayout = new QVBoxLayout(TabSheetKindText);
    textLayout->setContentsMargins(4, 4, 4, 4);
    textLayout->setSpacing(4);
    CmdTypeKindListText = new QAction(QStringLiteral("Распечатать"), this);
    CmdTypeKindListText->setObjectName(QStringLiteral("CmdTypeKindListText"));
    CmdTypeKindListText->setToolTip(QStringLiteral("Распечатать справочник статей затрат"));
    connect(CmdTypeKindListText, &QAction::triggered, this, [this] { CmdTypeKindListTextClick(); });
    auto* print = new QToolButton(TabSheetKindText);
    print->setObjectName(QStringLiteral("ButKindListTextPrint"));
    print->setDefaultAction(CmdTypeKindListText);
    print->setToolButtonStyle(Qt::ToolButtonTextOnly);
    textLayout->addWidget(print, 0, Qt::AlignLeft);

    RichEdit1 = new QTextEdit(TabSheetKindText);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setAcceptRichText(false);
    RichEdit1->setLineWrapMode(QTextEdit::NoWrap);
    RichEdit1->setTabStopDistance(kTabStop);
    RichEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(RichEdit1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        std::unique_ptr<QMenu> menu(RichEdit1->createStandardContextMenu(at));
        menu->addSeparator();
        menu->addAction(CmdTypeKindListText);
        menu->exec(RichEdit1->viewport()->mapToGlobal(at));
    });
    textLayout->addWidget(RichEdit1, 1);
    PageControl2->addTab(TabSheetKindText, QStringLiteral("Текст"));
    PageControl2->setCurrentWidget(TabSheetKindText);
}

void TFormSprav::BuildKindListText() {
    RichEdit1->setPlainText(
        reg::BuildKindListText(core_.views.TableKindList).join(QLatin1Char('\n')));
}

void TFormSprav::DBLookupComboBox1Click() {
    base::runGuarded(&core_.dialogs(), [this] {
        reg::ReferenceDirectories(core_).DBLookupComboBox1Click(DBLookupComboBox1->currentText());
    });
}

void TFormSprav::ButDirSelectClick() {
    base::runGuarded(&core_.dialogs(), [this] {
        reg::ReferenceDirectories(core_).ButDirSelectClick(DBEdit1->text());
    });
}

void TFormSprav::ButBankListSyncClick() {
    base::runGuarded(&core_.dialogs(),
                      [this] { reg::ReferenceDirectories(core_).ButBankListSyncClick(); });
}

void TFormSprav::DBEdit1KeyDown(int key, Qt::KeyboardModifiers) {
    if (key != reg::ReferenceDirectories::kEnterKey) return;
    base::runGuarded(&core_.dialogs(),
                      [this, key] { reg::ReferenceDirectories(core_).DBEdit1KeyDown(key); });
}

void TFormSprav::TabSheet1Hide() {
    base::runGuarded(&core_.dialogs(),
                      [this] { reg::ReferenceDirectories(core_).TabSheet1Hide(); });
}

void TFormSprav::CmdTypeKindListTextClick() {
    base::runGuarded(&core_.dialogs(), [this] {
        if (printKindListTextHook)
            printKindListTextHook();
        else
            printCatalogueText(*RichEdit1, core_.dialogs());
    });
}

}  // namespace windows
