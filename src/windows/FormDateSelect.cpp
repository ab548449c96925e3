#include "FormDateSelect.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTableView>
#include <QVBoxLayout>

#include "TitleBar.h"

namespace windows {

namespace {
// A register day before this makes no sense; it also keeps the day folder's year at four
// digits and inside what the table files can hold.
const QDate kEarliestDate(1900, 1, 1);
const QDate kLatestDate(9999, 12, 31);

// The calendar takes a date on a double click or Enter. Desktops set to open items with one
// click would make a single click take the date; this keeps one click to selecting.
class DoubleClickToChoose : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ItemView_ActivateItemOnSingleClick) return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};
}  // namespace

TFormDateSelect::TFormDateSelect(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("FormDateSelect"));
    setWindowTitle(kCaption);
    widgets::setTitleBarButtons(this, widgets::TitleBarButtons::None);
    setModal(true);

    Label1 = new QLabel(QStringLiteral("Выберите текущую дату:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));

    MonthCalendar1 = new QCalendarWidget(this);
    MonthCalendar1->setObjectName(QStringLiteral("MonthCalendar1"));
    MonthCalendar1->setDateRange(kEarliestDate, kLatestDate);
    MonthCalendar1->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    MonthCalendar1->setGridVisible(true);
    if (auto* dates = MonthCalendar1->findChild<QTableView*>()) {
        auto* style = new DoubleClickToChoose(QApplication::style()->name());
        style->setParent(this);
        dates->setStyle(style);
    }

    ButtonOk = new QPushButton(QStringLiteral("Продолжить"), this);
    ButtonOk->setObjectName(QStringLiteral("ButtonOk"));
    ButtonOk->setDefault(true);
    ButtonCancel = new QPushButton(QStringLiteral("Отменить"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    ButtonCancel->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonOk);
    buttons->addWidget(ButtonCancel);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(MonthCalendar1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ButtonOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    // The calendar reports a double click on the chosen date, and Enter, as activation; a
    // double click on another date selects it with the first click.
    connect(MonthCalendar1, &QCalendarWidget::activated, this,
            &TFormDateSelect::MonthCalendar1DblClick);

    FormShow();
}

QDate TFormDateSelect::selectedDate() const {
    return MonthCalendar1->selectedDate();
}

void TFormDateSelect::FormShow() {
    const QDate today = QDate::currentDate();
    MonthCalendar1->setSelectedDate(today);
    MonthCalendar1->setCurrentPage(today.year(), today.month());
}

void TFormDateSelect::MonthCalendar1DblClick() {
    accept();
}

void TFormDateSelect::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        FormShow();
        MonthCalendar1->setFocus();
        centreOnScreen();
    }
    QDialog::showEvent(event);
}

void TFormDateSelect::centreOnScreen() {
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s) return;
    adjustSize();
    const QRect area = s->geometry();
    const QSize size = frameGeometry().size();
    move(area.left() + (area.width() - size.width()) / 2,
         area.top() + (area.height() - size.height()) / 2);
}

}  // namespace windows
