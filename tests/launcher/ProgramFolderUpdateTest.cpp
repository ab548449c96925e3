// The user's own program folder filled from an installed one: the first copy, an upgrade over
// a folder with data, a copy killed at each of its writes, a copy that fails at each of its
// writes, and copies that are current or running.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <map>

#include "ChildProcess.h"
#include "EngineError.h"
#include "FileIo.h"
#include "KillAtWrite.h"
#include "ProgramFolderUpdate.h"
#include "ProgramLaunch.h"

using launcher::isCurrentCopy;
using launcher::planLaunch;
using launcher::updateProgramFolder;
using launcher::versionStamp;

namespace {

using Files = std::map<QString, QByteArray>;

const QString kStamp = QStringLiteral(PLATORIS_VERSION_STAMP);
const QString kProgram = QStringLiteral(PLATORIS_PROGRAM_NAME);

void writeFile(const QString& path, const QByteArray& bytes, bool executable = false) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
    file.close();
    if (executable) file.setPermissions(file.permissions() | QFile::ExeOwner);
}

// Every file below a folder (hidden ones too) with its bytes, by its path in the folder.
Files filesBelow(const QString& folder) {
    Files files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        files[QDir(folder).relativeFilePath(path)] = file.readAll();
    }
    return files;
}

// Equal file sets, or the names that differ.
::testing::AssertionResult sameFiles(const Files& seen, const Files& expected) {
    std::string differing;
    for (const auto& [name, bytes] : seen) {
        const auto other = expected.find(name);
        if (other == expected.end())
            differing.append(" +").append(name.toStdString());
        else if (other->second != bytes)
            differing.append(" ").append(name.toStdString());
    }
    for (const auto& [name, bytes] : expected)
        if (!seen.count(name)) differing.append(" -").append(name.toStdString());
    if (differing.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "files differ:" << differing;
}

Files merged(Files a, const Files& b) {
    a.insert(b.begin(), b.end());
    return a;
}

// The program files of one version: the executable, the archiver, templates, help and the
// stamp. A template table of some megabytes makes the copy write in several pieces.
Files programFiles(const QString& version) {
    const QByteArray v = version.toUtf8();
    return {
        {kProgram, "#!/bin/sh\n# " + v + "\nexit 0\n"},
        {QStringLiteral("RAR.EXE"), "archiver " + v},
        {QStringLiteral("Template/Data/DayData.DBF"), QByteArray(2'500'000, 'd') + v},
        {QStringLiteral("Template/Sprav/Const.db"), "constants " + v},
        {QStringLiteral("Help/Zorvel.html"), "<html>" + v + "</html>"},
        {kStamp, "platoris " + v + "\n"},
    };
}

// What the program writes beside itself.
Files userFiles() {
    return {
        {QStringLiteral("Data/2024/01/02/DayData.DBF"), "a day's payments"},
        {QStringLiteral("Sprav/Const.db"), "the plant's constants"},
        {QStringLiteral("AddRAR.LST"), "DayData.DBF\r\n"},
    };
}

void lay(const QString& folder, const Files& files) {
    for (const auto& [name, bytes] : files)
        writeFile(QDir(folder).filePath(name), bytes, name == kProgram);
}

// An installed version 2 and a user's folder with version 1, an old help page and data.
struct Upgrade {
    QTemporaryDir source, home;
    QString target = home.filePath(QStringLiteral("Platoris"));

    Upgrade() {
        lay(source.path(), programFiles(QStringLiteral("2")));
        lay(target, merged(programFiles(QStringLiteral("1")), userFiles()));
        writeFile(QDir(target).filePath(QStringLiteral("Help/Old.html")), "gone in 2");
    }
    Files before() const {
        Files files = merged(programFiles(QStringLiteral("1")), userFiles());
        files[QStringLiteral("Help/Old.html")] = "gone in 2";
        return files;
    }
    Files after() const { return merged(programFiles(QStringLiteral("2")), userFiles()); }
};

TEST(ProgramFolderUpdate, AFirstCopyHoldsTheProgramButNeverDataSpravOrTheLauncher) {
    QTemporaryDir source, home;
    lay(source.path(), programFiles(QStringLiteral("1")));
    // Whatever a folder of the same names holds in the source is never copied.
    writeFile(source.filePath(QStringLiteral("Data/2024/01/02/DayData.DBF")), "not the user's");
    writeFile(source.filePath(QStringLiteral("sprav/Const.db")), "not the user's");
    writeFile(source.filePath(QStringLiteral("launcher")), "the launcher", true);
    const QString target = home.filePath(QStringLiteral("Platoris"));

    updateProgramFolder(source.path(), target, {QStringLiteral("launcher")});

    EXPECT_TRUE(sameFiles(filesBelow(target), programFiles(QStringLiteral("1"))));
    EXPECT_FALSE(QFileInfo::exists(QDir(target).filePath(QStringLiteral("Data"))));
    EXPECT_FALSE(QFileInfo::exists(QDir(target).filePath(QStringLiteral("sprav"))));
    EXPECT_TRUE(QFileInfo(QDir(target).filePath(kProgram)).isExecutable());
    EXPECT_TRUE(isCurrentCopy(source.path(), target));
}

TEST(ProgramFolderUpdate, AnUpgradeReplacesTheProgramAndKeepsTheUsersFilesByteForByte) {
    Upgrade upgrade;
    EXPECT_FALSE(isCurrentCopy(upgrade.source.path(), upgrade.target));
    updateProgramFolder(upgrade.source.path(), upgrade.target);
    EXPECT_TRUE(sameFiles(filesBelow(upgrade.target), upgrade.after()));
    EXPECT_TRUE(isCurrentCopy(upgrade.source.path(), upgrade.target));
}

// ---- interrupted copies ----------------------------------------------------------------------

long writesLeft = 0;

void failAtTheChosenWrite() {
    if (--writesLeft == 0) throw base::EngineError(QStringLiteral("Нет места на диске"));
}

// The files of a folder without what an interrupted copy leaves behind (hidden, and cleared
// by the next copy).
Files withoutLeftovers(Files files) {
    std::erase_if(files, [](const auto& entry) {
        const QString& name = entry.first;
        return name.startsWith(QLatin1String(".platoris-staging/")) ||
               name.startsWith(QLatin1String(".platoris-old-")) ||
               (name.startsWith(QStringLiteral(".") + kStamp) &&
                name.endsWith(QLatin1String(".tmp~")));
    });
    return files;
}

// True when the folder may be started as it is: it carries a stamp only with the whole
// version the stamp names.
::testing::AssertionResult startableOnlyWhenWhole(const Upgrade& upgrade) {
    const Files files = withoutLeftovers(filesBelow(upgrade.target));
    const QString stamp = versionStamp(upgrade.target);
    if (stamp == QLatin1String("platoris 1")) return sameFiles(files, upgrade.before());
    if (stamp == QLatin1String("platoris 2")) return sameFiles(files, upgrade.after());
    if (!stamp.isEmpty() && stamp != QLatin1String("platoris 1") &&
        stamp != QLatin1String("platoris 2"))
        return ::testing::AssertionFailure() << "stamp " << stamp.toStdString();
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult userFilesKept(const Upgrade& upgrade) {
    const Files files = filesBelow(upgrade.target);
    for (const auto& [name, bytes] : userFiles()) {
        const auto found = files.find(name);
        if (found == files.end() || found->second != bytes)
            return ::testing::AssertionFailure() << name.toStdString() << " changed";
    }
    return ::testing::AssertionSuccess();
}

TEST(ProgramFolderUpdate,
     KilledAtAnyWriteTheFolderIsNeverStartedHalfCopiedAndTheNextStartCompletesIt) {
    long killPoints = 0;
    for (long killAt = 1;; ++killAt) {
        SCOPED_TRACE("kill point " + std::to_string(killAt));
        Upgrade upgrade;
        const int rc = testing_support::runInChild([&] {
            testing_support::killAtWrite(killAt);
            updateProgramFolder(upgrade.source.path(), upgrade.target);
            return 0;
        });
        if (rc != 128 + SIGKILL) {
            ASSERT_EQ(rc, 0);
            EXPECT_TRUE(sameFiles(filesBelow(upgrade.target), upgrade.after()));
            break;
        }
        ++killPoints;
        EXPECT_TRUE(userFilesKept(upgrade));
        EXPECT_TRUE(startableOnlyWhenWhole(upgrade));

        const launcher::LaunchPlan next = planLaunch(upgrade.source.path(), upgrade.target, {});
        EXPECT_EQ(next.program, QDir(upgrade.target).filePath(kProgram));
        EXPECT_TRUE(next.message.isEmpty()) << next.message.toStdString();
        EXPECT_TRUE(sameFiles(filesBelow(upgrade.target), upgrade.after()));
        if (HasFailure()) return;
    }
    // Every file piece, sync and rename of the copy is a kill point.
    EXPECT_GT(killPoints, 20);
}

TEST(ProgramLaunch, WhenTheCopyFailsAWholeEarlierVersionStartsAfterAWarningAndAHalfCopiedOneNever) {
    bool warned = false, refused = false;
    for (long failAt = 1;; ++failAt) {
        SCOPED_TRACE("failed write " + std::to_string(failAt));
        Upgrade upgrade;
        writesLeft = failAt;
        base::fileio::setWriteHook(failAtTheChosenWrite);
        const launcher::LaunchPlan plan = planLaunch(upgrade.source.path(), upgrade.target, {});
        base::fileio::setWriteHook(nullptr);
        EXPECT_TRUE(userFilesKept(upgrade));
        EXPECT_TRUE(startableOnlyWhenWhole(upgrade));
        if (plan.message.isEmpty()) break;
        EXPECT_TRUE(plan.message.contains(QStringLiteral("Нет места на диске")));
        if (plan.isError) {
            refused = true;
            EXPECT_TRUE(plan.program.isEmpty());
            EXPECT_TRUE(versionStamp(upgrade.target).isEmpty());
        } else {
            warned = true;
            EXPECT_TRUE(sameFiles(filesBelow(upgrade.target), upgrade.before()));
            EXPECT_TRUE(plan.message.contains(QStringLiteral("Запускается прежняя версия")));
        }
        if (HasFailure()) return;
    }
    EXPECT_TRUE(warned);
    EXPECT_TRUE(refused);

    // A folder that cannot be made at all (below a file).
    QTemporaryDir home;
    Upgrade upgrade;
    writeFile(home.filePath(QStringLiteral("file")), "not a folder");
    const QString target = home.filePath(QStringLiteral("file/Platoris"));
    const launcher::LaunchPlan plan = planLaunch(upgrade.source.path(), target, {});
    EXPECT_TRUE(plan.isError);
    EXPECT_TRUE(plan.program.isEmpty());
    EXPECT_TRUE(plan.message.contains(target)) << plan.message.toStdString();
}

long writesSeen = 0;
void countWrite() {
    ++writesSeen;
}

TEST(ProgramLaunch, ACurrentOrARunningCopyIsStartedAsItIs) {
    Upgrade upgrade;
    updateProgramFolder(upgrade.source.path(), upgrade.target);
    writesSeen = 0;
    base::fileio::setWriteHook(countWrite);
    launcher::LaunchPlan plan = planLaunch(upgrade.source.path(), upgrade.target, {});
    EXPECT_EQ(writesSeen, 0);
    EXPECT_EQ(plan.program, QDir(upgrade.target).filePath(kProgram));
    EXPECT_TRUE(plan.message.isEmpty());

    // A newer version is installed while the user's copy runs: nothing is replaced under it,
    // and it is started again (its single-instance guard then tells the user).
    Upgrade running;
    const QString program = QDir(running.target).filePath(kProgram);
    QFile::remove(program);
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), program));
    QProcess copy;
    copy.start(program, {QStringLiteral("30")});
    ASSERT_TRUE(copy.waitForStarted());
    plan = planLaunch(running.source.path(), running.target, {});
    copy.kill();
    copy.waitForFinished();
    EXPECT_EQ(writesSeen, 0);
    base::fileio::setWriteHook(nullptr);
    EXPECT_EQ(plan.program, program);
    EXPECT_TRUE(plan.message.isEmpty());
    EXPECT_EQ(versionStamp(running.target), QStringLiteral("platoris 1"));
}

}  // namespace
