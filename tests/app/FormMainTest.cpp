#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <functional>
#include <stdexcept>

#include "AppTestSupport.h"
#include "Codec.h"
#include "DataGrid.h"
#include "DatasetModel.h"
#include "DbEdit.h"
#include "DbNavigator.h"
#include "EngineError.h"
#include "ExportFolder.h"
#include "FormAbout.h"
#include "FormDayData.h"
#include "FormHelp.h"
#include "FormMain.h"
#include "FormSprav.h"
#include "KeyInput.h"
#include "MessageLoop.h"
#include "ProgramFolder.h"
#include "RegisterCore.h"
#include "ScriptedDialogs.h"
#include "Startup.h"
#include "TestFiles.h"

namespace {

// Scripted dialogs that can also act while the date dialog is "open".
class WatchedDialogs : public testing_support::ScriptedDialogs {
public:
    std::function<void()> whileDateDialogOpen;

    std::optional<QDate> chooseDate(const QString& caption) override {
        if (whileDateDialogOpen) whileDateDialogOpen();
        return ScriptedDialogs::chooseDate(caption);
    }
};

// The program's windows over a program folder made from the real templates.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        app::setMessageLoopRunning(false);
        app::setStartDateChoicePending(true);
        windows = app::createWindows(dialogs, folder.path());
        main = windows.FormMain.get();
    }
    void TearDown() override {
        app::setMessageLoopRunning(false);
        app::setStartDateChoicePending(true);
    }

    reg::RegisterCore& core() const { return main->core(); }
    bool dayOpen() const { return core().views.TableDataSourceDayData.isOpen(); }

    void chooseDay(const QDate& date) {
        dialogs.dates.push_back(date);
        main->ActionDateSelect->trigger();
    }
    void cancelDayChoice() {
        dialogs.dates.push_back(std::nullopt);
        main->ActionDateSelect->trigger();
    }

    QList<QAction*> dayCommands() const {
        return {main->ActionPrint, main->ActionSend, main->ActionShowSprav,
                main->ActionShowDayData};
    }
    QList<QAction*> alwaysEnabledCommands() const {
        return {main->ActionDateSelect, main->ActionExit, main->ActionSave,     main->ActionSaveAs,
                main->ActionCopyFrom,   main->ActionHelp, main->ActionHelpAbout};
    }

    // The command's menu item and toolbar button (when it has one) follow its state.
    ::testing::AssertionResult enabledEverywhere(QAction* action, bool enabled) const {
        if (action->isEnabled() != enabled)
            return ::testing::AssertionFailure() << action->objectName().toStdString();
        if (QWidget* button = main->ToolBar1->widgetForAction(action);
            button && button->isEnabled() != enabled)
            return ::testing::AssertionFailure() << action->objectName().toStdString() << " button";
        return ::testing::AssertionSuccess();
    }

    QMenu* menuTitled(const QString& title) const {
        for (QAction* item : main->MainMenu1->actions())
            if (QString(item->text()).remove(QLatin1Char('&')) == title) return item->menu();
        return nullptr;
    }

    QWidget* currentChild() const {
        QMdiSubWindow* sub = main->mdiArea()->currentSubWindow();
        return sub ? sub->widget() : nullptr;
    }

    void activateMainWindow() {
        main->activateWindow();
        QApplication::setActiveWindow(main);
        ASSERT_TRUE(QTest::qWaitForWindowActive(main));
    }

    testing_support::ProgramFolder folder;
    WatchedDialogs dialogs;
    app::ProgramWindows windows;
    app::TFormMain* main = nullptr;
    const QDate day{2008, 10, 13};
};

QStringList names(const QList<QAction*>& actions) {
    QStringList result;
    for (const QAction* a : actions)
        result << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    return result;
}

QImage argb(const QImage& image) {
    return image.convertToFormat(QImage::Format_ARGB32);
}

// ---------------------------------------------------------------------------------------------
// The commands, the menu and the toolbar

struct ExpectedCommand {
    const char* name;
    QString category, caption, hint;
    QKeySequence shortcut;
    int image;
};

