#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <memory>

#include "ChildProcess.h"
#include "ProcessUtils.h"
#include "ScriptedDialogs.h"
#include "TestFiles.h"

using namespace std::chrono_literals;
using namespace base;
using namespace testing_support;

namespace {

class RunCommandTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(prog)); }
    void TearDown() override { qputenv("PATH", savedPath); }
    bool run(const QString& commandLine) {
        return RunCommand(dialogs, prog, commandLine, 0, true, true);
    }

    QTemporaryDir tmp;
    QString prog = tmp.filePath("prog"), out = tmp.filePath("out");
    QByteArray savedPath = qgetenv("PATH");
    ScriptedDialogs dialogs;
};

}  // namespace

TEST(SplitWindowsCommandLine, FollowsTheWindowsRules) {
    using L = QStringList;
    EXPECT_EQ(splitWindowsCommandLine("  \t "), L());
    EXPECT_EQ(splitWindowsCommandLine(" RAR.EXE a  -y\t@AddRAR.LST "),
              L({"RAR.EXE", "a", "-y", "@AddRAR.LST"}));
    EXPECT_EQ(splitWindowsCommandLine(R"("C:\Program Files\a.exe" "b c")"),
              L({R"(C:\Program Files\a.exe)", "b c"}));
    // The program name has rules of its own: backslashes are plain, a quote ends it.
    EXPECT_EQ(splitWindowsCommandLine(R"(p\"q r)"), L({R"(p\"q)", "r"}));
    EXPECT_EQ(splitWindowsCommandLine(R"("a b"c d)"), L({"a b", "c", "d"}));
    EXPECT_EQ(splitWindowsCommandLine(R"(x a\\\"b c\d)"), L({"x", R"(a\"b)", R"(c\d)"}));
    EXPECT_EQ(splitWindowsCommandLine(R"(x a\\\\"b c" d)"), L({"x", R"(a\\b c)", "d"}));
    EXPECT_EQ(splitWindowsCommandLine(R"(x "a""b c" d)"), L({"x", R"(a"b)", R"(c d)"}));
    EXPECT_EQ(splitWindowsCommandLine(R"(x "" """ a"b"c)"), L({"x", "", R"(")", "abc"}));
}

TEST_F(RunCommandTest, ProgramFolderIsSearchedBeforePath) {
    const QString bin = tmp.filePath("bin");
    ASSERT_TRUE(QDir().mkpath(bin));
    writeFile(prog + "/probe", "#!/bin/sh\necho program-folder > \"$1\"\n", true);
    writeFile(bin + "/probe", "#!/bin/sh\necho path > \"$1\"\n", true);
    writeFile(bin + "/tool.exe", "#!/bin/sh\necho tool > \"$1\"\n", true);
    qputenv("PATH", (bin + ":/usr/bin:/bin").toLocal8Bit());

    ASSERT_TRUE(run("probe " + out));
    EXPECT_EQ(readFile(out), "program-folder\n");
    ASSERT_TRUE(QFile::remove(prog + "/probe"));
    ASSERT_TRUE(run("probe " + out));
    EXPECT_EQ(readFile(out), "path\n");
    ASSERT_TRUE(run("TOOL.EXE " + out));  // a Windows program name ignores letter case
    EXPECT_EQ(readFile(out), "tool\n");
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(RunCommandTest, CommandThatCannotStartIsReportedAfterTheLogIsRecreated) {
    writeFile(prog + "/TtyLog.TXT", "old output");
    writeFile(prog + "/not-executable", "#!/bin/sh\n");
    EXPECT_FALSE(run("no-such-program-3f9c arg"));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Ошибка выполнения команды.");
    EXPECT_EQ(dialogs.boxes[0].caption, "Ошибка");
    EXPECT_EQ(dialogs.boxes[0].style, MB_ICONHAND);
    EXPECT_FALSE(dialogs.boxes[0].ownedByApplication);
    EXPECT_EQ(readFile(prog + "/TtyLog.TXT"), "");

    for (const QString& line : {QString("not-executable"), prog + "/missing/x", QString("  ")})
        EXPECT_FALSE(run(line)) << line.toStdString();
    EXPECT_FALSE(RunCommand(dialogs, prog, "no-such-program-3f9c", 0, false, true));
    EXPECT_EQ(dialogs.boxes.size(), 4u);  // none for the last: no report asked
}

// How long these calls take is a figure of bench/base_bench.
TEST_F(RunCommandTest, CommandIsWaitedForUntilItEndsWithItsOutputInTheLog) {
    writeFile(prog + "/talk", "#!/bin/sh\nsleep 0.2\necho to-out\necho to-err >&2\ncat\n", true);
    // An hour to wait: the call returns because the command ended (cat ends at once, its
    // standard input being empty), or the child is stopped at its time-out.
    EXPECT_EQ(
        runInChild([&] { return runCommandWithin(dialogs, prog, "talk", true, true, 1h) ? 0 : 1; },
                   0, 60),
        0);
    EXPECT_EQ(readFile(prog + "/TtyLog.TXT"), "to-out\nto-err\n");
}

TEST_F(RunCommandTest, ArgumentWithBlanksAndShellCharactersIsPassedUntouched) {
    const QString dir = tmp.filePath("a b $(x) & c");
    ASSERT_TRUE(QDir().mkpath(dir));
    writeFile(dir + "/args", "#!/bin/sh\nout=$1; shift\nfor a; do echo \"[$a]\"; done > \"$out\"\n",
              true);
    const QString s = tmp.path();
    const QString tricky =
        QString("x y $(touch %1/p1); touch %1/p2 & touch %1/p3 | `touch %1/p4` > %1/p5").arg(s);

    ASSERT_TRUE(run("\"" + dir + "/args\" " + out + " \"" + tricky + "\" plain"));
    EXPECT_EQ(readFile(out), ("[" + tricky + "]\n[plain]\n").toUtf8());
    EXPECT_EQ(QDir(s).entryList({"p?"}), QStringList());  // nothing ran
}

TEST_F(RunCommandTest, LongCommandGoesOnAloneAndIsReapedWhenItEnds) {
    writeFile(prog + "/slow", "#!/bin/sh\necho $$ > \"$1\"\nexec sleep 30\n", true);
    for (bool waitAndLog : {true, false}) {
        QFile::remove(out);
        // Not waited for, the hour is not waited either; waited for, the call gives up after
        // its limit. Either way the command still runs when the call returns (the kill below).
        EXPECT_TRUE(runCommandWithin(dialogs, prog, "slow " + out, true, waitAndLog,
                                     waitAndLog ? 300ms : 1h));
        for (int i = 0; i < 200 && !readFile(out).endsWith('\n'); ++i) QThread::msleep(10);
        const pid_t pid = readFile(out).trimmed().toInt();
        ASSERT_GT(pid, 0);
        ASSERT_EQ(::kill(pid, SIGKILL), 0);  // it was still running
        bool reaped = false;                 // gone from the process table, not left a zombie
        for (int i = 0; i < 200 && !reaped; ++i, QThread::msleep(10))
            reaped = !QFileInfo::exists(QString("/proc/%1").arg(pid));
        EXPECT_TRUE(reaped);
    }
}

TEST(CountRunningInstances, CountsProcessesWhoseNameContainsTheName) {
    QTemporaryDir tmp;
    const QString name = QString("Platoris-Guard-Probe-%1").arg(QCoreApplication::applicationPid());
    std::vector<std::unique_ptr<QProcess>> running;
    auto start = [&](const QString& file) {
        QFile::copy("/bin/sleep", tmp.filePath(file));
        running.push_back(std::make_unique<QProcess>());
        running.back()->start(tmp.filePath(file), {"30"});
        return running.back()->waitForStarted();
    };
    ASSERT_TRUE(start(name));
    EXPECT_EQ(CountRunningInstances(name), 1);
    ASSERT_TRUE(start(name));
    EXPECT_EQ(CountRunningInstances(name), 2);
    ASSERT_TRUE(start("x" + name));
    EXPECT_EQ(CountRunningInstances(name.toLower()), 3);
    EXPECT_EQ(CountRunningInstances(name.toUpper()), 3);
    EXPECT_EQ(CountRunningInstances("x" + name), 1);
    EXPECT_EQ(CountRunningInstances(name + "x"), 0);
    EXPECT_GE(CountRunningInstances(QFileInfo(QCoreApplication::applicationFilePath()).fileName()),
              1);
    for (auto& p : running) p->kill(), p->waitForFinished();
    EXPECT_EQ(CountRunningInstances(name), 0);
}

TEST(CountRunningInstances, ReadsNamesFromTheProcessTable) {
    QTemporaryDir tmp;
    const QString proc = tmp.filePath("proc");
    auto process = [&](const QString& pid, const QByteArray& state, const QByteArray& comm,
                       const QString& exe = {}, const QByteArray& cmdline = {}) {
        const QString dir = proc + "/" + pid;
        QDir().mkpath(dir);
        if (!state.isEmpty())
            writeFile(dir + "/stat", pid.toLatin1() + " (" + comm + ") " + state + " 1");
        writeFile(dir + "/comm", comm + "\n");
        writeFile(dir + "/cmdline", cmdline);
        if (!exe.isEmpty()) QFile::link(exe, dir + "/exe");
    };
    process("100", "S", "platoris", "/opt/app/Platoris (deleted)");  // image replaced
    process("101", "S", "xplatoris");                                // image unreadable
    process("102", "Z", "platoris");                                 // zombie: not running
    process("103", "R", "platoris-long-n", {}, QByteArrayLiteral("/bin/platoris-long-name\0-x"));
    process("104", "", "platoris");                         // gone: no stat
    process("self", "S", "platoris", "/usr/bin/platoris");  // not a process entry

    EXPECT_EQ(countRunningInstancesIn(proc, "PLATORIS"), 3);
    EXPECT_EQ(countRunningInstancesIn(proc, "platoris-long-name"), 1);
    EXPECT_EQ(countRunningInstancesIn(proc, "deleted"), 0);
    EXPECT_EQ(countRunningInstancesIn(proc, ""), 0);
    EXPECT_EQ(countRunningInstancesIn(tmp.filePath("none"), "platoris"), 0);
}
