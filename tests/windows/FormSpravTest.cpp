#include <QAbstractItemView>
#include <QComboBox>
#include <QHeaderView>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <memory>

#include "CatalogueTextPrint.h"
#include "DataGrid.h"
#include "DbEdit.h"
#include "DbLookupComboBox.h"
#include "FormSprav.h"
#include "KeyInput.h"
#include "PageCapture.h"
#include "PrinterPreview.h"
#include "RegisterFixture.h"
#include "WindowLook.h"

using namespace registertest;
using namespace testing_support;

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
};

TEST_F(FormSpravTest, VerticalTitlesAreTallEnoughToBeRead) {
    showForm();
    const QFontMetrics fm(form->font());
    EXPECT_GE(form->DataGrid2->table()->horizontalHeader()->height(),
              fm.horizontalAdvance("Использовать"));
    // Below the common upper title of the code columns.
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
    EXPECT_TRUE(dialogs.boxes.empty()) << dialogs.boxTexts().join("|").toStdString();
}

TEST_F(FormSpravTest, TheCatalogueTextIsRebuiltAtEveryDayOpeningAndNeverStored) {
    showForm();
    EXPECT_TRUE(form->RichEdit1->toPlainText().isEmpty());
    openDay();
    const QString text = form->RichEdit1->toPlainText();
    EXPECT_TRUE(text.startsWith(
        "\t1.0.0.0.0\tПоступления\n\t\t1.1.0.0.0\tВыручка от реализации продукции\n"))
        << text.left(120).toStdString();
    EXPECT_EQ(text.count('\n') + 1, core.views.TableKindList.recordCount());
    // Every list of the window is shown from its top.
    for (const engine::Dataset* list :
         {&core.views.TableBankNames, &core.views.TableReciverNames, &core.views.TablePayKind,
          static_cast<engine::Dataset*>(&core.views.TableKindList)})
        EXPECT_EQ(list->recNo(), 1) << list->name().toStdString();

    form->RichEdit1->append("Пометка для печати");
    openDay(QDate(2008, 10, 14));
    EXPECT_EQ(form->RichEdit1->toPlainText(), text);

    // "Распечатать" prints (a hook stands in for the printer here).
    int printed = 0;
    form->printKindListTextHook = [&] { ++printed; };
    form->CmdTypeKindListText->trigger();
    EXPECT_EQ(printed, 1);
}

TEST_F(FormSpravTest, TheCataloguePrintsAsTheScreenShowsIt) {
    showForm();
    openDay();
    QTextEdit* edit = form->RichEdit1;
    // Long enough for several pages.
    const QString listing = edit->toPlainText();
    QStringList lines;
    while (lines.size() < 300) lines += listing.split(u'\n');
    edit->setPlainText(lines.join(u'\n'));
    print::TPrinterPreview preview;  // A4 at 600 pixels per inch, printable to its edges
    windows::printCatalogueText(*edit, preview);
    EXPECT_EQ(preview.Title(), QStringLiteral("Справочник статей затрат"));
    ASSERT_GE(preview.pageCount(), 3);

    const double dpi = preview.Metrics().dpiY,
                 screenPoints = QFontMetricsF(edit->font()).height() * 72 / edit->logicalDpiY();
    const double tab = edit->tabStopDistance() / edit->logicalDpiX() * dpi;  // on paper
    print::PagePicture reference(preview.Metrics());
    QString printed;
    for (int n = 1; n <= preview.pageCount(); ++n) {
        for (const printtest::PageContent::Text& t : printtest::contentOf(preview.page(n)).texts) {
            printed += t.text.trimmed();
            // The screen's letters in points, navy, every piece of a line at a tab stop.
            EXPECT_NEAR(QFontMetricsF(t.font, &reference).height() * 72 / dpi, screenPoints, 0.2)
                << t.text.toStdString();
            EXPECT_EQ(t.color, widgets::kNavy);
            const double stops = t.at.x() / tab;
            EXPECT_NEAR(stops, std::round(stops), 0.02)
                << t.text.toStdString() << " at " << t.at.x();
        }
    }
    // Everything once, in order, without page numbers.
    EXPECT_EQ(printed.remove(u' ').toStdString(),
              lines.join(QString()).remove(u'\t').remove(u' ').toStdString());
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
            if (!table->isColumnHidden(c) &&
                table->columnViewportPosition(c) < table->viewport()->width())
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
