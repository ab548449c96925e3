#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTimer>

#include "AppTestSupport.h"
#include "ChildProcess.h"
#include "FormDateSelect.h"
#include "FormMain.h"
#include "MessageLoop.h"
#include "QtDialogs.h"
#include "RegisterCore.h"
#include "Startup.h"
#include "EngineError.h"
#include "ScriptedDialogs.h"

using testing_support::ScriptedDialogs;

namespace {

// A fake executable path inside a temporary program folder, with a scripted process count.
struct FakeProgram {
    QTemporaryDir folder;
    QString executable = folder.filePath(QStringLiteral("platoris"));
    std::vector<QString> askedNames;
    int running = 1;

    app::StartupEnvironment environment() {
        return {executable, [this](const QString& name) {
                    askedNames.push_back(name);
                    return running;
                }};
    }
};

int topLevelWindowCount() {
    return static_cast<int>(QApplication::topLevelWidgets().size());
}

TEST(SingleInstanceGuard, AnotherRunningCopyIsRefusedWithTheWarning) {
    for (int running : {2, 3}) {
        ScriptedDialogs dialogs;
        FakeProgram program;
        program.running = running;
        EXPECT_TRUE(app::refuseSecondCopy(dialogs, program.environment()));
        ASSERT_EQ(program.askedNames.size(), 1u);
        EXPECT_EQ(program.askedNames[0], QStringLiteral("platoris"));  // the bare file name
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Программа уже запущена."));
        EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Внимание"));
        EXPECT_EQ(dialogs.boxes[0].style, 48);
        EXPECT_TRUE(dialogs.boxes[0].ownedByApplication);
    }
}

TEST(SingleInstanceGuard, ThisCopyAloneOrNoProcessListStartsWithoutABox) {
    for (int running : {1, 0}) {
        ScriptedDialogs dialogs;
        FakeProgram program;
        program.running = running;
        EXPECT_FALSE(app::refuseSecondCopy(dialogs, program.environment()));
        EXPECT_TRUE(dialogs.boxes.empty());
    }
}

TEST(StartUp, ARefusedStartCreatesNoWindowAndKeepsTheWorkingFolder) {
    apptest::WorkingFolderGuard guard;
    ScriptedDialogs dialogs;
    FakeProgram program;
    program.running = 2;
    const QString before = QDir::currentPath();
    const int windowsBefore = topLevelWindowCount();

    EXPECT_FALSE(app::startUp(dialogs, program.environment()).has_value());
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(QDir::currentPath(), before);
    EXPECT_EQ(topLevelWindowCount(), windowsBefore);
    EXPECT_FALSE(QFileInfo::exists(program.folder.filePath(QStringLiteral("Sprav"))));
}

// A program folder the user cannot write (a read-only mount, a folder of another user) ends
// the start with one message naming the folder and the reason, before any table is touched.
TEST(StartUp, AFolderThatCannotBeWrittenEndsTheStartWithOneMessage) {
    apptest::WorkingFolderGuard guard;
    FakeProgram program;
    const QString sprav = program.folder.filePath(QStringLiteral("Sprav"));
    ASSERT_TRUE(QDir().mkpath(sprav));
    ::chmod(QFile::encodeName(program.folder.path()).constData(), 0777);
    ::chmod(QFile::encodeName(sprav).constData(), 0555);
    // Run as a user without rights there (root writes everywhere).
    const int rc = testing_support::withFileSizeLimit(0, [&] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 5;
        ScriptedDialogs dialogs;
        if (app::startUp(dialogs, program.environment())) return 2;
        if (dialogs.boxes.size() != 1) return 3;
        const QString text = dialogs.boxes[0].text;
        return text.contains(sprav) &&
                       text.contains(QStringLiteral("Причина: нет прав на запись.")) &&
                       dialogs.boxes[0].caption == QStringLiteral("Ошибка")
                   ? 0
                   : 4;
    });
    ::chmod(QFile::encodeName(sprav).constData(), 0755);
    EXPECT_EQ(rc, 0);
}

