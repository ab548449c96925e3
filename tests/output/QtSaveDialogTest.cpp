#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

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

    // Answers the dialog with a typed name; `whenAsked`, when set, answers a question the
    // dialog puts over itself (a file that exists) and the dialog is then cancelled.
    std::optional<QString> ask(const QString& typed, bool accept = true,
                               std::function<void(QMessageBox&)> whenAsked = nullptr,
                               const QString& startFolder = QString()) {
        bool seen = false;
        asked = stillOpen = false;
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
                if (auto* edit = d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                    edit->setText(typed);
                else
                    d.selectFile(typed);
                if (whenAsked) {
                    // The question is modal over the dialog: answered from its own loop.
                    QTimer::singleShot(50, &d, [&d, &whenAsked, this] {
                        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                        asked = box != nullptr;
                        if (box) whenAsked(*box);
                        // A dialog still there after the answer is left as cancelled.
                        QTimer::singleShot(50, &d, [&d, this] {
                            stillOpen = d.isVisible();
                            d.reject();
                        });
                    });
                }
                static_cast<QDialog&>(d).accept();
            },
            &seen);
        windows::QtDialogs dialogs;
        store::SaveFileRequest request = output::saveDialogExportRequest();
        request.startFolder = startFolder;
        const auto answer = dialogs.saveFileName(request);
        EXPECT_TRUE(seen);
        return answer;
    }

    QTemporaryDir dir;
    QString previous, title, directory;
    QStringList filters;
    bool confirms = true, native = true, asked = false, stillOpen = false;
};

}  // namespace

TEST_F(QtSaveDialog, ShowsTheRequestAndAddsTheDefaultExtension) {
    const auto answer = ask(QStringLiteral("day"));
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, QDir(dir.path()).filePath(QStringLiteral("day.HTM")));
    EXPECT_EQ(title, QStringLiteral("Сохранить таблицу как..."));
    ASSERT_EQ(filters.size(), 4);
    EXPECT_EQ(filters[0], QStringLiteral("Web-страница ( *.htm) (*.HTM *.htm)"));
    EXPECT_EQ(filters[3], QStringLiteral("Excel файл (*.xls) (*.XLS *.xls)"));
    EXPECT_FALSE(native);
    EXPECT_EQ(QDir(directory).canonicalPath(), QDir(dir.path()).canonicalPath());
}

TEST_F(QtSaveDialog, AsksBeforeReplacingAFileAndNoKeepsTheDialogOpen) {
    QFile existing(QDir(dir.path()).filePath(QStringLiteral("day.txt")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    auto answerWith = [](QMessageBox::StandardButton button) {
        return [button](QMessageBox& box) { box.button(button)->click(); };
    };
    // No: the file is not chosen, the dialog stays for another name.
    EXPECT_FALSE(ask(QStringLiteral("day.txt"), true, answerWith(QMessageBox::No)).has_value());
    EXPECT_TRUE(asked);
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(confirms);
    // Yes: replaced. A new name is not asked about.
    const auto answer = ask(QStringLiteral("day.txt"), true, answerWith(QMessageBox::Yes));
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, QDir(dir.path()).filePath(QStringLiteral("day.txt")));
    EXPECT_FALSE(stillOpen);
    EXPECT_TRUE(ask(QStringLiteral("new.txt"), true, answerWith(QMessageBox::No)).has_value());
    EXPECT_FALSE(asked);
    EXPECT_EQ(QDir::currentPath(), QDir(dir.path()).canonicalPath());
}

TEST_F(QtSaveDialog, OpensInTheRequestsStartFolder) {
    QTemporaryDir start;
    ask(QString(), false, nullptr, start.path());
    EXPECT_EQ(QDir(directory).canonicalPath(), QDir(start.path()).canonicalPath());
    // One that is gone: the working folder.
    ask(QString(), false, nullptr, start.filePath(QStringLiteral("gone")));
    EXPECT_EQ(QDir(directory).canonicalPath(), QDir(dir.path()).canonicalPath());
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
