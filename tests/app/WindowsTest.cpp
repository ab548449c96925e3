#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include "FormAbout.h"
#include "FormAnimateProgress.h"
#include "FormDateSelect.h"
#include "FormDayData.h"
#include "FormHelp.h"
#include "FormMain.h"
#include "FormSprav.h"
#include "RegisterCore.h"
#include "Startup.h"
#include "ScriptedDialogs.h"

using testing_support::ScriptedDialogs;

namespace {

class ProgramWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        windows = app::createWindows(dialogs, folder.path());
        main = windows.FormMain.get();
    }

    QMdiSubWindow* subWindowOf(QWidget* child) const {
        for (QMdiSubWindow* sub : main->mdiArea()->subWindowList())
            if (sub->widget() == child) return sub;
        return nullptr;
    }

    QTemporaryDir folder;
    ScriptedDialogs dialogs;
    app::ProgramWindows windows;
    app::TFormMain* main = nullptr;
};

TEST_F(ProgramWindowsTest, SevenWindowsAreCreatedInTheirOrderWithTheirNamesAndClasses) {
    const std::vector<std::pair<const char*, const char*>> expected = {
        {"FormMain", "app::TFormMain"},
        {"FormSprav", "windows::TFormSprav"},
        {"FormDateSelect", "windows::TFormDateSelect"},
        {"FormAnimateProgress", "windows::TFormAnimateProgress"},
        {"FormDayData", "windows::TFormDayData"},
        {"FormAbout", "windows::TFormAbout"},
        {"FormHelp", "windows::TFormHelp"},
    };
    ASSERT_EQ(windows.creationOrder.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        QWidget* w = windows.creationOrder[i];
        EXPECT_EQ(w->objectName(), QLatin1String(expected[i].first)) << i;
        EXPECT_STREQ(w->metaObject()->className(), expected[i].second) << i;
    }
    EXPECT_EQ(windows.creationOrder[1], main->FormSprav);
    EXPECT_EQ(windows.creationOrder[2], main->FormDateSelect);
    EXPECT_EQ(windows.creationOrder[3], main->FormAnimateProgress);
    EXPECT_EQ(windows.creationOrder[4], main->FormDayData);
    EXPECT_EQ(windows.creationOrder[5], main->FormAbout);
    EXPECT_EQ(windows.creationOrder[6], main->FormHelp);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(ProgramWindowsTest, TheMainWindowIsMaximisedWithItsVersionCaptionAndNavyBoldFont) {
    // The caption, followed by that of the maximised child in front, as MDI frames show it.
    EXPECT_EQ(main->windowTitle(),
              QStringLiteral("Реестр платежей (версия 1.36) - [Выберите дату]"));
    EXPECT_TRUE(main->isVisible());
    EXPECT_TRUE(main->windowState() & Qt::WindowMaximized);
    EXPECT_TRUE(main->font().bold());
    EXPECT_EQ(main->font().styleHint(), QFont::SansSerif);
    EXPECT_EQ(main->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    EXPECT_EQ(main->centralWidget(), main->mdiArea());
    // The core found its folders below the program folder.
    EXPECT_EQ(main->core().ProgDir, folder.path());
    EXPECT_TRUE(QFileInfo(folder.filePath(QStringLiteral("Sprav"))).isDir());
}

TEST_F(ProgramWindowsTest, TheDayWindowIsInFrontOfTheDirectoriesWindowBothMaximised) {
    const QList<QMdiSubWindow*> subs = main->mdiArea()->subWindowList();
    ASSERT_EQ(subs.size(), 2);
    QMdiSubWindow* current = main->mdiArea()->currentSubWindow();
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current->widget(), main->FormDayData);
    EXPECT_EQ(main->FormDayData->windowTitle(), QStringLiteral("Выберите дату"));
    EXPECT_EQ(current->windowTitle(), QStringLiteral("Выберите дату"));
    EXPECT_TRUE(current->isMaximized());
    EXPECT_TRUE(main->FormDayData->isVisible());
    // The stacking order puts the day window last, that is on top.
    const QList<QMdiSubWindow*> stacked = main->mdiArea()->subWindowList(QMdiArea::StackingOrder);
    EXPECT_EQ(stacked.last()->widget(), main->FormDayData);
    EXPECT_EQ(stacked.first()->widget(), main->FormSprav);
    EXPECT_EQ(main->FormSprav->windowTitle(), QStringLiteral("Справочники"));

    // Bringing the other one up maximises it in turn.
    main->mdiArea()->setActiveSubWindow(subWindowOf(main->FormSprav));
    EXPECT_TRUE(subWindowOf(main->FormSprav)->isMaximized());
}

TEST_F(ProgramWindowsTest, TheChildWindowsHaveNoCaptionButtonsAndCannotBeClosed) {
    for (QWidget* child :
         {static_cast<QWidget*>(main->FormDayData), static_cast<QWidget*>(main->FormSprav)}) {
        QMdiSubWindow* sub = subWindowOf(child);
        ASSERT_NE(sub, nullptr);
        const Qt::WindowFlags flags = sub->windowFlags();
        EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
        EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
        EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
        EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
        EXPECT_FALSE(flags & Qt::WindowSystemMenuHint);
        EXPECT_EQ(sub->systemMenu(), nullptr);

        EXPECT_FALSE(sub->close());
        EXPECT_FALSE(child->close());
        QCloseEvent closeEvent;
        QCoreApplication::sendEvent(sub, &closeEvent);
        EXPECT_FALSE(closeEvent.isAccepted());
        main->mdiArea()->setActiveSubWindow(sub);
        main->mdiArea()->closeActiveSubWindow();
        main->mdiArea()->closeAllSubWindows();
        QCoreApplication::processEvents();
        EXPECT_TRUE(sub->isVisible());
        EXPECT_TRUE(child->isVisible());
    }
    EXPECT_EQ(main->mdiArea()->subWindowList().size(), 2);
}

TEST_F(ProgramWindowsTest, TheDialogsAreHiddenAndModal) {
    for (QDialog* dialog :
         {static_cast<QDialog*>(main->FormDateSelect), static_cast<QDialog*>(main->FormAbout),
          static_cast<QDialog*>(main->FormHelp)}) {
        EXPECT_FALSE(dialog->isVisible()) << dialog->objectName().toStdString();
        EXPECT_TRUE(dialog->isModal()) << dialog->objectName().toStdString();
        EXPECT_TRUE(dialog->isWindow());
    }
    EXPECT_FALSE(main->FormAnimateProgress->isVisible());
}

QPoint centredOn(const QScreen* screen, QSize size) {
    const QRect area = screen->geometry();
    return {area.left() + (area.width() - size.width()) / 2,
            area.top() + (area.height() - size.height()) / 2};
}

TEST_F(ProgramWindowsTest, TheAboutWindowIsAFixedCentredDialogWithoutCaptionButtons) {
    windows::TFormAbout* about = main->FormAbout;
    EXPECT_EQ(about->windowTitle(), QStringLiteral("О программе"));
    EXPECT_EQ(about->size(), QSize(428, 298));
    EXPECT_EQ(about->minimumSize(), about->maximumSize());
    const Qt::WindowFlags flags = about->windowFlags();
    EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
    EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);
    EXPECT_EQ(about->pos(), centredOn(about->screen(), about->frameGeometry().size()));
    EXPECT_EQ(about->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(about->LabelName->text(), QStringLiteral("Платорис"));
    EXPECT_EQ(about->Image1->size(), QSize(300, 152));

    // "Закрыть" is the default button: Enter closes the window with the OK result.
    about->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(about));
    EXPECT_EQ(about->size(), QSize(428, 298));
    EXPECT_EQ(about->BitBtn1->text(), QStringLiteral("Закрыть"));
    EXPECT_TRUE(about->BitBtn1->isDefault());
    QTest::keyClick(about, Qt::Key_Return);
    EXPECT_FALSE(about->isVisible());
    EXPECT_EQ(about->result(), QDialog::Accepted);
}