TEST_F(MainWindowTest, TheElevenCommandsHaveTheirCategoriesCaptionsHintsShortcutsAndPictures) {
    const std::vector<ExpectedCommand> expected = {
        {"ActionDateSelect",
         "Реестр",
         "Текущая дата",
         "Выбрать дату к которой относятся данные",
         {},
         9},
        {"ActionExit", "Реестр", "Вы&xод", "Выход из программы", {}, 25},
        {"ActionPrint",
         "Операции",
         "Предварительный просмотр и печать",
         "Печать данных за текущий день",
         {},
         49},
        {"ActionSend",
         "Операции",
         "Отправить",
         "Создание архива и отправка данных в управление",
         {},
         27},
        {"ActionSave", "Операции", "Сохранить", "Сохранить изменения", {}, 72},
        {"ActionSaveAs",
         "Операции",
         "Экспорт",
         "Сохранить заявку в формате HTML, RTF, XLS",
         {},
         -1},
        {"ActionCopyFrom",
         "Операции",
         "Скопировать из другого дня",
         "Скопировать данные из другого дня",
         {},
         -1},
        {"ActionShowSprav", "Окно", "Справочники", "Показать окно справочников", {}, 4},
        {"ActionShowDayData", "Окно", "Платежи", "Реестр платежей за день", {}, 58},
        {"ActionHelp", "Справка", "Как работать", "Советы и рекомендации по работе с программой",
         QKeySequence(Qt::Key_F1), 71},
        {"ActionHelpAbout", "Справка", "О программе", "Справка о программе",
         QKeySequence(Qt::CTRL | Qt::Key_F1), 71},
    };
    ASSERT_EQ(main->ActionList1.size(), qsizetype(expected.size()));
    const QList<QAction*> members = {
        main->ActionDateSelect,  main->ActionExit,   main->ActionPrint,    main->ActionSend,
        main->ActionSave,        main->ActionSaveAs, main->ActionCopyFrom, main->ActionShowSprav,
        main->ActionShowDayData, main->ActionHelp,   main->ActionHelpAbout};
    EXPECT_EQ(main->ActionList1, members);

    for (size_t i = 0; i < expected.size(); ++i) {
        const ExpectedCommand& e = expected[i];
        QAction* a = main->ActionList1[qsizetype(i)];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(a->objectName(), QLatin1String(e.name));
        EXPECT_EQ(app::TFormMain::categoryOf(a), e.category);
        EXPECT_EQ(a->text(), e.caption);
        EXPECT_EQ(a->toolTip(), e.hint);
        EXPECT_EQ(a->statusTip(), e.hint);
        EXPECT_EQ(a->shortcut(), e.shortcut);
        if (!e.shortcut.isEmpty()) {
            EXPECT_EQ(a->shortcutContext(), Qt::ApplicationShortcut);
        }
        EXPECT_EQ(app::TFormMain::imageIndexOf(a), e.image);
        if (e.image < 0) {
            EXPECT_TRUE(a->icon().isNull());
        } else {
            ASSERT_FALSE(a->icon().isNull());
            EXPECT_EQ(argb(a->icon().pixmap(QSize(32, 32)).toImage()),
                      argb(main->ImageList1.pixmap(e.image).toImage()));
        }
    }
    // The accelerator of "Выход" is the Latin x.
    EXPECT_EQ(main->ActionExit->text().at(3), QChar(u'x'));
}

TEST_F(MainWindowTest, TheMenuHoldsTheCommandsInTheirOrderWithSeparators) {
    QStringList titles;
    for (QAction* item : main->MainMenu1->actions()) titles << item->text();
    EXPECT_EQ(titles, (QStringList{"&Реестр", "&Операции", "О&кно", "&Справка"}));
    EXPECT_EQ(main->menuBar(), main->MainMenu1);

    EXPECT_EQ(names(menuTitled("Реестр")->actions()),
              (QStringList{"ActionDateSelect", "-", "ActionExit"}));
    EXPECT_EQ(names(menuTitled("Операции")->actions()),
              (QStringList{"ActionPrint", "ActionSend", "ActionSave", "-", "ActionSaveAs", "-",
                           "ActionCopyFrom"}));
    EXPECT_EQ(names(menuTitled("Окно")->actions()),
              (QStringList{"ActionShowSprav", "ActionShowDayData"}));
    EXPECT_EQ(names(menuTitled("Справка")->actions()),
              (QStringList{"ActionHelp", "ActionHelpAbout"}));
    // Every command sits in the menu of its category.
    for (QAction* a : main->ActionList1)
        EXPECT_TRUE(menuTitled(app::TFormMain::categoryOf(a))->actions().contains(a))
            << a->objectName().toStdString();
}

