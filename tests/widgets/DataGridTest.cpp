#include <QAbstractItemView>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>

#include "ErrorBoundary.h"
#include "GridTestSupport.h"
#include "Money.h"
#include "PickListEdit.h"

using namespace gridtest;
using namespace testing_support;
using widgets::DataGrid;

namespace {

class DataGridTest : public GridFixture {};

TEST_F(DataGridTest, ShowsTheRecordsWithTheirDisplayFormatsAndHidesHiddenColumns) {
    showGrid(3);
    EXPECT_EQ(table()->model()->rowCount(), 3);
    EXPECT_TRUE(table()->isColumnHidden(NPP));
    EXPECT_FALSE(table()->isColumnHidden(KOMU));
    EXPECT_EQ(cell(1, KOMU), QStringLiteral("Поставщик 2"));
    EXPECT_EQ(cell(1, SUM), gridmodel::formatWithPattern(200.0, kMoney, QLatin1Char('.')));
    // A code shows through its mask, without the mask's closing blank that would cut it short.
    EXPECT_EQ(cell(1, CODE), QStringLiteral("215.001.000.000.000"));
    EXPECT_EQ(table()->columnWidth(KOMU), 165);
    EXPECT_EQ(table()->columnWidth(SUM), 117);
    EXPECT_EQ(grid->objectName(), QStringLiteral("PayGrid"));
    // The cursor of the view is the current row.
    EXPECT_EQ(current().row(), 0);
    EXPECT_EQ(current().column(), KOMU);
}

TEST_F(DataGridTest, TypingACompleteRecordAndMovingDownStoresIt) {
    showGrid(1);
    goTo(0, KOMU);
    down();  // below the last record: a new row
    ASSERT_EQ(table()->model()->rowCount(), 2);
    EXPECT_EQ(current().row(), 1);
    EXPECT_EQ(view->state(), Dataset::State::Insert);

    typeText(QStringLiteral("Горгаз"));
    enter();
    typeText(QStringLiteral("215002000000000"));
    enter();
    typeText(QStringLiteral("1234,5"));
    enter();
    typeText(QStringLiteral("ВТБ"));
    pressKey(Qt::Key_Escape);  // closes the bank list, keeps what was typed
    enter();
    // Enter past the last cell of the new row starts the next new row, storing this one.
    EXPECT_EQ(view->state(), Dataset::State::Insert);
    EXPECT_EQ(current().row(), 2);
    EXPECT_EQ(current().column(), KOMU);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(stored("KOMU"),
              QStringList({QStringLiteral("Поставщик 1"), QStringLiteral("Горгаз")}));
    EXPECT_EQ(stored("PAY_KIND_N").last(), QStringLiteral("215.002.000.000.000"));
    EXPECT_EQ(stored("PAY_SUM").last(), QStringLiteral("1234.5"));
    EXPECT_EQ(stored("BANK").last(), QStringLiteral("ВТБ"));
    EXPECT_EQ(stored("NPP").last(), QStringLiteral("2"));

    // Leaving the new row untouched drops it.
    up();
    EXPECT_EQ(view->state(), Dataset::State::Browse);
    EXPECT_EQ(table()->model()->rowCount(), 2);
    EXPECT_EQ(current().row(), 1);
    EXPECT_EQ(stored("KOMU").size(), 2);
}

TEST_F(DataGridTest, AnEmptyViewOffersABlankRowThatBecomesARecordWhenTypedInto) {
    showGrid(0);
    ASSERT_EQ(table()->model()->rowCount(), 1);
    EXPECT_EQ(view->state(), Dataset::State::Browse);
    typeText(QStringLiteral("Водоканал"));
    enter();
    EXPECT_EQ(view->state(), Dataset::State::Insert);
    EXPECT_TRUE(view->modified());
    down();
    EXPECT_EQ(stored("KOMU"), QStringList{QStringLiteral("Водоканал")});
    EXPECT_EQ(posts, 1);
}

TEST_F(DataGridTest, EnterMovesToTheNextCellLikeTabSkippingHiddenColumns) {
    showGrid(2);
    goTo(0, KOMU);
    enter();
    EXPECT_EQ(current().column(), CODE);
    tab();
    EXPECT_EQ(current().column(), SUM);
    enter();
    enter();
    // Past the last column: the first visible column of the next row (the hidden number is
    // skipped).
    EXPECT_EQ(current().row(), 1);
    EXPECT_EQ(current().column(), KOMU);
    pressKey(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(current().row(), 0);
    EXPECT_EQ(current().column(), BANK);
    // Enter out of an open editor stores the cell and moves on as well.
    goTo(0, KOMU);
    typeText(QStringLiteral("Новый"));
    ASSERT_NE(grid->cellEditor(), nullptr);
    enter();
    EXPECT_EQ(grid->cellEditor(), nullptr);
    EXPECT_EQ(current().column(), CODE);
    EXPECT_EQ(cell(0, KOMU), QStringLiteral("Новый"));
    EXPECT_EQ(view->state(), Dataset::State::Edit);
}

TEST_F(DataGridTest, ARefusedPostShowsOneMessageAndKeepsTheRowWithWhatWasTyped) {
    showGrid(1);
    goTo(0, KOMU);
    down();
    goTo(1, SUM);
    typeText(QStringLiteral("500"));
    enter();
    up();  // the record has no recipient: refused
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Поле \"Поставщики\" не заполнено"));
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Ошибка"));
    EXPECT_EQ(current().row(), 1);
    EXPECT_EQ(view->state(), Dataset::State::Insert);
    EXPECT_EQ(cell(1, SUM), gridmodel::formatWithPattern(500.0, kMoney, QLatin1Char('.')));
    // A click on another row is refused the same way, with one message again.
    const QRect first = table()->visualRect(table()->model()->index(0, KOMU));
    QTest::mouseClick(table()->viewport(), Qt::LeftButton, Qt::NoModifier, first.center());
    EXPECT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(current().row(), 1);
    // Completed, the record goes.
    goTo(1, KOMU);
    typeText(QStringLiteral("Горэлектросеть"));
    up();
    EXPECT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(view->state(), Dataset::State::Browse);
    EXPECT_EQ(current().row(), 0);
    EXPECT_EQ(stored("KOMU").last(), QStringLiteral("Горэлектросеть"));
    EXPECT_EQ(stored("PAY_SUM").last(), QStringLiteral("500"));
}

