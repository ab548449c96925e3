#include <gtest/gtest.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableView>
#include <QTest>

#include "FormDateSelect.h"

namespace {

class FormDateSelectTest : public ::testing::Test {
protected:
    // Opens the window modally without blocking and waits until it can take keys.
    void open() {
        form.open();
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    QTableView* calendarView() const { return form.MonthCalendar1->findChild<QTableView*>(); }

    // The cell of the calendar that shows a date of the shown month.
    QModelIndex cellOf(const QDate& date) const {
        QTableView* view = calendarView();
        QAbstractItemModel* model = view->model();
        for (int row = 0; row < model->rowCount(); ++row)
            for (int column = 0; column < model->columnCount(); ++column) {
                const QModelIndex index = model->index(row, column);
                // Rows of days of the shown month: the day number, and the first week holds
                // the first day, the last weeks the later ones.
                if (model->data(index).toString() != QString::number(date.day())) continue;
                const bool early = date.day() <= 7, late = date.day() >= 22;
                if ((early && row <= 2) || (late && row >= 4) || (!early && !late)) return index;
            }
        return {};
    }

    // A double click as the system delivers it: press, release, double click, release.
    static void doubleClick(QWidget* target, QPoint at) {
        QTest::mouseClick(target, Qt::LeftButton, {}, at);
        QTest::mouseDClick(target, Qt::LeftButton, {}, at);
        QTest::mouseRelease(target, Qt::LeftButton, {}, at);
    }

    windows::TFormDateSelect form;
};

TEST_F(FormDateSelectTest, HasItsCaptionLabelButtonsAndNoCaptionButtons) {
    EXPECT_EQ(form.objectName(), QStringLiteral("FormDateSelect"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Выбор текущей даты"));
    EXPECT_EQ(form.Label1->text(), QStringLiteral("Выберите текущую дату:"));
    EXPECT_EQ(form.MonthCalendar1->objectName(), QStringLiteral("MonthCalendar1"));
    EXPECT_EQ(form.ButtonOk->text(), QStringLiteral("Продолжить"));
    EXPECT_EQ(form.ButtonCancel->text(), QStringLiteral("Отменить"));
    EXPECT_TRUE(form.ButtonOk->isDefault());
    EXPECT_FALSE(form.ButtonCancel->isDefault());
    EXPECT_TRUE(form.isModal());
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
    EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(FormDateSelectTest, IsCentredOnTheScreen) {
    open();
    const QRect screen = form.screen()->geometry();
    const QRect frame = form.frameGeometry();
    EXPECT_LE(std::abs(frame.center().x() - screen.center().x()), 1);
    EXPECT_LE(std::abs(frame.center().y() - screen.center().y()), 1);
}

TEST_F(FormDateSelectTest, EveryShowStartsAtTodayWhateverWasChosenBefore) {
    const QDate today = QDate::currentDate();
    open();
    EXPECT_EQ(form.selectedDate(), today);
    EXPECT_EQ(form.MonthCalendar1->monthShown(), today.month());
    EXPECT_EQ(form.MonthCalendar1->yearShown(), today.year());

    const QDate earlier = today.addMonths(-5);
    form.MonthCalendar1->setSelectedDate(earlier);
    form.ButtonOk->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.selectedDate(), earlier);

    open();
    EXPECT_EQ(form.selectedDate(), today);
    EXPECT_EQ(form.MonthCalendar1->monthShown(), today.month());
    form.ButtonCancel->click();
    EXPECT_EQ(form.result(), QDialog::Rejected);
}

TEST_F(FormDateSelectTest, EscapeCancelsAndEnterAccepts) {
    open();
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);

    open();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.selectedDate(), QDate::currentDate());

    // The keyboard reaches the buttons too.
    open();
    form.ButtonCancel->setFocus();
    QTest::keyClick(form.ButtonCancel, Qt::Key_Space);
    EXPECT_EQ(form.result(), QDialog::Rejected);
}

TEST_F(FormDateSelectTest, ADoubleClickOnADateAcceptsThatDate) {
    open();
    const QDate today = QDate::currentDate();
    // Another day of the same month, away from the edges of the grid.
    const QDate other = QDate(today.year(), today.month(), today.day() == 15 ? 16 : 15);
    const QModelIndex cell = cellOf(other);
    ASSERT_TRUE(cell.isValid());
    QTableView* view = calendarView();
    doubleClick(view->viewport(), view->visualRect(cell).center());
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.selectedDate(), other);
}

TEST_F(FormDateSelectTest, ASingleClickOnlySelectsADateWhateverTheDesktopSetting) {
    open();
    QTableView* view = calendarView();
    EXPECT_EQ(
        view->style()->styleHint(QStyle::SH_ItemView_ActivateItemOnSingleClick, nullptr, view), 0);
    const QDate today = QDate::currentDate();
    const QDate other = QDate(today.year(), today.month(), today.day() == 16 ? 17 : 16);
    const QModelIndex cell = cellOf(other);
    ASSERT_TRUE(cell.isValid());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(cell).center());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.selectedDate(), other);
    form.reject();
}

TEST_F(FormDateSelectTest, ADoubleClickOutsideTheDatesDoesNotAccept) {
    open();
    QTableView* view = calendarView();
    // The row of day names above the dates.
    const QModelIndex header = view->model()->index(0, 3);
    doubleClick(view->viewport(), view->visualRect(header).center());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.selectedDate(), QDate::currentDate());
    form.reject();
}

TEST_F(FormDateSelectTest, TheCalendarKeepsToDatesARegisterCanHold) {
    EXPECT_EQ(form.MonthCalendar1->minimumDate(), QDate(1900, 1, 1));
    EXPECT_EQ(form.MonthCalendar1->maximumDate(), QDate(9999, 12, 31));
}

}  // namespace