TEST_F(MainWindowTest, TheToolbarHoldsItsTenItemsAsLargeFlatButtonsWithPictures) {
    EXPECT_EQ(names(main->ToolBar1->actions()),
              (QStringList{"ActionDateSelect", "-", "ActionShowDayData", "ActionShowSprav", "-",
                           "ActionSave", "ActionPrint", "ActionSend", "-", "ActionHelpAbout"}));
    EXPECT_EQ(main->ToolBar1->iconSize(), QSize(32, 32));
    EXPECT_EQ(main->ToolBar1->toolButtonStyle(), Qt::ToolButtonIconOnly);
    EXPECT_FALSE(main->ToolBar1->isMovable());
    EXPECT_TRUE(main->ToolBar1->isVisible());
    EXPECT_EQ(main->toolBarArea(main->ToolBar1), Qt::TopToolBarArea);
    for (QAction* a : main->ToolBar1->actions()) {
        if (a->isSeparator()) continue;
        auto* button = qobject_cast<QToolButton*>(main->ToolBar1->widgetForAction(a));
        ASSERT_NE(button, nullptr) << a->objectName().toStdString();
        EXPECT_EQ(button->size(), QSize(39, 38)) << a->objectName().toStdString();
        EXPECT_TRUE(button->autoRaise());
        EXPECT_EQ(button->defaultAction(), a);
        EXPECT_FALSE(button->icon().isNull());
        EXPECT_EQ(button->toolTip(), a->toolTip());
    }
}

TEST_F(MainWindowTest, TheCaptionComesFromTheVersionWhateverItWasBefore) {
    main->setWindowTitle(QStringLiteral("Form1"));
    main->FormCreate();
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Реестр платежей (версия 1.36)"));
}

TEST_F(MainWindowTest, TheTitleBarAlsoNamesTheMaximisedChildInFront) {
    // A maximised child has no title bar of its own: its caption joins the main window's.
    const QString caption = QStringLiteral("Реестр платежей (версия 1.36)");
    EXPECT_EQ(main->windowTitle(), caption + QStringLiteral(" - [Выберите дату]"));
    chooseDay(day);
    main->FormDayData->setWindowTitle(QStringLiteral("Данные за 13.10.2008"));
    EXPECT_EQ(main->windowTitle(), caption + QStringLiteral(" - [Данные за 13.10.2008]"));
    main->ActionShowSprav->trigger();
    EXPECT_EQ(main->windowTitle(), caption + QStringLiteral(" - [Справочники]"));
    main->ActionShowDayData->trigger();
    EXPECT_EQ(main->windowTitle(), caption + QStringLiteral(" - [Данные за 13.10.2008]"));
}

// ---------------------------------------------------------------------------------------------
// The enabling rule

