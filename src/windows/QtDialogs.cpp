#include "QtDialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeView>
#include <memory>
#include <vector>

#include "FormDateSelect.h"
#include "PrintSetupDialog.h"
#include "TitleBar.h"

namespace windows {

using namespace base;

namespace {

struct Button {
    QString text;
    QMessageBox::ButtonRole role;
    int result;
};

std::vector<Button> buttonsOf(int style) {
    const Button ok{QStringLiteral("OK"), QMessageBox::AcceptRole, IDOK};
    const Button cancel{QStringLiteral("Отмена"), QMessageBox::RejectRole, IDCANCEL};
    const Button yes{QStringLiteral("Да"), QMessageBox::YesRole, IDYES};
    const Button no{QStringLiteral("Нет"), QMessageBox::NoRole, IDNO};
    switch (style & 0x0F) {
        case MB_OKCANCEL:
            return {ok, cancel};
        case MB_YESNOCANCEL:
            return {yes, no, cancel};
        case MB_YESNO:
            return {yes, no};
        default:
            return {ok};
    }
}

// The answer of a box left with Escape or its close button.
int escapeResultOf(const std::vector<Button>& buttons) {
    for (const Button& b : buttons)
        if (b.result == IDCANCEL) return IDCANCEL;
    for (const Button& b : buttons)
        if (b.result == IDNO) return IDNO;
    return IDOK;
}

QMessageBox::Icon iconOf(int style) {
    switch (style & 0xF0) {
        case MB_ICONHAND:
            return QMessageBox::Critical;
        case MB_ICONQUESTION:
            return QMessageBox::Question;
        case MB_ICONEXCLAMATION:
            return QMessageBox::Warning;
        case MB_ICONINFORMATION:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// A folder dialog that also takes the name of a folder that does not exist yet.
class FolderChooser : public QFileDialog {
public:
    using QFileDialog::QFileDialog;
    QString chosen;

protected:
    void accept() override {
        const QString typed = selectedFiles().value(0);
        if (!typed.isEmpty() && !QFileInfo::exists(typed)) {
            chosen = typed;
            QDialog::accept();
            return;
        }
        QFileDialog::accept();
        if (result() == QDialog::Accepted) chosen = selectedFiles().value(0);
    }
};

// The file dialogs' size and date columns in the program's locale: Qt writes them in the
// desktop's, which need not be the program's Russian.
class LocalFileColumns : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    static constexpr int kSizeColumn = 1;
    static constexpr int kTypeColumn = 2;
    static constexpr int kDateColumn = 3;

    QVariant data(const QModelIndex& index, int role) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (files && role == Qt::DisplayRole && index.isValid()) {
            const QModelIndex source = mapToSource(index);
            if (index.column() == kSizeColumn && !files->isDir(source))
                return QLocale().formattedDataSize(files->size(source), 2,
                                                   QLocale::DataSizeTraditionalFormat);
            if (index.column() == kDateColumn)
                return QLocale().toString(files->lastModified(source), QLocale::ShortFormat);
        }
        return QIdentityProxyModel::data(index, role);
    }
};

// The file dialogs in the program's locale, large enough to show their columns whole.
void showInProgramLocale(QFileDialog& dialog) {
    dialog.setProxyModel(new LocalFileColumns(&dialog));
    dialog.resize(dialog.sizeHint().expandedTo(QSize(760, 460)));
    // The detail columns wide enough for a Russian date, size and kind of file.
    if (auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        const QFontMetrics fm(details->font());
        const int padding = 3 * fm.averageCharWidth();
        QHeaderView* header = details->header();
        header->resizeSection(LocalFileColumns::kSizeColumn,
                              fm.horizontalAdvance(QStringLiteral("999,99 МБ")) + padding);
        header->resizeSection(LocalFileColumns::kTypeColumn,
                              fm.horizontalAdvance(QStringLiteral("Документ HTML")) + padding);
        header->resizeSection(LocalFileColumns::kDateColumn,
                              fm.horizontalAdvance(QStringLiteral("00.00.0000 00:00")) + padding);
    }
}

QWidget* ownerWindow() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

// A dialog closed right after a box over it may leave no window active, and the keyboard then
// reaches nothing: the window it stood over is made the active one again.
void giveBackKeyboard(QWidget* owner) {
    if (owner && owner->isVisible()) owner->activateWindow();
}

}  // namespace

QtDialogs::QtDialogs() = default;
QtDialogs::~QtDialogs() = default;

QString QtDialogs::displayText(const QString& text) {
    QString shown = text;
    shown.replace(QLatin1String("\n\r"), QLatin1String("\n"));
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(u'\r', u'\n');
    return shown;
}

int QtDialogs::messageBox(const QString& text, const QString& caption, int style,
                          bool ownedByApplication) {
    QMessageBox box(ownedByApplication ? ownerWindow() : nullptr);
    box.setWindowModality(Qt::ApplicationModal);
    // A title and a close button, no minimise or maximise.
    widgets::setTitleBarButtons(&box, widgets::TitleBarButtons::Close);
    box.setWindowTitle(caption);
    // Plain text always: a message may quote user data such as "<Income>".
    box.setTextFormat(Qt::PlainText);
    box.setText(displayText(text));
    box.setIcon(iconOf(style));

    const std::vector<Button> buttons = buttonsOf(style);
    std::vector<QPushButton*> pushButtons;
    for (const Button& b : buttons) pushButtons.push_back(box.addButton(b.text, b.role));

    const size_t defaultIndex = static_cast<size_t>((style >> 8) & 0x0F);
    box.setDefaultButton(pushButtons[defaultIndex < pushButtons.size() ? defaultIndex : 0]);

    const int escapeResult = escapeResultOf(buttons);
    for (size_t i = 0; i < buttons.size(); ++i)
        if (buttons[i].result == escapeResult) box.setEscapeButton(pushButtons[i]);

    box.exec();
    for (size_t i = 0; i < buttons.size(); ++i)
        if (box.clickedButton() == pushButtons[i]) return buttons[i].result;
    // Closed without a button, as when the program is asked to end while the box is open.
    return escapeResult;
}

std::optional<QDate> QtDialogs::chooseDate(const QString& caption) {
    std::unique_ptr<TFormDateSelect> own;
    QPointer<TFormDateSelect> form = dateForm_;
    if (!form) {
        own = std::make_unique<TFormDateSelect>();
        form = own.get();
    }

    const QString savedCaption = form->windowTitle();
    const QString savedPrompt = form->Label1->text();
    if (!caption.isEmpty()) {
        form->setWindowTitle(caption);
        // The prompt above the calendar says the same: a narrow caption is cut short.
        form->Label1->setText(caption + QLatin1Char(':'));
    }
    const int result = form->exec();
    if (!form) return std::nullopt;  // the window went away while it was open
    form->setWindowTitle(savedCaption);
    form->Label1->setText(savedPrompt);

    if (result != QDialog::Accepted) return std::nullopt;
    return form->selectedDate();
}

QStringList QtDialogs::nameFiltersOf(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList masks;
        for (const QString& mask : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString m = mask.trimmed();
            for (const QString& variant : {m, m.toUpper(), m.toLower()})
                if (!masks.contains(variant)) masks << variant;
        }
        filters << parts[i] + QStringLiteral(" (") + masks.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

std::optional<QString> QtDialogs::saveFileName(const SaveFileRequest& request) {
    const QString start =
        QFileInfo(request.startFolder).isDir() ? request.startFolder : QDir::currentPath();
    QWidget* owner = ownerWindow();
    QFileDialog dialog(owner, request.title, start);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    showInProgramLocale(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = nameFiltersOf(request.filter);
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(request.defaultExtension);
    // The extension a name typed without one gets follows the chosen type where the request
    // says so (the type list of Qt's own dialog, however the choice is made).
    if (auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
        QObject::connect(types, &QComboBox::currentIndexChanged, &dialog, [&](int i) {
            const QString own = request.typeExtensions.value(i);
            dialog.setDefaultSuffix(own.isEmpty() ? request.defaultExtension : own);
        });
    const int answer = dialog.exec();
    giveBackKeyboard(owner);
    if (answer != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty()) return std::nullopt;
    return chosen.first();
}

std::optional<QString> QtDialogs::chooseFolder(const QString& startFolder) {
    QString start = startFolder;
    while (!start.isEmpty() && !QFileInfo(start).isDir()) {
        const QString above = QFileInfo(start).path();
        start = above == start ? QString() : above;
    }
    QWidget* owner = ownerWindow();
    FolderChooser dialog(owner, QStringLiteral("Выберите каталог для отправки данных"),
                         start.isEmpty() ? QDir::currentPath() : start);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::ShowDirsOnly);
    showInProgramLocale(dialog);
    dialog.setFileMode(QFileDialog::Directory);
    const int answer = dialog.exec();
    giveBackKeyboard(owner);
    if (answer != QDialog::Accepted || dialog.chosen.isEmpty()) return std::nullopt;
    return dialog.chosen;
}

void QtDialogs::setDateForm(TFormDateSelect* form) {
    dateForm_ = form;
}

TFormDateSelect* QtDialogs::dateForm() const {
    return dateForm_;
}

bool QtDialogs::printSetup(base::PrintSetupRequest& request) {
    PrintSetupDialog dialog(request, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted) return false;
    request = dialog.result();
    return true;
}

}  // namespace windows