TEST_F(DataGridTest, AnEngineErrorIsShownAsTheErrorReportAndTheRowStays) {
    showGrid(1);
    hooks += view->beforePost.add([](Dataset&) {
        throw base::EngineError(QStringLiteral("Файл занят другой программой"));
    });
    goTo(0, KOMU);
    typeText(QStringLiteral("Другой"));
    enter();
    down();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Платорис"));
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Файл занят другой программой."));
    EXPECT_EQ(dialogs.boxes[0].style, base::MB_ICONERROR);
    EXPECT_EQ(view->state(), Dataset::State::Edit);
    EXPECT_EQ(current().row(), 0);
}

TEST_F(DataGridTest, EscCancelsANewRowAndAnEditedRecord) {
    showGrid(2);
    goTo(1, KOMU);
    down();
    typeText(QStringLiteral("Временный"));
    enter();
    ASSERT_EQ(table()->model()->rowCount(), 3);
    escape();
    EXPECT_EQ(view->state(), Dataset::State::Browse);
    EXPECT_EQ(table()->model()->rowCount(), 2);
    EXPECT_EQ(current().row(), 1);
    EXPECT_EQ(stored("KOMU").size(), 2);

    // In an editor Esc takes back the cell; a record with nothing else typed goes back too.
    goTo(0, KOMU);
    typeText(QStringLiteral("Исправлено"));
    escape();
    EXPECT_EQ(grid->cellEditor(), nullptr);
    EXPECT_EQ(view->state(), Dataset::State::Browse);
    EXPECT_EQ(cell(0, KOMU), QStringLiteral("Поставщик 1"));

    // With a cell stored before, the first Esc takes back only the open cell, the second the
    // record.
    typeText(QStringLiteral("Первое"));
    enter();
    tab();
    typeText(QStringLiteral("75"));
    escape();
    EXPECT_EQ(view->state(), Dataset::State::Edit);
    EXPECT_EQ(cell(0, KOMU), QStringLiteral("Первое"));
    escape();
    EXPECT_EQ(view->state(), Dataset::State::Browse);
    EXPECT_EQ(cell(0, KOMU), QStringLiteral("Поставщик 1"));
    EXPECT_EQ(stored("KOMU").first(), QStringLiteral("Поставщик 1"));
    EXPECT_EQ(posts, 0);
}