TEST_F(MainWindowTest, TheFourDayCommandsAreEnabledExactlyWhileADayIsOpen) {
    // Right after start-up: no day yet.
    for (QAction* a : dayCommands()) EXPECT_TRUE(enabledEverywhere(a, false));
    for (QAction* a : alwaysEnabledCommands()) EXPECT_TRUE(enabledEverywhere(a, true));

    // A cancelled first choice leaves them disabled.
    cancelDayChoice();
    ASSERT_EQ(dialogs.dateCaptions.size(), 1u);
    for (QAction* a : dayCommands()) EXPECT_TRUE(enabledEverywhere(a, false));

    // A day opened: enabled.
    chooseDay(day);
    ASSERT_TRUE(dayOpen());
    for (QAction* a : dayCommands()) EXPECT_TRUE(enabledEverywhere(a, true));
    for (QAction* a : alwaysEnabledCommands()) EXPECT_TRUE(enabledEverywhere(a, true));

    // While the next choice is being made they are off, and stay off when it is cancelled.
    std::vector<bool> whileChoosing;
    dialogs.whileDateDialogOpen = [&] {
        for (QAction* a : dayCommands()) whileChoosing.push_back(a->isEnabled());
    };
    cancelDayChoice();
    EXPECT_EQ(whileChoosing, std::vector<bool>(4, false));
    for (QAction* a : dayCommands()) EXPECT_TRUE(enabledEverywhere(a, false));
    for (QAction* a : alwaysEnabledCommands()) EXPECT_TRUE(enabledEverywhere(a, true));

    // Another day: on again.
    dialogs.whileDateDialogOpen = nullptr;
    chooseDay(day.addDays(1));
    for (QAction* a : dayCommands()) EXPECT_TRUE(enabledEverywhere(a, true));
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(MainWindowTest, TheRuleFollowsTheExpensesViewWhoeverOpensOrClosesIt) {
    chooseDay(day);
    core().views.TableDataSourceDayData.close();
    for (QAction* a : dayCommands()) EXPECT_FALSE(a->isEnabled());
    core().views.TableDataSourceDayData.open();
    for (QAction* a : dayCommands()) EXPECT_TRUE(a->isEnabled());
    // Asked on its own, the rule gives the same answer for any command.
    main->ActionSave->setEnabled(false);
    main->ActionSendUpdate(main->ActionSave);
    EXPECT_TRUE(main->ActionSave->isEnabled());
}

// ---------------------------------------------------------------------------------------------
// The start timer

TEST_F(MainWindowTest, TheStartTimerTicksEverySecondFromCreation) {
    EXPECT_EQ(main->Timer1->objectName(), QStringLiteral("Timer1"));
    EXPECT_EQ(main->Timer1->interval(), 1000);
    EXPECT_TRUE(main->Timer1->isActive());
    EXPECT_FALSE(main->Timer1->isSingleShot());
}

TEST_F(MainWindowTest, TheTickDoesNothingBeforeTheMessageLoopRuns) {
    main->Timer1Timer();
    EXPECT_TRUE(dialogs.dateCaptions.empty());
    EXPECT_TRUE(app::startDateChoicePending());
}

TEST_F(MainWindowTest, TheFirstTickInTheLoopOpensTheChosenDayAndLaterTicksDoNothing) {
    app::setMessageLoopRunning(true);
    dialogs.dates.push_back(day);
    main->Timer1Timer();
    EXPECT_EQ(dialogs.dateCaptions.size(), 1u);
    EXPECT_FALSE(app::startDateChoicePending());
    EXPECT_TRUE(dayOpen());
    EXPECT_EQ(core().CurrentDate, day);
    for (QAction* a : dayCommands()) EXPECT_TRUE(a->isEnabled());

    dialogs.dates.push_back(day.addDays(1));
    main->Timer1Timer();
    main->Timer1Timer();
    EXPECT_EQ(dialogs.dateCaptions.size(), 1u);
    EXPECT_EQ(core().CurrentDate, day);
}

// The timer ticks every second; how soon the dialog comes is a figure of bench/windows_bench.
TEST_F(MainWindowTest, TheDateDialogOpensByItselfOnceAtTheFirstTickAfterTheLoopStarts) {
    QSignalSpy ticks(main->Timer1, &QTimer::timeout);
    // Ticks before the loop runs do nothing.
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks.count() >= 1; }, 10000));
    EXPECT_TRUE(dialogs.dateCaptions.empty());

    app::setMessageLoopRunning(true);
    ticks.clear();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs.dateCaptions.empty(); }, 10000));
    EXPECT_EQ(ticks.count(), 1);
    EXPECT_LE(main->Timer1->interval(), 1000);
    // Cancelled (nothing queued): the timer runs on but never asks again.
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks.count() >= 3; }, 10000));
    EXPECT_EQ(dialogs.dateCaptions.size(), 1u);
    EXPECT_TRUE(main->Timer1->isActive());
    for (QAction* a : dayCommands()) EXPECT_FALSE(a->isEnabled());
    // The user can still choose a day with the command.
    chooseDay(day);
    EXPECT_TRUE(dayOpen());
}

TEST_F(MainWindowTest, AnErrorInTheStartChoiceIsReportedOnceAndNotRetried) {
    int asked = 0;
    dialogs.whileDateDialogOpen = [&] {
        ++asked;
        throw base::EngineError(QStringLiteral("Календарь недоступен"));
    };
    app::setMessageLoopRunning(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return asked > 0; }, 3000));
    QTest::qWait(1200);
    EXPECT_EQ(asked, 1);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Календарь недоступен."));
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Платорис"));
    EXPECT_EQ(dialogs.boxes[0].style, 16);
}

// ---------------------------------------------------------------------------------------------
// The handlers

