#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include "GridExport.h"
#include "QtDialogs.h"

namespace {

// Runs `act` on the save dialog once it is open; fails the test if none opens.
void whenDialogOpens(std::function<void(QFileDialog&)> act, bool* seen) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    int tries = 0;
    QObject::connect(timer, &QTimer::timeout, [timer, act, seen, tries]() mutable {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            *seen = true;
            act(*dialog);
        } else if (++tries > 250) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

class QtSaveDialog : public ::testing::Test {
protected:
    void SetUp() override {
        previous = QDir::currentPath();
        ASSERT_TRUE(dir.isValid());
        QDir::setCurrent(dir.path());
    }
    void TearDown() override { QDir::setCurrent(previous); }

    std::optional<QString> ask(const QString& typed, bool accept = true, int type = 0) {
        bool seen = false;
        whenDialogOpens(
            [&](QFileDialog& d) {
                title = d.windowTitle();
                filters = d.nameFilters();
                confirms = !d.testOption(QFileDialog::DontConfirmOverwrite);
                native = !d.testOption(QFileDialog::DontUseNativeDialog);
                directory = d.directory().absolutePath();
                if (!accept) {
                    d.reject();
                    return;
                }
                d.selectNameFilter(d.nameFilters().value(type));
                if (auto* edit = d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                    edit->setText(typed);
                else
                    d.selectFile(typed);
                static_cast<QDialog&>(d).accept();
            },
            &seen);
        windows::QtDialogs dialogs;
        const auto answer = dialogs.saveFileName(output::saveDialogExportRequest());
        EXPECT_TRUE(seen);
        return answer;
    }

    QTemporaryDir dir;
    QString previous, title, directory;
    QStringList filters;
    bool confirms = true, native = true;
};

}  // namespace

TEST_F(QtSaveDialog, ShowsTheRequestAndAddsTheDefaultExtension) {
    const auto answer = ask(QStringLiteral("day"));
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, QDir(dir.path()).filePath(QStringLiteral("day.HTM")));
    EXPECT_EQ(title, QStringLiteral("Сохранить таблицу как..."));
    ASSERT_EQ(filters.size(), 5);
    EXPECT_EQ(filters[0], QStringLiteral("Web-страница ( *.htm) (*.HTM *.htm)"));
    EXPECT_EQ(filters[3], QStringLiteral("Excel файл (*.xls) (*.XLS *.xls)"));
    EXPECT_EQ(filters[4], QStringLiteral("Книга Excel (*.xlsx) (*.XLSX *.xlsx)"));
    EXPECT_FALSE(native);
    EXPECT_EQ(QDir(directory).canonicalPath(), QDir(dir.path()).canonicalPath());
    // A name without an extension is a web page whatever of the four types is chosen; with
    // the workbook chosen it is a workbook.
    EXPECT_EQ(ask(QStringLiteral("day"), true, 1), QDir(dir.path()).filePath(QStringLiteral("day.HTM")));
    EXPECT_EQ(ask(QStringLiteral("day"), true, 4), QDir(dir.path()).filePath(QStringLiteral("day.XLSX")));
}

// Replacing a file that exists is asked about (the question is tested with the Russian texts).
TEST_F(QtSaveDialog, KeepsATypedExtensionAndAsksBeforeReplacingAFile) {
    const auto answer = ask(QStringLiteral("day.txt"));
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, QDir(dir.path()).filePath(QStringLiteral("day.txt")));
    EXPECT_TRUE(confirms);
    EXPECT_EQ(QDir::currentPath(), QDir(dir.path()).canonicalPath());
}

TEST_F(QtSaveDialog, CancelGivesNothing) {
    EXPECT_FALSE(ask(QString(), false).has_value());
}

TEST(QtSaveDialogFilters, EachMaskInBothCases) {
    EXPECT_EQ(windows::QtDialogs::nameFiltersOf(QStringLiteral("Все (*.*)|*.*|Таблицы|*.DBF;*.db")),
              (QStringList{QStringLiteral("Все (*.*) (*.*)"),
                           QStringLiteral("Таблицы (*.DBF *.dbf *.db *.DB)")}));
    EXPECT_TRUE(windows::QtDialogs::nameFiltersOf(QString()).isEmpty());
}
