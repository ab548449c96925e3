#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCalendarWidget>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <map>

#include "AppTestSupport.h"
#include "FormDateSelect.h"
#include "QtDialogs.h"

using namespace base;

namespace {

// What a real box showed, read while it was open.
struct Seen {
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
    bool applicationModal = false;
    QWidget* parent = nullptr;
    Qt::WindowFlags flags;
};

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

QAbstractButton* buttonNamed(QMessageBox* box, const QString& text) {
    for (QAbstractButton* b : box->buttons())
        if (b->text() == text) return b;
    return nullptr;
}

// Shows a box through the Qt dialogs and answers it with `answer` once it is open.
int showAndAnswer(int style, std::function<void(QMessageBox*)> answer, Seen* seen = nullptr,
                  const QString& text = QStringLiteral("Текст"), bool owned = true) {
    apptest::onNextModal([=](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box) {
            ADD_FAILURE() << "not a message box";
            modal->close();
            return;
        }
        if (seen) {
            seen->caption = box->windowTitle();
            seen->text = box->text();
            seen->icon = box->icon();
            for (QAbstractButton* b : box->buttons()) seen->buttons << b->text();
            // The order on screen follows the platform's button layout; compare the set.
            seen->buttons.sort();
            if (box->defaultButton()) seen->defaultButton = box->defaultButton()->text();
            seen->applicationModal = box->windowModality() == Qt::ApplicationModal;
            seen->parent = box->parentWidget();
            seen->flags = box->windowFlags();
        }
        answer(box);
    });
    windows::QtDialogs dialogs;
    return dialogs.messageBox(text, QStringLiteral("Внимание"), style, owned);
}

auto click(const char* text) {
    return [text](QMessageBox* box) {
        QAbstractButton* b = buttonNamed(box, QString::fromUtf8(text));
        if (!b) {
            ADD_FAILURE() << "no button " << text;
            box->reject();
            return;
        }
        b->click();
    };
}

void pressEscape(QMessageBox* box) {
    QTest::keyClick(box, Qt::Key_Escape);
    // A box that ignores Escape would stay open: close it the hard way so the test ends.
    if (box->isVisible()) {
        ADD_FAILURE() << "Escape left the box open";
        box->done(0);
    }
}

