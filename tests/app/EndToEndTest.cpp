#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <vector>

namespace {

// Runs copies of the built program under the offscreen platform and makes sure none outlives
// the test. A copy that shows a message box waits there forever under offscreen, with nobody
// to press OK; the program ends cleanly on SIGTERM instead (dialogs are left as cancelled,
// the loop ends, the exit code is 0), which is how these tests end every copy they start.
class ProgramRuns {
public:
    ~ProgramRuns() {
        for (auto& p : processes_) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
    }

    QProcess* start(const QString& executable, const QString& workingFolder) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process->setProcessEnvironment(env);
        process->setWorkingDirectory(workingFolder);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->setStandardOutputFile(QProcess::nullDevice());
        process->start(executable, {});
        processes_.push_back(std::move(process));
        return processes_.back().get();
    }

private:
    std::vector<std::unique_ptr<QProcess>> processes_;
};

// Ends a running copy with SIGTERM; true when it then ended normally with code 0.
::testing::AssertionResult endsCleanlyWithZero(QProcess* process) {
    if (process->state() != QProcess::Running)
        return ::testing::AssertionFailure() << "not running";
    process->terminate();
    if (!process->waitForFinished(10000))
        return ::testing::AssertionFailure() << "did not end after SIGTERM";
    if (process->exitStatus() != QProcess::NormalExit)
        return ::testing::AssertionFailure() << "crashed or was killed";
    if (process->exitCode() != 0)
        return ::testing::AssertionFailure() << "exit code " << process->exitCode();
    return ::testing::AssertionSuccess();
}

// A copy of the built executable in a folder of its own, under a name no other running
// program contains, so that a program the developer has open does not count.
QString installCopy(const QTemporaryDir& folder, const QString& name) {
    const QString target = folder.filePath(name);
    QFile::copy(QStringLiteral(PLATORIS_EXECUTABLE), target);
    QFile::setPermissions(target, QFile::permissions(target) | QFile::ExeOwner);
    return target;
}

TEST(ProgramEndToEnd, ASecondCopyIsRefusedFromAnyFolderAndTheFirstFindsItsFolders) {
    ASSERT_TRUE(QFileInfo(QStringLiteral(PLATORIS_EXECUTABLE)).isExecutable());
    QTemporaryDir folderA, folderB, workingFolder;
    const QString name = QStringLiteral("platoris-e2e-%1").arg(QCoreApplication::applicationPid());
    const QString first = installCopy(folderA, name);
    const QString second = installCopy(folderB, name);
    const QString spravA = folderA.filePath(QStringLiteral("Sprav"));
    const QString spravB = folderB.filePath(QStringLiteral("Sprav"));

    ProgramRuns runs;

    // The first copy, started from another working folder, creates its reference folder
    // beside the executable.
    QElapsedTimer startTime;
    startTime.start();
    QProcess* a = runs.start(first, workingFolder.path());
    ASSERT_TRUE(a->waitForStarted(10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(spravA).isDir(); }, 20000));
    const qint64 firstStartMs = startTime.elapsed();
    EXPECT_FALSE(QFileInfo::exists(workingFolder.filePath(QStringLiteral("Sprav"))));

    // The second copy of the same program, from another folder: it stops at its warning and
    // never gets to its windows or its folders, however long it is given.
    QProcess* b = runs.start(second, workingFolder.path());
    ASSERT_TRUE(b->waitForStarted(10000));
    QTest::qWait(static_cast<int>(std::max<qint64>(2000, 3 * firstStartMs)));
    EXPECT_EQ(b->state(), QProcess::Running);  // waiting in its box
    EXPECT_FALSE(QFileInfo::exists(spravB));
    EXPECT_FALSE(QFileInfo::exists(workingFolder.filePath(QStringLiteral("Sprav"))));

    // Leaving the box ends the second copy with code 0, still without any folder of its own.
    EXPECT_TRUE(endsCleanlyWithZero(b));
    EXPECT_FALSE(QFileInfo::exists(spravB));
    EXPECT_EQ(a->state(), QProcess::Running);

    // The first runs on and ends cleanly too.
    EXPECT_TRUE(endsCleanlyWithZero(a));

    // With the first gone, the same second copy starts normally.
    QProcess* c = runs.start(second, workingFolder.path());
    ASSERT_TRUE(c->waitForStarted(10000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo(spravB).isDir(); }, 20000));
    EXPECT_TRUE(endsCleanlyWithZero(c));
}

TEST(ProgramEndToEnd, ACopyUnderAnotherNameIsNotCounted) {
    QTemporaryDir folderA, folderB;
    const QString pid = QString::number(QCoreApplication::applicationPid());
    const QString first = installCopy(folderA, QStringLiteral("platoris-one-") + pid);
    const QString other = installCopy(folderB, QStringLiteral("platoris-two-") + pid);

    ProgramRuns runs;
    QProcess* a = runs.start(first, folderA.path());
    ASSERT_TRUE(a->waitForStarted(10000));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return QFileInfo(folderA.filePath(QStringLiteral("Sprav"))).isDir(); }, 20000));
    QProcess* b = runs.start(other, folderA.path());
    ASSERT_TRUE(b->waitForStarted(10000));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return QFileInfo(folderB.filePath(QStringLiteral("Sprav"))).isDir(); }, 20000));
    EXPECT_TRUE(endsCleanlyWithZero(b));
    EXPECT_TRUE(endsCleanlyWithZero(a));
}

TEST(ProgramEndToEnd, ARunningProgramWhoseNameContainsThisOneIgnoringCaseCounts) {
    QTemporaryDir folderA, folderB;
    const QString pid = QString::number(QCoreApplication::applicationPid());
    // The running one's name holds the other's, in other letter case and with a prefix.
    const QString running = installCopy(folderA, QStringLiteral("old-PLATORIS-CASE-") + pid);
    const QString starting = installCopy(folderB, QStringLiteral("platoris-case-") + pid);

    ProgramRuns runs;
    QProcess* a = runs.start(running, folderA.path());
    ASSERT_TRUE(a->waitForStarted(10000));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return QFileInfo(folderA.filePath(QStringLiteral("Sprav"))).isDir(); }, 20000));
    QProcess* b = runs.start(starting, folderA.path());
    ASSERT_TRUE(b->waitForStarted(10000));
    QTest::qWait(2000);
    EXPECT_EQ(b->state(), QProcess::Running);  // waiting in its box
    EXPECT_FALSE(QFileInfo::exists(folderB.filePath(QStringLiteral("Sprav"))));
    EXPECT_TRUE(endsCleanlyWithZero(b));
    EXPECT_TRUE(endsCleanlyWithZero(a));
}

}  // namespace
