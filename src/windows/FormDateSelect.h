#pragma once

#include <QDialog>

class QCalendarWidget;
class QLabel;
class QPushButton;

namespace windows {

// The modal choice of the current date: a month calendar with "Продолжить" (default, Enter)
// and "Отменить" (Escape). Every time it is shown the calendar starts at today; a double click
// on a date accepts that date. The window has no caption buttons and is centred on the screen.
class TFormDateSelect : public QDialog {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Выбор текущей даты");

    explicit TFormDateSelect(QWidget* parent = nullptr);

    QCalendarWidget* MonthCalendar1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* ButtonOk = nullptr;
    QPushButton* ButtonCancel = nullptr;

    // The date the calendar holds.
    QDate selectedDate() const;

    // Sets the calendar to today.
    void FormShow();
    // A date of the calendar was double-clicked (or confirmed with Enter): accept it.
    void MonthCalendar1DblClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void centreOnScreen();
};

}  // namespace windows