TEST_F(MainWindowTest, TheWindowCommandsBringTheirWindowToTheFrontMaximised) {
    chooseDay(day);
    ASSERT_EQ(currentChild(), main->FormDayData);

    main->ActionShowSprav->trigger();
    EXPECT_EQ(currentChild(), main->FormSprav);
    EXPECT_TRUE(main->subWindowOf(main->FormSprav)->isMaximized());
    EXPECT_TRUE(main->FormSprav->isVisible());

    main->ActionShowDayData->trigger();
    EXPECT_EQ(currentChild(), main->FormDayData);
    EXPECT_TRUE(main->subWindowOf(main->FormDayData)->isMaximized());
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(MainWindowTest, ShowingThePaymentsReadsThePlantNameAgain) {
    chooseDay(day);
    const QString before = core().PlantNameText;
    const QString renamed = QStringLiteral("ОАО «Северный трубный завод»");
    ASSERT_NE(before, renamed);
    // Changed in the directories window: the register does not know yet.
    ASSERT_TRUE(
        core().WriteConst(QStringLiteral("PlantName"), renamed, QStringLiteral("Предприятие")));
    EXPECT_EQ(core().PlantNameText, before);
    EXPECT_EQ(core().texts.plantName(), before);

    int notified = 0;
    const auto counting = core().texts.changed.add([&] { ++notified; });
    main->ActionShowDayData->trigger();
    EXPECT_EQ(core().PlantNameText, renamed);
    EXPECT_EQ(core().texts.plantName(), renamed);
    EXPECT_EQ(notified, 1);

    // Unchanged: shown again, nothing to tell the day window.
    main->ActionShowDayData->trigger();
    EXPECT_EQ(notified, 1);
}

TEST_F(MainWindowTest, SaveReopensTheOpenDaysViews) {
    chooseDay(day);
    int reopened = 0;
    const auto counting =
        core().views.TableDataSourceDayData.afterOpen.add([&](engine::Dataset&) { ++reopened; });
    main->ActionSave->trigger();
    EXPECT_EQ(reopened, 1);
    EXPECT_TRUE(dayOpen());
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(MainWindowTest, SaveWithoutAnOpenDayDoesNothingAndReportsNothing) {
    // Before any day: nothing to save, and no complaint about closed tables.
    main->ActionSave->trigger();
    EXPECT_FALSE(dayOpen());
    EXPECT_TRUE(dialogs.boxes.empty());

    // A day was open, then a new choice was cancelled: the same.
    chooseDay(QDate::currentDate());
    cancelDayChoice();
    ASSERT_FALSE(dayOpen());
    main->ActionSave->trigger();
    EXPECT_FALSE(dayOpen());
    EXPECT_FALSE(core().views.TableDayData.isOpen());
    EXPECT_FALSE(core().views.TableStartMoney.isOpen());
    for (QAction* a : dayCommands()) EXPECT_FALSE(a->isEnabled());
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(main->ActionSave->isEnabled());
}

TEST_F(MainWindowTest, ExportWritesTheExpenseGridToTheChosenFile) {
    chooseDay(day);
    QTemporaryDir out;
    output::ExportFolder::ofThisRun().forget();
    dialogs.fileNames = {out.filePath(QStringLiteral("day")), QString()};
    main->ActionSaveAs->trigger();
    // The dialog opened in the documents folder, and opens next where this export went.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    EXPECT_EQ(dialogs.saveRequests[0].startFolder,
              QFileInfo(documents).isDir() ? documents : QDir::homePath());
    main->ActionSaveAs->trigger();
    EXPECT_EQ(dialogs.saveRequests[1].startFolder, out.path());
    QFile file(out.filePath(QStringLiteral("day.HTM")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray html = file.readAll();
    EXPECT_TRUE(html.contains("<TITLE>DataGrid1</TITLE>") || html.contains("DataGrid1"))
        << html.left(300).toStdString();
    EXPECT_TRUE(
        html.contains(QByteArray::fromStdString(base::Codec::cp1251().encode(u"Итого за день"))));
}

TEST_F(MainWindowTest, CommandsOfLaterVersionsSayTheyAreNotAvailableYetAndChangeNothing) {
    chooseDay(day);
    main->copyFromHandler = nullptr;  // as if the copy were not installed
    const std::vector<std::pair<QAction*, QString>> later = {
        {main->ActionCopyFrom, "Скопировать из другого дня"},
    };
    for (const auto& [action, caption] : later) {
        const size_t before = dialogs.boxes.size();
        action->trigger();
        ASSERT_EQ(dialogs.boxes.size(), before + 1) << caption.toStdString();
        EXPECT_EQ(dialogs.boxes.back().caption, caption);
        EXPECT_EQ(dialogs.boxes.back().text,
                  QStringLiteral("Эта команда будет доступна в следующей версии программы."));
        EXPECT_EQ(dialogs.boxes.back().style, 64);
        EXPECT_TRUE(dayOpen());
        EXPECT_EQ(core().CurrentDate, day);
    }

    // Once the work is installed, the commands run it instead.
    std::vector<QString> ran;
    main->copyFromHandler = [&] { ran.push_back(QStringLiteral("copy")); };
    const size_t boxes = dialogs.boxes.size();
    for (const auto& entry : later) entry.first->trigger();
    EXPECT_EQ(ran, (std::vector<QString>{"copy"}));
    EXPECT_EQ(dialogs.boxes.size(), boxes);
}

TEST_F(MainWindowTest, SendAsksWhetherToPrepareTheDayForHeadOffice) {
    chooseDay(day);
    dialogs.boxes.clear();
    dialogs.answers.push_back(base::IDNO);
    main->ActionSend->trigger();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text,
              QStringLiteral("Подготовить данные за текущий день\n\rк отправке в управление?"));
    EXPECT_EQ(dialogs.boxes[0].style, 0x124);
    EXPECT_TRUE(dayOpen());
}

TEST_F(MainWindowTest, ExitClosesTheMainWindowWithoutAsking) {
    ASSERT_TRUE(main->isVisible());
    main->ActionExit->trigger();
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(MainWindowTest, AnErrorInACommandIsReportedOnceAndTheLoopGoesOn) {
    int calls = 0;
    main->saveAsHandler = [&] {
        ++calls;
        switch (calls) {
            case 1:
                throw base::EngineError(QStringLiteral("Файл DayData.DBF занят"));
            case 2:
                throw std::runtime_error("disk full");
            case 3:
                throw base::SilentAbort();
        }
    };
    QEventLoop loop;
    bool laterRan = false;
    QTimer::singleShot(0, &loop, [&] { main->ActionSaveAs->trigger(); });
    QTimer::singleShot(5, &loop, [&] { main->ActionSaveAs->trigger(); });
    QTimer::singleShot(10, &loop, [&] { main->ActionSaveAs->trigger(); });
    QTimer::singleShot(15, &loop, [&] { main->ActionSaveAs->trigger(); });
    QTimer::singleShot(30, &loop, [&] {
        laterRan = true;
        loop.quit();
    });
    QTimer::singleShot(5000, &loop, [&] { loop.exit(1); });
    EXPECT_EQ(loop.exec(), 0);
    EXPECT_TRUE(laterRan);
    EXPECT_EQ(calls, 4);
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Файл DayData.DBF занят."));
    EXPECT_EQ(dialogs.boxes[1].text, QStringLiteral("disk full."));
    for (const auto& box : dialogs.boxes) {
        EXPECT_EQ(box.caption, QStringLiteral("Платорис"));
        EXPECT_EQ(box.style, 16);
    }
}

// ---------------------------------------------------------------------------------------------
// Keys and mouse

TEST_F(MainWindowTest, F1AndCtrlF1OpenHelpAndAboutModallyFromEitherChildWindow) {
    chooseDay(day);
    for (QWidget* child :
         {static_cast<QWidget*>(main->FormDayData), static_cast<QWidget*>(main->FormSprav)}) {
        for (const auto& [modifiers, expected] :
             {std::pair<Qt::KeyboardModifiers, QWidget*>{Qt::NoModifier, main->FormHelp},
              std::pair<Qt::KeyboardModifiers, QWidget*>{Qt::ControlModifier, main->FormAbout}}) {
            QWidget* seen = nullptr;
            bool modal = false;
            apptest::onNextModal([&](QWidget* w) {
                seen = w;
                modal = w->isModal();
                if (auto* dialog = qobject_cast<QDialog*>(w)) dialog->reject();
            });
            // Closing a dialog hands the activation back to the main window on a desktop;
            // the offscreen platform has nobody to do that.
            activateMainWindow();
            QTest::keyClick(child, Qt::Key_F1, modifiers);
            EXPECT_EQ(seen, expected) << child->objectName().toStdString();
            EXPECT_TRUE(modal);
            EXPECT_FALSE(expected->isVisible());
        }
    }
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(MainWindowTest, TheStatusBarShowsTheHintOfTheToolbarButtonUnderTheMouse) {
    activateMainWindow();
    EXPECT_EQ(main->statusBar(), main->StatusBar1);
    QWidget* save = main->ToolBar1->widgetForAction(main->ActionSave);
    QWidget* help = main->ToolBar1->widgetForAction(main->ActionHelpAbout);
    QTest::mouseMove(save, save->rect().center());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return main->StatusBar1->currentMessage() == QStringLiteral("Сохранить изменения"); },
        1000))
        << main->StatusBar1->currentMessage().toStdString();
    QTest::mouseMove(help, help->rect().center());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return main->StatusBar1->currentMessage() == QStringLiteral("Справка о программе"); },
        1000));
    // Off the toolbar, the hint goes.
    QTest::mouseMove(main->mdiArea(), main->mdiArea()->rect().center());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return main->StatusBar1->currentMessage().isEmpty(); }, 1000));
}

