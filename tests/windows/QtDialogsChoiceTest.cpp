#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "FormDateSelect.h"
#include "QtDialogs.h"

namespace {

// Answers the folder dialog once it is open: types a name and presses Enter.
void typeIntoFolderDialog(const QString& name, QString* shownFolder) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        timer->stop();
        timer->deleteLater();
        *shownFolder = dialog->directory().absolutePath();
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!edit) {
            dialog->reject();
            return;
        }
        edit->setText(name);
        QTest::keyClick(edit, Qt::Key_Return);
    });
    timer->start();
}

TEST(QtDialogsChoiceTest, TakesAFolderThatDoesNotExistYetAndStartsAtTheNearestThatDoes) {
    QTemporaryDir root;
    QDir(root.path()).mkdir("Отправка");
    windows::QtDialogs dialogs;
    QString shown;
    typeIntoFolderDialog(QStringLiteral("Новая"), &shown);
    const std::optional<QString> chosen =
        dialogs.chooseFolder(root.filePath("Отправка/Нет/Тоже нет"));
    EXPECT_EQ(shown, QDir(root.filePath("Отправка")).absolutePath());
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(QDir::cleanPath(*chosen), QDir(root.filePath("Отправка")).absoluteFilePath("Новая"));
    EXPECT_FALSE(QDir(*chosen).exists());  // creating it is the caller's business
}

TEST(QtDialogsChoiceTest, TheSourceDayChoiceSaysWhatItAsks) {
    windows::QtDialogs dialogs;
    windows::TFormDateSelect form;
    dialogs.setDateForm(&form);
    QString prompt;
    QTimer::singleShot(50, &form, [&] {
        prompt = form.Label1->text();
        form.reject();
    });
    EXPECT_FALSE(dialogs.chooseDate(QStringLiteral("Выберите день-источник")).has_value());
    EXPECT_EQ(prompt, QStringLiteral("Выберите день-источник:"));
    EXPECT_EQ(form.Label1->text(), QStringLiteral("Выберите текущую дату:"));
}

}  // namespace