TEST(QtDialogsMessageBox, ShowsCaptionPlainTextIconAndRussianButtons) {
    Seen seen;
    EXPECT_EQ(showAndAnswer(MB_OK | MB_ICONEXCLAMATION, click("OK"), &seen,
                            QStringLiteral("Первая строка\n\rвторая <Income> строка")),
              IDOK);
    EXPECT_EQ(seen.caption, QStringLiteral("Внимание"));
    EXPECT_EQ(seen.text, QStringLiteral("Первая строка\nвторая <Income> строка"));
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.buttons, QStringList{QStringLiteral("OK")});
    EXPECT_TRUE(seen.applicationModal);
    EXPECT_TRUE(seen.flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(seen.flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(seen.flags & Qt::WindowMaximizeButtonHint);

    const std::vector<std::pair<int, QMessageBox::Icon>> icons = {
        {MB_ICONHAND, QMessageBox::Critical},
        {MB_ICONQUESTION, QMessageBox::Question},
        {MB_ICONINFORMATION, QMessageBox::Information},
        {0, QMessageBox::NoIcon},
    };
    for (const auto& [style, icon] : icons) {
        Seen s;
        EXPECT_EQ(showAndAnswer(style, click("OK"), &s), IDOK);
        EXPECT_EQ(s.icon, icon) << style;
    }
}

TEST(QtDialogsMessageBox, CannotBeMinimisedOrMaximised) {
    std::vector<Qt::WindowStates> states;
    showAndAnswer(MB_OK | MB_ICONHAND, [&](QMessageBox* box) {
        for (Qt::WindowState state : {Qt::WindowMinimized, Qt::WindowMaximized}) {
            box->setWindowState(state);
            QCoreApplication::processEvents();
            states.push_back(box->windowState());
        }
        click("OK")(box);
    });
    EXPECT_EQ(states, std::vector<Qt::WindowStates>(2, Qt::WindowNoState));
}

TEST(QtDialogsMessageBox, PlainTextIsNeverTakenForMarkup) {
    QMessageBox* shown = nullptr;
    Qt::TextFormat format = Qt::AutoText;
    apptest::onNextModal([&](QWidget* modal) {
        shown = qobject_cast<QMessageBox*>(modal);
        if (shown) format = shown->textFormat();
        modal->close();
    });
    windows::QtDialogs().messageBox(QStringLiteral("<b>жирный</b>"), QStringLiteral("x"), MB_OK);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(format, Qt::PlainText);
}

TEST(QtDialogsMessageBox, OkCancelAnswersOkOrCancelAndEscapeCancels) {
    Seen seen;
    EXPECT_EQ(showAndAnswer(MB_OKCANCEL, click("OK"), &seen), IDOK);
    EXPECT_EQ(seen.buttons, sorted({QStringLiteral("OK"), QStringLiteral("Отмена")}));
    EXPECT_EQ(seen.defaultButton, QStringLiteral("OK"));
    EXPECT_EQ(showAndAnswer(MB_OKCANCEL, click("Отмена")), IDCANCEL);
    EXPECT_EQ(showAndAnswer(MB_OKCANCEL, pressEscape), IDCANCEL);
}

TEST(QtDialogsMessageBox, YesNoCancelAnswersEachButtonAndEscapeCancels) {
    Seen seen;
    EXPECT_EQ(showAndAnswer(MB_YESNOCANCEL | MB_ICONQUESTION, click("Да"), &seen), IDYES);
    EXPECT_EQ(seen.buttons,
              sorted({QStringLiteral("Да"), QStringLiteral("Нет"), QStringLiteral("Отмена")}));
    EXPECT_EQ(seen.defaultButton, QStringLiteral("Да"));
    EXPECT_EQ(showAndAnswer(MB_YESNOCANCEL, click("Нет")), IDNO);
    EXPECT_EQ(showAndAnswer(MB_YESNOCANCEL, click("Отмена")), IDCANCEL);
    EXPECT_EQ(showAndAnswer(MB_YESNOCANCEL, pressEscape), IDCANCEL);
}

TEST(QtDialogsMessageBox, YesNoAnswersYesOrNoAndEscapeOrCloseMeanNo) {
    Seen seen;
    EXPECT_EQ(showAndAnswer(MB_YESNO | MB_ICONEXCLAMATION, click("Да"), &seen), IDYES);
    EXPECT_EQ(seen.buttons, sorted({QStringLiteral("Да"), QStringLiteral("Нет")}));
    EXPECT_EQ(seen.defaultButton, QStringLiteral("Да"));
    EXPECT_EQ(showAndAnswer(MB_YESNO, click("Нет")), IDNO);
    EXPECT_EQ(showAndAnswer(MB_YESNO, pressEscape), IDNO);
    EXPECT_EQ(showAndAnswer(MB_YESNO, [](QMessageBox* box) { box->close(); }), IDNO);
    // Left without any button, as when the program is told to end.
    EXPECT_EQ(showAndAnswer(MB_YESNO, [](QMessageBox* box) { box->reject(); }), IDNO);
}

TEST(QtDialogsMessageBox, EnterTakesTheDefaultButtonWhichCanBeTheSecond) {
    EXPECT_EQ(
        showAndAnswer(MB_YESNO, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); }),
        IDYES);
    Seen seen;
    EXPECT_EQ(showAndAnswer(
                  MB_YESNO | windows::QtDialogs::MB_DEFBUTTON2,
                  [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); }, &seen),
              IDNO);
    EXPECT_EQ(seen.defaultButton, QStringLiteral("Нет"));
}

TEST(QtDialogsMessageBox, OwnedBoxesStandOverTheActiveWindowAndOthersOnTheirOwn) {
    QWidget window;
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    Seen owned;
    showAndAnswer(MB_OK, click("OK"), &owned, QStringLiteral("x"), true);
    EXPECT_EQ(owned.parent, &window);
    EXPECT_TRUE(owned.applicationModal);

    Seen ownerless;
    showAndAnswer(MB_OK, click("OK"), &ownerless, QStringLiteral("x"), false);
    EXPECT_EQ(ownerless.parent, nullptr);
    EXPECT_TRUE(ownerless.applicationModal);
}

TEST(QtDialogsDisplayText, BreaksLinesAtEachLineBreakPairOnce) {
    using windows::QtDialogs;
    EXPECT_EQ(QtDialogs::displayText(QStringLiteral("a\n\rb\n\rc")), QStringLiteral("a\nb\nc"));
    EXPECT_EQ(QtDialogs::displayText(QStringLiteral("a\r\nb")), QStringLiteral("a\nb"));
    EXPECT_EQ(QtDialogs::displayText(QStringLiteral("a\rb\nc")), QStringLiteral("a\nb\nc"));
    EXPECT_EQ(QtDialogs::displayText(QStringLiteral("      После")), QStringLiteral("      После"));
}