TEST_F(MainWindowTest, TheStatusBarShowsTheHintOfTheMenuItemUnderTheMouse) {
    activateMainWindow();
    QMenu* operations = menuTitled(QStringLiteral("Операции"));
    operations->popup(main->mapToGlobal(QPoint(20, 20)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(operations));
    QTest::mouseMove(operations, operations->actionGeometry(main->ActionSaveAs).center());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return main->StatusBar1->currentMessage() ==
                   QStringLiteral("Сохранить заявку в формате HTML, RTF, XLS");
        },
        1000))
        << main->StatusBar1->currentMessage().toStdString();
    operations->hide();
}

// ---------------------------------------------------------------------------------------------
// What the screen shows is what is stored

// The windows with a day open and the directories in front, the program folder as working
// folder and an archiver that makes the archive it is asked for.
class PendingEditsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        ASSERT_TRUE(QDir::setCurrent(folder.path()));
        testing_support::writeFile(folder.filePath("RAR.EXE"), "#!/bin/sh\n: > \"$8\"\n", true);
        chooseDay(day);
        ASSERT_TRUE(core().WriteConst("RodazPath", oldSend.path(), "RodazPath"));
        ASSERT_TRUE(core().WriteConst("SendPrefix", "KZ", "SendPrefix"));
        main->ActionShowSprav->trigger();
        activateMainWindow();
    }
    QString sendFolder() const {
        QString value;
        core().ReadConst("RodazPath", value);
        return value;
    }
    void typeSendFolder(const QString& path) {
        main->FormSprav->DBEdit1->setFocus(Qt::TabFocusReason);
        testing_support::typeText(path);
    }
    void clickOtherConstants() {
        QTableView* t = main->FormSprav->DataGrid1->table();
        QTest::mouseClick(t->viewport(), Qt::LeftButton, {},
                          t->visualRect(t->model()->index(0, 2)).center());
    }
    bool sentTo(const QTemporaryDir& send) {
        dialogs.answers.push_back(base::IDYES);
        main->ActionSend->trigger();
        return QFileInfo::exists(send.filePath("KZXR1013.RAR"));
    }

    apptest::WorkingFolderGuard workingFolder;
    QTemporaryDir oldSend, typedSend, lastSend;
};