TEST_F(ProgramWindowsTest, TheHelpWindowIsAFixedCentredDialogWithOnlyACloseButton) {
    windows::TFormHelp* help = main->FormHelp;
    EXPECT_EQ(help->windowTitle(), QStringLiteral("Как пользоваться программой"));
    EXPECT_EQ(help->size(), QSize(660, 426));
    EXPECT_EQ(help->minimumSize(), help->maximumSize());
    const Qt::WindowFlags flags = help->windowFlags();
    EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);
    EXPECT_EQ(help->pos(), centredOn(help->screen(), help->frameGeometry().size()));
    EXPECT_TRUE(help->font().bold());
    EXPECT_EQ(help->palette().color(QPalette::WindowText), QColor(0, 0, 128));

    help->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(help));
    QTest::keyClick(help, Qt::Key_Escape);
    EXPECT_FALSE(help->isVisible());
}

TEST_F(ProgramWindowsTest, TheDialogsCannotBeMinimisedOrMaximised) {
    for (QDialog* dialog :
         {static_cast<QDialog*>(main->FormDateSelect), static_cast<QDialog*>(main->FormAbout),
          static_cast<QDialog*>(main->FormHelp)}) {
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
        // As a window manager that offers the buttons anyway would ask.
        for (Qt::WindowState state : {Qt::WindowMinimized, Qt::WindowMaximized}) {
            dialog->setWindowState(state);
            QCoreApplication::processEvents();
            EXPECT_EQ(dialog->windowState(), Qt::WindowNoState)
                << dialog->objectName().toStdString();
        }
        EXPECT_TRUE(dialog->isVisible());
        dialog->hide();
    }
}

TEST_F(ProgramWindowsTest, TheProgressWindowKeepsItsCaption) {
    EXPECT_EQ(main->FormAnimateProgress->windowTitle(), QStringLiteral("Копирование файлов:"));
}

}  // namespace
