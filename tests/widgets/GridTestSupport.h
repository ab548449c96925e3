#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <memory>

#include "DataGrid.h"
#include "DataViews.h"
#include "DatasetModel.h"
#include "KeyInput.h"
#include "ModelChecker.h"
#include "ScriptedDialogs.h"
#include "engine/DbfTable.h"
#include "EngineError.h"

namespace gridtest {

using engine::Dataset;
using engine::FieldKind;

inline const QString kMoney = QString::fromLatin1(store::kMoneyDisplayFormat);
inline const QString kCodeMask = QStringLiteral("!999/999/999/999/999 ;1;_");

// A table of payments, a view over it with a before-post check like the register's (a record
// without a recipient is refused with one message; a record without a number gets the next one),
// and a window with a grid over the view.
class GridFixture : public ::testing::Test {
protected:
    QTemporaryDir dir;
    testing_support::ScriptedDialogs dialogs;
    std::unique_ptr<Dataset> view;
    engine::Connections hooks;  // the tests' handlers on the view
    QStringList codes{QStringLiteral("001.001.000.000.000  Выручка"),
                      QStringLiteral("215.001.000.000.000  Электроэнергия"),
                      QStringLiteral("215.002.000.000.000  Природный газ"),
                      QStringLiteral("310.000.000.000.000  Налоги")};
    QStringList banks{QStringLiteral("ПАО Сбербанк"), QStringLiteral("Банк ВТБ (ПАО)")};
    std::unique_ptr<QWidget> window;
    std::unique_ptr<testing_support::ModelChecker> modelChecker;  // on the grid's model
    QLineEdit* elsewhere = nullptr;
    widgets::DataGrid* grid = nullptr;
    int posts = 0;

    // Columns in the grid model's order.
    enum Column { NPP, KOMU, CODE, SUM, BANK };

    void createTable(int records) {
        const QString path = dir.filePath(QStringLiteral("Pay.dbf"));
        engine::DbfTable::create(path,
                                 {{"NPP", FieldKind::SmallInt, 4, 0},
                                  {"KOMU", FieldKind::Text, 50, 0},
                                  {"PAY_SUM", FieldKind::Float, 15, 2},
                                  {"BANK", FieldKind::Text, 50, 0},
                                  {"PAY_KIND_N", FieldKind::Text, 20, 0}},
                                 {});
        auto table = engine::DbfTable::open(path, false);
        for (int i = 1; i <= records; ++i)
            table->appendRecord({i, QStringLiteral("Поставщик %1").arg(i), 100.0 * i, banks[0],
                                 QStringLiteral("215.001.000.000.000")});
    }

    void openView() {
        view = std::make_unique<Dataset>(QStringLiteral("TablePay"));
        view->setFolder(dir.path());
        view->setTableName(QStringLiteral("Pay.dbf"));
        view->addField({QStringLiteral("NPP"), FieldKind::SmallInt});
        view->addField({QStringLiteral("KOMU"), FieldKind::Text, 50});
        view->addField({QStringLiteral("PAY_SUM"), FieldKind::Float, 0, false, kMoney});
        view->addField({QStringLiteral("BANK"), FieldKind::Text, 50});
        view->addField(
            {QStringLiteral("PAY_KIND_N"), FieldKind::Text, 20, false, {}, {}, kCodeMask});
        hooks += view->beforePost.add([this](Dataset& v) {
            if (v.fieldByName(QStringLiteral("KOMU")).asString().isEmpty()) {
                dialogs.messageBox(QStringLiteral("Поле \"Поставщики\" не заполнено"),
                                   QStringLiteral("Ошибка"), base::MB_OK | base::MB_ICONHAND);
                throw base::SilentAbort();
            }
            if (v.fieldByName(QStringLiteral("NPP")).isNull())
                v.fieldByName(QStringLiteral("NPP")).setAsInteger(v.recordCount() + 1);
        });
        hooks += view->afterPost.add([this](Dataset&) { ++posts; });
        view->open();
    }

    static gridmodel::GridColumn column(const char* field, const QString& title, int width,
                                      gridmodel::Align align = gridmodel::Align::Left) {
        gridmodel::GridColumn c;
        c.fieldName = QString::fromLatin1(field);
        c.title.caption = title;
        c.width = width;
        c.alignment = align;
        c.footer.alignment = align;
        return c;
    }

    gridmodel::GridModel gridModel() {
        gridmodel::GridModel g;
        g.name = QStringLiteral("PayGrid");
        g.dataSource = view.get();
        g.footerRowCount = 1;
        g.useMultiTitle = true;
        auto npp = column("NPP", QStringLiteral("№ п/п"), 32, gridmodel::Align::Right);
        npp.visible = false;
        npp.readOnly = true;
        auto komu =
            column("KOMU", QStringLiteral("Наименование поставщиков и подрядчиков (Кому)"), 165);
        komu.footer.valueType = gridmodel::fvtStaticText;
        komu.footer.value = QStringLiteral("Итого за день");
        auto sum = column("PAY_SUM", QStringLiteral("Сумма"), 117, gridmodel::Align::Right);
        sum.footer.valueType = gridmodel::fvtSum;
        g.columns = {npp, komu, column("PAY_KIND_N", QStringLiteral("Статья затрат"), 162), sum,
                     column("BANK", QStringLiteral("Банк"), 99)};
        return g;
    }

    void showGrid(int records, widgets::GridOptions options = {}, int height = 400) {
        createTable(records);
        openView();
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        grid = new widgets::DataGrid(window.get());
        modelChecker = std::make_unique<testing_support::ModelChecker>(grid->model());
        testing_support::ModelChecker::reports().clear();
        grid->setGridModel(gridModel());
        grid->setOptions(options);
        grid->setDialogs(&dialogs);
        grid->setPickList(QStringLiteral("PAY_KIND_N"), {&codes, true, 700, true, 19});
        grid->setPickList(QStringLiteral("BANK"), {&banks, true});
        grid->sumList().setActive(true);
        elsewhere = new QLineEdit(window.get());
        layout->addWidget(grid);
        layout->addWidget(elsewhere);
        window->resize(700, height);
        ASSERT_TRUE(testing_support::showActive(window.get()));
        grid->setFocus();
        QCoreApplication::processEvents();
    }

    void TearDown() override {
        window.reset();
        modelChecker.reset();
        if (view) view->close();
        EXPECT_EQ(testing_support::ModelChecker::reports(), QStringList());
    }

    QTableView* table() const { return grid->table(); }
    QModelIndex current() const { return table()->currentIndex(); }
    void goTo(int row, int column) {
        table()->selectionModel()->setCurrentIndex(table()->model()->index(row, column),
                                                   QItemSelectionModel::NoUpdate);
    }
    QString cell(int row, int column) const {
        return table()->model()->index(row, column).data().toString();
    }
    QStringList stored(const char* field) {
        Dataset all;
        all.setFolder(dir.path());
        all.setTableName(QStringLiteral("Pay.dbf"));
        all.open();
        QStringList values;
        for (all.first(); !all.eof(); all.next())
            values << all.fieldByName(QString::fromLatin1(field)).asString();
        return values;
    }
    // The open cell editor while its drop-down list is open, else null.
    widgets::PickListEdit* droppedEditor() const {
        auto* editor = qobject_cast<widgets::PickListEdit*>(grid->cellEditor());
        return editor && editor->isDroppedDown() ? editor : nullptr;
    }
    QString editorText() const {
        auto* editor = qobject_cast<QLineEdit*>(grid->cellEditor());
        return editor ? editor->displayText() : QString();
    }
};

}  // namespace gridtest