TEST_F(PendingEditsTest, ASendFolderLeftByAClickOrNotLeftAtAllIsStoredAndDispatchUsesIt) {
    typeSendFolder(typedSend.path());
    clickOtherConstants();
    EXPECT_EQ(sendFolder(), typedSend.path());
    EXPECT_TRUE(sentTo(typedSend));
    EXPECT_EQ(dialogs.boxes.back().text, QStringLiteral("Файл поставлен в очередь на отправку."));
    // Typed and never left: the command stores it first, and the reopened tables show it.
    typeSendFolder(lastSend.path());
    EXPECT_TRUE(sentTo(lastSend));
    EXPECT_EQ(main->FormSprav->DBEdit1->text(), lastSend.path());
    EXPECT_FALSE(QFileInfo::exists(oldSend.filePath("KZXR1013.RAR")));
}

TEST_F(PendingEditsTest, ARefusedPostStopsTheCommandAtTheTypedTextAndExitWaitsForIt) {
    bool refuse = true;
    const auto refusal = core().views.TableRodazPath.beforePost.add([&](engine::Dataset&) {
        if (!refuse) return;
        dialogs.messageBox(QStringLiteral("Нельзя"), QStringLiteral("Ошибка"), base::MB_ICONHAND);
        throw base::SilentAbort();
    });
    typeSendFolder(typedSend.path());
    main->ActionShowDayData->trigger();
    dialogs.boxes.clear();
    // One box, the refusal's, and no question; the user is back at the edit, text and all.
    EXPECT_FALSE(sentTo(typedSend));
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(currentChild(), main->FormSprav);
    EXPECT_EQ(QApplication::focusWidget(), main->FormSprav->DBEdit1);
    EXPECT_EQ(main->FormSprav->DBEdit1->text(), typedSend.path());
    // Left by a click: refused again, and the focus comes back to the text.
    clickOtherConstants();
    QTest::qWait(20);
    EXPECT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(QApplication::focusWidget(), main->FormSprav->DBEdit1);
    // Exit after the refusal asks whether to leave without the edit; No (the default) keeps
    // the program and the text, and once accepted the post is stored on exit.
    dialogs.boxes.clear();
    main->ActionExit->trigger();
    EXPECT_TRUE(main->isVisible());
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text,
              QStringLiteral("Изменения не сохранены.\n\rВыйти из программы без сохранения?"));
    EXPECT_EQ(main->FormSprav->DBEdit1->text(), typedSend.path());
    refuse = false;
    main->ActionExit->trigger();
    EXPECT_FALSE(main->isVisible());
    EXPECT_EQ(sendFolder(), typedSend.path());
}