TEST(QtDialogsChooseDate, ShowsTheProgramsDateWindowWithTheGivenCaptionAndRestoresIt) {
    windows::TFormDateSelect form;
    windows::QtDialogs dialogs;
    dialogs.setDateForm(&form);

    QString captionWhileOpen;
    const QDate wanted = QDate::currentDate().addDays(-3);
    apptest::onNextModal([&](QWidget* modal) {
        EXPECT_EQ(modal, &form);
        captionWhileOpen = modal->windowTitle();
        form.MonthCalendar1->setSelectedDate(wanted);
        form.ButtonOk->click();
    });
    EXPECT_EQ(dialogs.chooseDate(QStringLiteral("Скопировать из дня")), wanted);
    EXPECT_EQ(captionWhileOpen, QStringLiteral("Скопировать из дня"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Выбор текущей даты"));

    apptest::onNextModal([&](QWidget* modal) {
        captionWhileOpen = modal->windowTitle();
        form.ButtonCancel->click();
    });
    EXPECT_EQ(dialogs.chooseDate(QString()), std::nullopt);
    EXPECT_EQ(captionWhileOpen, QStringLiteral("Выбор текущей даты"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Выбор текущей даты"));
}

TEST(QtDialogsChooseDate, WithoutTheProgramsWindowADateWindowIsMadeForTheChoice) {
    windows::QtDialogs dialogs;
    QString seenClass;
    apptest::onNextModal([&](QWidget* modal) {
        seenClass = QString::fromLatin1(modal->metaObject()->className());
        auto* form = qobject_cast<windows::TFormDateSelect*>(modal);
        if (form)
            form->ButtonOk->click();
        else
            modal->close();
    });
    EXPECT_EQ(dialogs.chooseDate(QString()), QDate::currentDate());
    EXPECT_EQ(seenClass, QStringLiteral("windows::TFormDateSelect"));
}

TEST(RussianLocale, TheDefaultLocaleAndQtsOwnTextsAreRussian) {
    EXPECT_EQ(QLocale().language(), QLocale::Russian);
    EXPECT_EQ(QLocale().decimalPoint(), QStringLiteral(","));
    // Installed by the test's main like the program's; Qt's standard buttons read Russian.
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
}

TEST(RussianLocale, QtsFileDialogSpeaksRussianOpensInTheStartFolderAndAsksBeforeReplacing) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Отчёты")));
    QFile file(dir.filePath(QStringLiteral("day.htm")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("12345") == 5);
    file.close();
    std::map<QString, QStringList> rows;  // by name: the texts of the columns
    QString question;
    apptest::onNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        auto* tree = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        const QAbstractItemModel* m = tree->model();
        const QModelIndex root = tree->rootIndex();
        EXPECT_TRUE(QTest::qWaitFor([&] { return m->rowCount(root) == 2; }, 5000));
        for (int r = 0; r < m->rowCount(root); ++r)
            for (int c = 0; c < 4; ++c)
                rows[m->index(r, 0, root).data().toString()]
                    << m->index(r, c, root).data().toString();
        // The file that exists chosen: Qt's own question, answered No; then the dialog is left.
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText("day.htm");
        QTimer::singleShot(50, dialog, [&question, dialog] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                question = box->text();
                box->button(QMessageBox::No)->click();
            }
            dialog->reject();
        });
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(windows::QtDialogs().saveFileName(
                  {QStringLiteral("Экспорт"), QStringLiteral("Web|*.htm"), "htm", dir.path()}),
              std::nullopt);
    const QLocale russian;
    EXPECT_EQ(rows[QStringLiteral("Отчёты")].value(2), QStringLiteral("Папка"));
    EXPECT_EQ(rows[QStringLiteral("day.htm")].value(1),
              russian.formattedDataSize(5, 2, QLocale::DataSizeTraditionalFormat));
    EXPECT_EQ(rows[QStringLiteral("day.htm")].value(3),
              russian.toString(QFileInfo(file).lastModified(), QLocale::ShortFormat));
    EXPECT_TRUE(question.contains(QStringLiteral("уже существует"))) << question.toStdString();
}

}  // namespace
