#include <QAbstractItemView>
#include <QComboBox>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QToolButton>
#include <memory>

#include "DataGrid.h"
#include "DbEdit.h"
#include "DbLookupComboBox.h"
#include "DbNavigator.h"
#include "FormSprav.h"
#include "KeyInput.h"
#include "RegisterFixture.h"
#include "WindowLook.h"

using namespace registertest;
using namespace testing_support;
using widgets::DbNavigator;

namespace {

class FormSpravTest : public RegisterFixture {
protected:
    std::unique_ptr<windows::TFormSprav> form;

    void showForm(QSize size = QSize(1100, 700)) {
        form = std::make_unique<windows::TFormSprav>(core);
        form->resize(size);
        ASSERT_TRUE(showActive(form.get()));
    }
    QString constant(const QString& key) {
        QString value;
        core.ReadConst(key, value);
        return value;
    }
    QStringList titles(widgets::DataGrid* grid) const {
        QStringList t;
        for (const auto& c : grid->gridModel().columns)
            t << c.title.caption + (c.title.vertical ? "^" : "") + QString("/%1").arg(c.width);
        return t;
    }
};

TEST_F(FormSpravTest, IsLaidOutAsTheDirectoriesWindow) {
    showForm();
    EXPECT_EQ(form->windowTitle(), "Справочники");
    EXPECT_EQ(form->font().family(), widgets::monospaceFont(15, true).family());
    EXPECT_EQ(form->font().pixelSize(), 15);
    QStringList pages;
    for (int i = 0; i < form->PageControl1->count(); ++i) pages << form->PageControl1->tabText(i);
    EXPECT_EQ(pages, (QStringList{"&1 Реквизиты", "&2 Банки", "&3 Поставщики", "&4 Виды платежей",
                                  "&5 Названия предприятий", "&6 Статьи затрат"}));
    EXPECT_EQ(form->PageControl1->currentIndex(), 0);
    EXPECT_EQ(form->PageControl2->tabText(0), "Таблица");
    EXPECT_EQ(form->PageControl2->currentWidget(), form->TabSheetKindText);
    EXPECT_EQ(form->ButBankListSync->text(), "Обновить список в окне  текущих данных");
    EXPECT_EQ(form->ButDirSelect->text(), "Обзор...");

    // Moving buttons only, but for the suppliers and the payment kinds.
    for (DbNavigator* n : {form->DBNavigator1, form->DBNavigator4, form->DBNavigator5})
        EXPECT_FALSE(n->isButtonVisible(DbNavigator::nbInsert)) << n->objectName().toStdString();
    for (DbNavigator* n : {form->DBNavigator2, form->DBNavigator3}) {
        for (int b = 0; b < DbNavigator::kButtonCount; ++b)
            EXPECT_TRUE(n->isButtonVisible(DbNavigator::Button(b)));
        EXPECT_FALSE(n->confirmDelete());
    }

    EXPECT_EQ(titles(form->DataGrid1), (QStringList{"Остальные константы|ConstName/120",
                                                    "Остальные константы|Название константы/300",
                                                    "Остальные константы|Значение/402"}));
    EXPECT_FALSE(form->DataGrid1->gridModel().columns[0].visible);
    EXPECT_EQ(titles(form->DataGrid2), (QStringList{"Название банка/300", "Использовать^/40"}));
    EXPECT_EQ(titles(form->DataGrid5), (QStringList{" Префикс данных /85", "Название предприятия/530"}));
    EXPECT_EQ(titles(form->DataGrid6),
              (QStringList{"Код статьи|Класс^/40", "Код статьи|Подкласс^/40", "Код статьи|Группа^/40",
                           "Код статьи|Подгруппа^/40", "Код статьи|Статья^/40", "Наименование статьи|Класс/175",
                           "Наименование статьи|Подкласс/175", "Наименование статьи|Группа/175",
                           "Наименование статьи|Подгруппа/175", "Наименование статьи|Статья/175"}));
    // A vertical title is as high as its text is long.
    const QFontMetrics fm(form->font());
    EXPECT_GE(form->DataGrid6->table()->horizontalHeader()->height(),
              fm.horizontalAdvance("Подгруппа") + fm.height());
}

TEST_F(FormSpravTest, TheRequisitesPageStoresThePlantAndTheTypedSendFolder) {
    openDay();
    showForm();
    // The plant list offers the plants in prefix order and stores the pick with its prefix.
    widgets::DbLookupComboBox* plants = form->DBLookupComboBox1;
    EXPECT_EQ(plants->currentText(), constant("PlantName"));
    plants->setFocus();
    plants->showPopup();
    QAbstractItemView* list = plants->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    const int index = plants->findText("АО «Уральский трансформаторный завод»");
    ASSERT_GE(index, 0);
    const QRect item = list->visualRect(list->model()->index(index, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, item.center());
    QCoreApplication::processEvents();
    EXPECT_FALSE(list->window()->isVisible());
    EXPECT_EQ(plants->currentText(), "АО «Уральский трансформаторный завод»");
    EXPECT_EQ(constant("PlantName"), "АО «Уральский трансформаторный завод»");
    EXPECT_EQ(constant("SendPrefix"), "UT");

    // Enter stores what was typed into the send folder edit, and so does leaving the page.
    form->DBEdit1->setFocus();
    QCoreApplication::processEvents();
    typeText("/srv/a");
    enter();
    EXPECT_EQ(constant("RodazPath"), "/srv/a");
    typeText("b");
    form->PageControl1->setCurrentIndex(1);
    EXPECT_EQ(constant("RodazPath"), "/srv/ab");
    EXPECT_TRUE(dialogs.boxes.empty()) << boxTexts().join("|").toStdString();
}

TEST_F(FormSpravTest, TheCatalogueTextIsRebuiltAtEveryDayOpeningAndNeverStored) {
    showForm();
    EXPECT_TRUE(form->RichEdit1->toPlainText().isEmpty());
    openDay();
    const QString text = form->RichEdit1->toPlainText();
    EXPECT_TRUE(text.startsWith("\t1.0.0.0.0\tПоступления\n\t\t1.1.0.0.0\tВыручка от реализации продукции\n"))
        << text.left(120).toStdString();
    EXPECT_EQ(text.count('\n') + 1, core.views.TableKindList.recordCount());
    // Every list of the window is shown from its top.
    for (const engine::Dataset* list : {&core.views.TableBankNames, &core.views.TableReciverNames,
                                        &core.views.TablePayKind, static_cast<engine::Dataset*>(&core.views.TableKindList)})
        EXPECT_EQ(list->recNo(), 1) << list->name().toStdString();

    form->RichEdit1->append("Пометка для печати");
    openDay(QDate(2008, 10, 14));
    EXPECT_EQ(form->RichEdit1->toPlainText(), text);

    // "Распечатать" runs the printing once it is installed.
    form->CmdTypeKindListText->trigger();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Эта команда будет доступна в следующей версии программы.");
    int printed = 0;
    form->printKindListTextHook = [&] { ++printed; };
    form->CmdTypeKindListText->trigger();
    EXPECT_EQ(printed, 1);
}

TEST_F(FormSpravTest, TheFirstFourCatalogueColumnsStayWhenTheTableIsScrolledSideways) {
    openDay();
    showForm(QSize(700, 500));
    form->PageControl1->setCurrentWidget(form->TabSheetKindList);
    form->PageControl2->setCurrentWidget(form->TabSheetKindTable);
    QCoreApplication::processEvents();
    widgets::DataGrid* grid = form->DataGrid6;
    QTableView* table = grid->table();
    auto shown = [&] {
        QList<int> columns;
        for (int c = 0; c < 10; ++c)
            if (!table->isColumnHidden(c) && table->columnViewportPosition(c) < table->viewport()->width())
                columns << c;
        return columns;
    };
    QScrollBar* bar = grid->findChild<QScrollBar*>("HorizontalScrollBar");
    ASSERT_TRUE(bar && bar->isVisible());
    EXPECT_EQ(shown().mid(0, 6), (QList<int>{0, 1, 2, 3, 4, 5}));

    bar->setValue(3);
    EXPECT_EQ(shown().mid(0, 5), (QList<int>{0, 1, 2, 3, 7}));
    EXPECT_EQ(table->columnViewportPosition(0), 0);

    // The keyboard brings the last column into view and goes back to the first ones.
    table->setFocus();
    table->setCurrentIndex(table->model()->index(0, 3));
    QCoreApplication::processEvents();
    for (int i = 0; i < 6; ++i) pressKey(Qt::Key_Right);
    EXPECT_EQ(table->currentIndex().column(), 9);
    EXPECT_TRUE(shown().contains(9));
    EXPECT_EQ(shown().mid(0, 4), (QList<int>{0, 1, 2, 3}));
    for (int i = 0; i < 5; ++i) pressKey(Qt::Key_Left);
    EXPECT_EQ(table->currentIndex().column(), 4);
    EXPECT_TRUE(shown().contains(4));
    EXPECT_EQ(grid->scrolledColumns(), 0);
}

}  // namespace