// A post that keeps failing (a full disk) never traps the user: Yes leaves without it.
TEST_F(PendingEditsTest, ExitWithAnEditThatCannotBeStoredLeavesOnYes) {
    const auto failure = core().views.TableRodazPath.beforePost.add([](engine::Dataset&) {
        throw base::EngineError(
            QStringLiteral("Ошибка записи в файл Const.db: нет места на диске"));
    });
    typeSendFolder(typedSend.path());
    dialogs.boxes.clear();
    dialogs.answers.push_back(base::IDOK);  // the failure's message
    dialogs.answers.push_back(base::IDYES);
    main->ActionExit->trigger();
    EXPECT_FALSE(main->isVisible());
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("нет места на диске")));
    EXPECT_EQ(sendFolder(), oldSend.path());
}

TEST_F(PendingEditsTest, ARecordAddedByTheNavigatorOrInsertIsTypedIntoAtOnce) {
    windows::TFormSprav* sprav = main->FormSprav;
    sprav->PageControl1->setFocus(Qt::TabFocusReason);
    sprav->PageControl1->setCurrentIndex(2);
    QTableView* grid = sprav->DataGrid3->table();
    engine::Dataset& suppliers = core().views.TableReciverNames;
    auto inNewRecord = [&] {
        return QApplication::focusWidget() == grid &&
               suppliers.state() == engine::Dataset::State::Insert &&
               grid->currentIndex().row() == sprav->DataGrid3->model()->datasetRow();
    };
    QTest::mouseClick(sprav->DBNavigator2->button(widgets::DbNavigator::nbInsert), Qt::LeftButton);
    EXPECT_TRUE(inNewRecord());
    testing_support::typeText(QStringLiteral("Новый поставщик"));
    testing_support::pressKey(Qt::Key_Up);
    EXPECT_TRUE(suppliers.locate(QStringLiteral("ListVal"), QStringLiteral("Новый поставщик")));
    testing_support::pressKey(Qt::Key_Insert);
    EXPECT_TRUE(inNewRecord());
}

// ---------------------------------------------------------------------------------------------
// The keyboard

TEST_F(MainWindowTest, TheMenuIsReachedByF10ALoneAltAndTheTitlesLetters) {
    activateMainWindow();
    main->FormDayData->DataGrid1->setFocus();
    QWidget* before = QApplication::focusWidget();
    // F10: the first menu with its first command highlighted; Enter runs it.
    QTest::keyClick(before, Qt::Key_F10);
    auto* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_EQ(open, menuTitled(QStringLiteral("Реестр")));
    dialogs.dates.push_back(day);
    QTest::keyClick(open, Qt::Key_Return);
    EXPECT_TRUE(dayOpen());
    // A lone Alt highlights the first title; Esc gives the focus back.
    QTest::keyClick(before, Qt::Key_Alt, Qt::AltModifier);
    EXPECT_EQ(main->MainMenu1->activeAction(), main->MainMenu1->actions().value(0));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(QApplication::focusWidget(), before);
    // Alt and a title's underlined letter (К of "Окно") open that menu.
    QTest::sendKeyEvent(QTest::Click, before, Qt::Key(u'К'), QStringLiteral("к"), Qt::AltModifier);
    EXPECT_EQ(QApplication::activePopupWidget(), menuTitled(QStringLiteral("Окно")));
}

TEST_F(MainWindowTest, CtrlTabGoesToTheNextControlOfTheWindowNotToTheOtherWindow) {
    chooseDay(day);
    activateMainWindow();
    windows::TFormDayData* form = main->FormDayData;
    form->DataGrid1->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), form->DataGrid2->table());
    testing_support::typeText(QStringLiteral("7"));  // out of an open cell editor too
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), form->DBEditIncomeSum);
    EXPECT_EQ(form->DBEditIncomeSum->selectedText(), QStringLiteral("0"));  // to be typed over
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab,
                    Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), form->DataGrid2->table());
    EXPECT_EQ(currentChild(), form);
}

}  // namespace
