#include "PrintSetupDialog.h"

#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFontDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ProgramPrinter.h"

namespace windows {

PrintSetupDialog::PrintSetupDialog(const base::PrintSetupRequest& request, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Настройка принтера"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(this);

    auto* margins = new QGroupBox(QStringLiteral(" &Отступы "), this);
    auto* form = new QFormLayout(margins);
    auto edit = [&](const QString& label, const QString& value) {
        auto* e = new QLineEdit(value, margins);
        e->installEventFilter(this);
        auto* l = new QLabel(label, margins);
        l->setBuddy(e);
        form->addRow(l, e);
        return e;
    };
    EditTop = edit(QStringLiteral("&Верхний"), request.top);
    EditBottom = edit(QStringLiteral("&Нижний"), request.bottom);
    EditLeft = edit(QStringLiteral("&Левый"), request.left);
    EditRight = edit(QStringLiteral("&Правый"), request.right);
    layout->addWidget(margins);

    CheckFitToPage = new QCheckBox(QStringLiteral("&Умещать в ширину на листе"), this);
    CheckFitToPage->setChecked(request.fitToPageWidth);
    layout->addWidget(CheckFitToPage);
    auto* fitting = new QGroupBox(this);
    auto* fittingLayout = new QVBoxLayout(fitting);
    RadioScale = new QRadioButton(QStringLiteral("Масштабировать всю таблицу"), fitting);
    RadioColumnWidths = new QRadioButton(QStringLiteral("Изменять ширину столбцов"), fitting);
    (request.fitByColumnWidths ? RadioColumnWidths : RadioScale)->setChecked(true);
    fittingLayout->addWidget(RadioScale);
    fittingLayout->addWidget(RadioColumnWidths);
    fitting->setEnabled(request.fitToPageWidth);
    connect(CheckFitToPage, &QCheckBox::toggled, fitting, &QWidget::setEnabled);
    layout->addWidget(fitting);

    CheckOptimalWidths = new QCheckBox(QStringLiteral("Оптимальная ширина столбцов"), this);
    CheckOptimalWidths->setChecked(request.optimalColumnWidths);
    CheckWrap = new QCheckBox(QStringLiteral("Перенос &длинных строк"), this);
    CheckWrap->setChecked(request.rowAutoStretch);
    CheckColor = new QCheckBox(QStringLiteral("&Цвет"), this);
    CheckColor->setChecked(request.colored);
    for (QWidget* w : {static_cast<QWidget*>(CheckOptimalWidths), static_cast<QWidget*>(CheckWrap), static_cast<QWidget*>(CheckColor)})
        layout->addWidget(w);

    auto* fontRow = new QHBoxLayout;
    auto* fontLabel = new QLabel(QStringLiteral("Шрифт печати:"), this);
    EditFontName = new QLineEdit(request.printFontName, this);
    fontLabel->setBuddy(EditFontName);
    ButtonFont = new QPushButton(QStringLiteral("..."), this);
    ButtonFont->setFixedWidth(30);
    fontRow->addWidget(fontLabel);
    fontRow->addWidget(EditFontName, 1);
    fontRow->addWidget(ButtonFont);
    layout->addLayout(fontRow);
    connect(ButtonFont, &QPushButton::clicked, this, [this] {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, QFont(EditFontName->text()), this);
        if (ok) EditFontName->setText(chosen.family());
    });

    auto* buttons = new QHBoxLayout;
    // The page setup works on the program's printer, also where it prints to PDF for want of
    // an installed printer; Cancel below takes back what it changed.
    ButtonPrinterSetup = new QPushButton(QStringLiteral("Н&астройка принтера"), this);
    pageLayoutBefore_ = programPrinter().pageLayout();
    connect(ButtonPrinterSetup, &QPushButton::clicked, this, [this] { programPageSetup(this); });
    ButtonOk = new QPushButton(QStringLiteral("О&к"), this);
    ButtonOk->setDefault(true);
    ButtonCancel = new QPushButton(QStringLiteral("О&тмена"), this);
    connect(ButtonOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(ButtonPrinterSetup);
    buttons->addStretch(1);
    buttons->addWidget(ButtonOk);
    buttons->addWidget(ButtonCancel);
    layout->addLayout(buttons);
}

bool PrintSetupDialog::isNumber(const QString& text) {
    bool ok = false;
    QString t = text.trimmed();
    t.replace(u',', u'.');
    t.toDouble(&ok);
    return ok;
}

bool PrintSetupDialog::checkNumber(QLineEdit* edit) {
    if (isNumber(edit->text())) return true;
    QMessageBox::critical(this, QStringLiteral("Ошибка"),
                          QStringLiteral("«%1» не является правильным числом.").arg(edit->text()));
    edit->setFocus();
    edit->selectAll();
    return false;
}

bool PrintSetupDialog::eventFilter(QObject* watched, QEvent* event) {
    // A margin is checked when its edit loses focus, but not when the focus goes to the box
    // that says what is wrong with it.
    if (event->type() == QEvent::FocusOut && isVisible()) {
        auto* edit = qobject_cast<QLineEdit*>(watched);
        auto* focusEvent = static_cast<QFocusEvent*>(event);
        if (edit && focusEvent->reason() != Qt::PopupFocusReason && focusEvent->reason() != Qt::ActiveWindowFocusReason &&
            !isNumber(edit->text()))
            QMetaObject::invokeMethod(this, [this, edit] { checkNumber(edit); }, Qt::QueuedConnection);
    }
    return QDialog::eventFilter(watched, event);
}

void PrintSetupDialog::reject() {
    programPrinter().setPageLayout(pageLayoutBefore_);
    QDialog::reject();
}

void PrintSetupDialog::accept() {
    for (QLineEdit* e : {EditTop, EditBottom, EditLeft, EditRight})
        if (!checkNumber(e)) return;
    QDialog::accept();
}

base::PrintSetupRequest PrintSetupDialog::result() const {
    base::PrintSetupRequest r;
    r.top = EditTop->text();
    r.bottom = EditBottom->text();
    r.left = EditLeft->text();
    r.right = EditRight->text();
    r.fitToPageWidth = CheckFitToPage->isChecked();
    r.fitByColumnWidths = RadioColumnWidths->isChecked();
    r.optimalColumnWidths = CheckOptimalWidths->isChecked();
    r.rowAutoStretch = CheckWrap->isChecked();
    r.colored = CheckColor->isChecked();
    r.printFontName = EditFontName->text().trimmed();
    return r;
}

}  // namespace windows