TEST_F(DataGridTest, AnUntouchedNewRowIsDroppedWhereverTheCursorGoes) {
    showGrid(2);
    goTo(1, KOMU);
    down();
    ASSERT_EQ(view->state(), Dataset::State::Insert);
    down();  // nothing below an untouched new row
    EXPECT_EQ(table()->model()->rowCount(), 3);
    const QRect first = table()->visualRect(table()->model()->index(0, KOMU));
    QTest::mouseClick(table()->viewport(), Qt::LeftButton, Qt::NoModifier, first.center());
    EXPECT_EQ(current().row(), 0);
    EXPECT_EQ(table()->model()->rowCount(), 2);
    EXPECT_EQ(stored("KOMU").size(), 2);
    EXPECT_EQ(posts, 0);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(DataGridTest, LeavingACellUnchangedLeavesTheRecordAlone) {
    showGrid(2);
    goTo(0, KOMU);
    pressKey(Qt::Key_F2);
    ASSERT_NE(grid->cellEditor(), nullptr);
    EXPECT_EQ(editorText(), QStringLiteral("Поставщик 1"));
    enter();
    EXPECT_EQ(view->state(), Dataset::State::Browse);
    down();
    EXPECT_EQ(posts, 0);
}

TEST_F(DataGridTest, TheCodeListOpensWhenTypingIs700WideAndPickingStores19Characters) {
    showGrid(1);
    goTo(0, CODE);
    typeText(QStringLiteral("2"));
    auto* editor = droppedEditor();
    ASSERT_NE(editor, nullptr);
    QListView* list = editor->listView();
    EXPECT_GE(list->width(), 700);
    // Only the codes that begin with what was typed, and the list does not cover the cell.
    ASSERT_EQ(list->model()->rowCount(), 2);
    EXPECT_EQ(list->model()->index(0, 0).data().toString(), codes[1]);
    const QRect cellOnScreen(
        table()->viewport()->mapToGlobal(table()->visualRect(current()).topLeft()),
        table()->visualRect(current()).size());
    EXPECT_FALSE(list->geometry().intersects(cellOnScreen));
    // More digits narrow the list.
    typeText(QStringLiteral("15002"));
    ASSERT_EQ(list->model()->rowCount(), 1);
    down();
    enter();  // takes the entry, closes the list and moves on
    EXPECT_EQ(grid->cellEditor(), nullptr);
    EXPECT_EQ(view->fieldByName(QStringLiteral("PAY_KIND_N")).asString(),
              QStringLiteral("215.002.000.000.000"));
    EXPECT_EQ(view->fieldByName(QStringLiteral("PAY_KIND_N")).asString().size(), 19);
    EXPECT_EQ(current().column(), SUM);
}

TEST_F(DataGridTest, TheWholeCodeListOpensWithAltDownAndTabTakesTheEntryAndMovesOn) {
    showGrid(1);
    goTo(0, CODE);
    pressKey(Qt::Key_Down, Qt::AltModifier);  // on the cell: it opens with its list
    auto* editor = droppedEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->listView()->model()->rowCount(), codes.size());
    // The entry of the current value is chosen.
    EXPECT_EQ(editor->listView()->currentIndex().row(), 1);
    down();
    down();
    tab();
    EXPECT_EQ(grid->cellEditor(), nullptr);
    EXPECT_EQ(current().column(), SUM);
    EXPECT_EQ(view->fieldByName(QStringLiteral("PAY_KIND_N")).asString(),
              QStringLiteral("310.000.000.000.000"));
    // F4 does the same; on a cell without a list it does nothing, and the cursor stays.
    goTo(0, BANK);
    pressKey(Qt::Key_F4);
    EXPECT_NE(droppedEditor(), nullptr);
    escape();
    escape();
    goTo(0, SUM);
    pressKey(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(grid->cellEditor(), nullptr);
    EXPECT_EQ(current().row(), 0);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(DataGridTest, OneEnterInAnOpenListTakesTheEntryOrTheTypedTextAndMovesOn) {
    showGrid(1);
    goTo(0, BANK);
    typeText(QStringLiteral("ВТБ"));
    ASSERT_NE(droppedEditor(), nullptr);
    down();   // the entry is highlighted
    enter();  // taken; past the last cell the record is stored and a new row begins
    EXPECT_EQ(grid->cellEditor(), nullptr);
    EXPECT_EQ(stored("BANK"), QStringList{banks[1]});
    EXPECT_EQ(current().row(), 1);
    // Nothing highlighted: what was typed is taken, with the same one press.
    goTo(0, BANK);
    typeText(QStringLiteral("Банк"));
    ASSERT_NE(grid->cellEditor(), nullptr);
    enter();
    EXPECT_EQ(grid->cellEditor(), nullptr);
    EXPECT_EQ(stored("BANK"), QStringList{QStringLiteral("Банк")});
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(DataGridTest, TheCodeIsTypedThroughItsMaskAndAnIncompleteCodeKeepsBlanks) {
    showGrid(1);
    goTo(0, CODE);
    typeText(QStringLiteral("310"));
    pressKey(Qt::Key_Escape);  // closes the list
    EXPECT_EQ(editorText(), QStringLiteral("310.___.___.___.___ "));
    enter();
    EXPECT_EQ(view->fieldByName(QStringLiteral("PAY_KIND_N")).asString(),
              QStringLiteral("310.   .   .   ."));
}

TEST_F(DataGridTest, FooterSumsFollowPostsAndDeletesAndUseTheDisplayFormat) {
    showGrid(3);
    EXPECT_EQ(grid->footerText(KOMU), QStringLiteral("Итого за день"));
    EXPECT_EQ(grid->footerText(SUM), gridmodel::formatWithPattern(600.0, kMoney, QLatin1Char('.')));
    EXPECT_EQ(grid->footerText(BANK), QString());
    goTo(2, KOMU);
    down();
    typeText(QStringLiteral("Новый"));
    enter();
    enter();
    typeText(QStringLiteral("1000,25"));
    enter();
    // Typed but not posted: not in the sum yet.
    EXPECT_EQ(grid->footerText(SUM), gridmodel::formatWithPattern(600.0, kMoney, QLatin1Char('.')));
    up();
    EXPECT_EQ(grid->footerText(SUM), gridmodel::formatWithPattern(1600.25, kMoney, QLatin1Char('.')));
    grid->setOptions({true, true, true, true, false});
    goTo(0, KOMU);
    pressKey(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(grid->footerText(SUM), gridmodel::formatWithPattern(1500.25, kMoney, QLatin1Char('.')));
    EXPECT_EQ(stored("KOMU").size(), 3);
}

TEST_F(DataGridTest, GridOptionsLimitWhatTheUserMayDo) {
    widgets::GridOptions options;
    options.appending = options.inserting = options.deleting = false;
    showGrid(2, options);
    goTo(1, KOMU);
    down();
    EXPECT_EQ(table()->model()->rowCount(), 2);
    EXPECT_EQ(view->state(), Dataset::State::Browse);
    enter();
    enter();
    enter();
    enter();  // past the last cell of the last row: stays
    EXPECT_EQ(current().row(), 1);
    EXPECT_EQ(current().column(), BANK);
    pressKey(Qt::Key_Insert);
    pressKey(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(table()->model()->rowCount(), 2);
    EXPECT_EQ(stored("KOMU").size(), 2);

    // Deleting, when allowed, asks first unless told not to.
    grid->setOptions({true, false, false, true, true});
    dialogs.answers.push_back(base::IDNO);
    pressKey(Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Удалить запись?"));
    EXPECT_EQ(stored("KOMU").size(), 2);
    dialogs.answers.push_back(base::IDYES);
    pressKey(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(stored("KOMU").size(), 1);

    // Without editing nothing opens an editor.
    grid->setOptions({false, false, false, false, false});
    goTo(0, KOMU);
    typeText(QStringLiteral("x"));
    EXPECT_EQ(grid->cellEditor(), nullptr);
}

TEST_F(DataGridTest, AReadOnlyColumnTakesNoEditorAndTabGoesPastIt) {
    showGrid(2);
    gridmodel::GridModel g = grid->gridModel();
    g.columns[KOMU].readOnly = true;
    grid->setGridModel(g);
    goTo(0, KOMU);
    typeText(QStringLiteral("x"));
    pressKey(Qt::Key_F2);
    EXPECT_EQ(grid->cellEditor(), nullptr);
    EXPECT_EQ(view->state(), Dataset::State::Browse);
    // Enter and Tab go from one cell that can be typed into to the next.
    goTo(0, BANK);
    enter();
    EXPECT_EQ(current().row(), 1);
    EXPECT_EQ(current().column(), CODE);
    pressKey(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(current().row(), 0);
    EXPECT_EQ(current().column(), BANK);
    // The arrows still reach it.
    goTo(1, CODE);
    pressKey(Qt::Key_Left);
    EXPECT_EQ(current().column(), KOMU);
}

TEST_F(DataGridTest, TabPastTheLastCellGoesToTheNextControlUnlessTheRecordIsRefused) {
    widgets::GridOptions options;
    options.appending = options.inserting = false;
    showGrid(2, options);
    goTo(1, SUM);
    tab();
    EXPECT_EQ(current().column(), BANK);
    typeText(QStringLiteral("Другой банк"));
    tab();  // out of the editor and, with no cell left, out of the grid
    EXPECT_EQ(QApplication::focusWidget(), elsewhere);
    EXPECT_EQ(stored("BANK").last(), banks[0]);  // leaving the grid does not post
    EXPECT_EQ(view->fieldByName(QStringLiteral("BANK")).asString(), QStringLiteral("Другой банк"));
    grid->setFocus();
    goTo(0, KOMU);  // the record goes when its row is left
    EXPECT_EQ(stored("BANK").last(), QStringLiteral("Другой банк"));
    pressKey(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_NE(QApplication::focusWidget(), table());

    // In an appendable grid Tab past the end of a refused record stays on the record.
    grid->setOptions({});
    grid->setFocus();
    goTo(1, BANK);
    down();
    goTo(2, SUM);
    typeText(QStringLiteral("7"));
    tab();
    tab();  // the new record has no recipient: refused
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(QApplication::focusWidget(), table());
    EXPECT_EQ(current().row(), 2);
    EXPECT_EQ(current().column(), BANK);
    EXPECT_EQ(view->state(), Dataset::State::Insert);
}

TEST_F(DataGridTest, AnUntouchedNewRowIsDroppedWhenTheGridIsLeft) {
    showGrid(1);
    goTo(0, KOMU);
    down();
    ASSERT_EQ(view->state(), Dataset::State::Insert);
    elsewhere->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(view->state(), Dataset::State::Browse);
    EXPECT_EQ(table()->model()->rowCount(), 1);
    // A new row with something typed stays pending.
    grid->setFocus();
    QCoreApplication::processEvents();
    down();
    typeText(QStringLiteral("Начато"));
    elsewhere->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(view->state(), Dataset::State::Insert);
    EXPECT_EQ(view->fieldByName(QStringLiteral("KOMU")).asString(), QStringLiteral("Начато"));
    EXPECT_EQ(stored("KOMU").size(), 1);
}

TEST_F(DataGridTest, AListIsWideEnoughForItsEntriesInANarrowColumn) {
    showGrid(1);
    goTo(0, BANK);
    typeText(QStringLiteral("Банк"));
    auto* editor = droppedEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_GT(editor->listView()->width(), table()->columnWidth(BANK));
    EXPECT_GE(editor->listView()->viewport()->width(),
              QFontMetrics(editor->listView()->font()).horizontalAdvance(banks[1]));
}

TEST_F(DataGridTest, TheGridFollowsTheViewMovedElsewhere) {
    showGrid(5);
    view->setRecNo(4);
    QCoreApplication::processEvents();
    EXPECT_EQ(current().row(), 3);
    view->append();
    EXPECT_EQ(table()->model()->rowCount(), 6);
    EXPECT_EQ(current().row(), 5);
    view->cancel();
    EXPECT_EQ(table()->model()->rowCount(), 5);
    EXPECT_EQ(current().row(), 3);
    view->close();
    EXPECT_EQ(table()->model()->rowCount(), 0);
    EXPECT_EQ(grid->footerText(SUM), gridmodel::formatWithPattern(0.0, kMoney, QLatin1Char('.')));
    view->open();
    EXPECT_EQ(table()->model()->rowCount(), 5);
    EXPECT_EQ(grid->footerText(SUM), gridmodel::formatWithPattern(1500.0, kMoney, QLatin1Char('.')));
}

TEST_F(DataGridTest, APostFromElsewhereTakesWhatTheOpenEditorHolds) {
    showGrid(2);
    goTo(1, KOMU);
    typeText(QStringLiteral("Набрано"));
    ASSERT_NE(grid->cellEditor(), nullptr);
    // Save, say, posts the view while the cell is still being typed into.
    view->checkBrowseMode();
    EXPECT_EQ(stored("KOMU").last(), QStringLiteral("Набрано"));
    EXPECT_EQ(grid->cellEditor(), nullptr);
}

TEST_F(DataGridTest, LeavingTheGridForAnotherControlIsAnExitButADialogIsNot) {
    showGrid(1);
    int exits = 0;
    QObject::connect(grid, &DataGrid::exited, [&] { ++exits; });
    goTo(0, KOMU);
    typeText(QStringLiteral("Текст"));  // an editor has the focus now
    QWidget dialog;
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    dialog.setFocus();
    QCoreApplication::processEvents();
    dialog.hide();
    QApplication::setActiveWindow(window.get());
    QCoreApplication::processEvents();
    EXPECT_EQ(exits, 0);
    elsewhere->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(exits, 1);
    // The editor gave its text to the record on the way out; the record is still pending.
    EXPECT_EQ(view->state(), Dataset::State::Edit);
    EXPECT_EQ(view->fieldByName(QStringLiteral("KOMU")).asString(), QStringLiteral("Текст"));
}

TEST_F(DataGridTest, AMenuOpenedAndClosedIsNoExitButLeavingFromItForAnotherControlIs) {
    showGrid(2);
    auto* bar = new QMenuBar(window.get());
    window->layout()->setMenuBar(bar);
    QMenu* menu = bar->addMenu(QStringLiteral("&Реестр"));
    menu->addAction(QStringLiteral("Сохранить"));
    bar->show();
    int exits = 0;
    QObject::connect(grid, &DataGrid::exited, [&] { ++exits; });
    // Opened with the mouse and closed with Esc: the menu bar holds the focus until a second Esc.
    auto openAndCloseMenu = [&] {
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier,
                          bar->actionGeometry(menu->menuAction()).center());
        ASSERT_EQ(QApplication::activePopupWidget(), menu);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        escape();
        ASSERT_EQ(QApplication::focusWidget(), bar);
    };
    goTo(1, KOMU);
    down();  // a new row, nothing typed yet
    openAndCloseMenu();
    escape();
    EXPECT_EQ(view->state(), Dataset::State::Insert);
    EXPECT_EQ(current().row(), 2);
    EXPECT_EQ(current().column(), KOMU);
    typeText(QStringLiteral("Нов"));
    openAndCloseMenu();
    escape();
    typeText(QStringLiteral("ый"));  // goes on into the same cell
    EXPECT_EQ(editorText(), QStringLiteral("Новый"));
    // Alt while the code list is dropped down: the menu bar takes the keyboard, Esc gives it back.
    enter();
    typeText(QStringLiteral("2"));
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Alt, Qt::AltModifier);
    ASSERT_EQ(QApplication::focusWidget(), bar);
    QTest::keyClick(bar, Qt::Key_Escape);
    typeText(QStringLiteral("15"));
    escape();  // closes the list
    EXPECT_EQ(editorText(), QStringLiteral("215.___.___.___.___ "));
    enter();
    EXPECT_EQ(current().column(), SUM);
    EXPECT_EQ(exits, 0);
    EXPECT_EQ(stored("KOMU"),
              QStringList({QStringLiteral("Поставщик 1"), QStringLiteral("Поставщик 2")}));
    // From the menu bar into another control: the grid is left, what was typed goes along.
    typeText(QStringLiteral("75"));
    openAndCloseMenu();
    QTest::mouseClick(elsewhere, Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), elsewhere);
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(view->state(), Dataset::State::Insert);
    EXPECT_EQ(view->fieldByName(QStringLiteral("KOMU")).asString(), QStringLiteral("Новый"));
    EXPECT_EQ(view->fieldByName(QStringLiteral("PAY_SUM")).asString(), QStringLiteral("75"));
}

TEST_F(DataGridTest, FocusMovedAwayWhileARefusalIsShownStoresNothingAgain) {
    showGrid(1);
    // As in the day window, leaving the grid stores what is pending.
    QObject::connect(grid, &DataGrid::exited,
                     [&] { base::runGuarded(&dialogs, [&] { view->checkBrowseMode(); }); });
    // The box takes the focus away, here to another control, and gives it back when closed.
    dialogs.whileBoxOpen = [&](const testing_support::ScriptedDialogs::Box&) {
        if (dialogs.boxes.size() > 3) return;  // a test that fails still ends
        elsewhere->setFocus(Qt::OtherFocusReason);
        grid->setFocus(Qt::ActiveWindowFocusReason);
    };
    goTo(0, KOMU);
    down();
    goTo(1, SUM);
    typeText(QStringLiteral("500"));
    enter();
    enter();  // past the last cell of a record without a recipient: refused
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(view->state(), Dataset::State::Insert);
    EXPECT_EQ(current().row(), 1);
    EXPECT_EQ(QApplication::focusWidget(), table());
}

TEST_F(DataGridTest, AClickBelowTheLastRowStartsANewRecordInsteadOfTypingOverTheLast) {
    showGrid(2);
    goTo(1, KOMU);
    down();
    elsewhere->setFocus();  // the untouched new row is dropped: the last record is current again
    QCoreApplication::processEvents();
    ASSERT_EQ(current().row(), 1);
    const QRect last = table()->visualRect(table()->model()->index(1, SUM));
    QTest::mouseClick(table()->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(last.center().x(), last.bottom() + 2 * last.height()));
    EXPECT_EQ(QApplication::focusWidget(), table());
    EXPECT_EQ(current().row(), 2);
    EXPECT_EQ(current().column(), KOMU);  // a new record begins at its first cell
    typeText(QStringLiteral("Новый"));
    down();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(stored("KOMU"),
              QStringList({QStringLiteral("Поставщик 1"), QStringLiteral("Поставщик 2"),
                           QStringLiteral("Новый")}));
}

TEST_F(DataGridTest, TitlesWrapOverSeveralLinesAndTheHeaderGrowsForThem) {
    showGrid(1);
    QHeaderView* titles = table()->horizontalHeader();
    const int oneLine = QFontMetrics(titles->font()).height();
    EXPECT_GE(titles->height(), 2 * oneLine);
    // Wider, the long title needs fewer lines.
    const int before = titles->sizeHint().height();
    table()->setColumnWidth(KOMU, 600);
    EXPECT_LT(titles->sizeHint().height(), before);
    // The width the user gave a column is what export and printing read.
    EXPECT_EQ(grid->gridModel().columns[KOMU].width, 600);
}

TEST_F(DataGridTest, TheFooterFollowsHorizontalScrolling) {
    showGrid(2, {}, 300);
    window->resize(320, 300);
    QCoreApplication::processEvents();
    QScrollBar* bar = grid->findChild<QScrollBar*>(QStringLiteral("HorizontalScrollBar"));
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_GT(bar->maximum(), 0);
    bar->setValue(bar->maximum());
    EXPECT_EQ(table()->horizontalScrollBar()->value(), bar->maximum());
    EXPECT_LT(table()->horizontalHeader()->sectionViewportPosition(KOMU), 0);
}

// A day of 5,000 payments: a full screen of rows reads each of them from the table once; painting
// again or moving the cursor within the screen reads nothing more.
TEST_F(DataGridTest, AScreenOfRowsIsReadOnceFromTheTable) {
    showGrid(5000, {}, 600);
    auto* model = grid->model();
    QCoreApplication::processEvents();
    const long long afterFirstPaint = model->recordReads();
    const int visibleRows = table()->rowAt(table()->viewport()->height() - 1) + 1;
    ASSERT_GT(visibleRows, 10);
    EXPECT_LE(afterFirstPaint, visibleRows + 1);
    RecordProperty("rowsOnScreen", visibleRows);
    RecordProperty("readsForFirstScreen", static_cast<int>(afterFirstPaint));
    table()->viewport()->repaint();
    EXPECT_EQ(model->recordReads(), afterFirstPaint);
    for (int i = 0; i < 5; ++i) down();
    table()->viewport()->repaint();
    // Only the first row, shown from the view's own record so far, is read once it is left.
    EXPECT_LE(model->recordReads(), afterFirstPaint + 1);
    // A page further down reads about one more page.
    pressKey(Qt::Key_PageDown);
    table()->viewport()->repaint();
    EXPECT_LE(model->recordReads(), afterFirstPaint + visibleRows + 2);
    EXPECT_EQ(grid->footerText(SUM),
              gridmodel::formatWithPattern(100.0 * 5000 * 5001 / 2, kMoney, QLatin1Char('.'),
                                           gridmodel::Overflow::Grouped));
}

// Qt's model tester watches the grid's model (the fixture's checker) and a model of its own over
// the same view while records are appended, edited and deleted, the filter changes and the grid
// goes to another view and back: neither reports anything.
TEST_F(DataGridTest, TheModelsStayConsistentThroughAppendPostDeleteRefilterAndSwitchingViews) {
    showGrid(3);
    widgets::DatasetModel own;
    own.setGridModel(&grid->gridModel());
    own.setDataset(view.get());
    testing_support::ModelChecker ownChecker(&own);

    view->append();
    view->fieldByName(QStringLiteral("KOMU")).setAsString(QStringLiteral("Новый поставщик"));
    view->post();
    EXPECT_EQ(own.rowCount(), 4);
    view->first();
    view->edit();
    view->fieldByName(QStringLiteral("PAY_SUM")).setAsFloat(7);
    view->post();
    view->last();
    view->remove();
    EXPECT_EQ(own.rowCount(), 3);
    view->setFilter(QStringLiteral("[KOMU]<>'Поставщик 2'"));
    EXPECT_EQ(own.rowCount(), 2);
    view->setFiltered(false);
    EXPECT_EQ(own.rowCount(), 3);

    Dataset other(QStringLiteral("TableOther"));
    other.setFolder(dir.path());
    other.setTableName(QStringLiteral("Pay.dbf"));
    other.setFilter(QStringLiteral("[KOMU]='Поставщик 1'"));
    other.open();
    grid->setDataSource(&other);
    own.setDataset(&other);
    EXPECT_EQ(grid->model()->rowCount(), 1);
    EXPECT_EQ(own.rowCount(), 1);
    grid->setDataSource(view.get());
    own.setDataset(nullptr);
    EXPECT_EQ(grid->model()->rowCount(), 3);
    QCoreApplication::processEvents();
    EXPECT_EQ(testing_support::ModelChecker::reports(), QStringList());
}

}  // namespace