TEST(StartUp, MakesTheProgramFolderTheWorkingFolderBeforeTheWindowsFindTheirFolders) {
    apptest::WorkingFolderGuard guard;
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    ScriptedDialogs dialogs;
    FakeProgram program;

    std::optional<app::ProgramWindows> windows = app::startUp(dialogs, program.environment());
    ASSERT_TRUE(windows.has_value());
    EXPECT_TRUE(dialogs.boxes.empty());
    const QString programDir = QFileInfo(program.folder.path()).canonicalFilePath();
    EXPECT_EQ(QFileInfo(QDir::currentPath()).canonicalFilePath(), programDir);
    EXPECT_EQ(QFileInfo(windows->FormMain->core().ProgDir).canonicalFilePath(), programDir);
    EXPECT_TRUE(QFileInfo(program.folder.filePath(QStringLiteral("Sprav"))).isDir());
    EXPECT_FALSE(QFileInfo::exists(elsewhere.filePath(QStringLiteral("Sprav"))));
    // No display name of the program's own, which the desktop would append to every window title.
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
}

TEST(StartUp, TheQtDialogsChooseDatesWithTheProgramsDateWindow) {
    apptest::WorkingFolderGuard guard;
    windows::QtDialogs dialogs;
    FakeProgram program;
    std::optional<app::ProgramWindows> windows = app::startUp(dialogs, program.environment());
    ASSERT_TRUE(windows.has_value());
    EXPECT_EQ(dialogs.dateForm(), windows->FormMain->FormDateSelect);
}

// Runs the action once the program's loop runs; a safety timer ends a loop that the action
// failed to end. Both timers die with the returned object.
std::unique_ptr<QObject> whileLoopRuns(std::function<void()> action) {
    auto context = std::make_unique<QObject>();
    QTimer::singleShot(0, context.get(), action);
    QTimer::singleShot(10000, context.get(), [] {
        ADD_FAILURE() << "the message loop did not end";
        QCoreApplication::exit(1);
    });
    return context;
}

TEST(RunProgram, TheLoopFlagIsSetOnlyWhileTheLoopRunsAndClosingTheMainWindowEndsIt) {
    apptest::WorkingFolderGuard guard;
    ScriptedDialogs dialogs;
    FakeProgram program;
    EXPECT_FALSE(app::messageLoopRunning());

    bool flagInLoop = false;
    const auto timers = whileLoopRuns([&] {
        flagInLoop = app::messageLoopRunning();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("FormMain")) w->close();
    });
    EXPECT_EQ(app::runProgram(dialogs, program.environment()), 0);
    EXPECT_TRUE(flagInLoop);
    EXPECT_FALSE(app::messageLoopRunning());
    EXPECT_TRUE(dialogs.boxes.empty());
    // The windows are gone with the run.
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_NE(w->objectName(), QLatin1String("FormMain"));
}

TEST(RunProgram, ARefusedStartReturnsZeroWithoutRunningTheLoop) {
    ScriptedDialogs dialogs;
    FakeProgram program;
    program.running = 2;
    EXPECT_EQ(app::runProgram(dialogs, program.environment()), 0);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Программа уже запущена."));
    EXPECT_FALSE(app::messageLoopRunning());
}

TEST(RunProgram, AnErrorDuringStartUpIsReportedAndTheProgramStillReturnsZero) {
    ScriptedDialogs dialogs;
    FakeProgram program;
    app::StartupEnvironment env = program.environment();
    env.countRunningInstances = [](const QString&) -> int {
        throw base::EngineError(QStringLiteral("Список процессов недоступен"));
    };
    EXPECT_EQ(app::runProgram(dialogs, env), 0);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Список процессов недоступен."));
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Платорис"));
    EXPECT_EQ(dialogs.boxes[0].style, 16);
    EXPECT_FALSE(app::messageLoopRunning());

    ScriptedDialogs quiet;
    env.countRunningInstances = [](const QString&) -> int { throw base::SilentAbort(); };
    EXPECT_EQ(app::runProgram(quiet, env), 0);
    EXPECT_TRUE(quiet.boxes.empty());
}

}  // namespace
