#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <functional>

#include "SevenZip.h"
#include "TestFiles.h"
#include "Codec.h"

using testing_support::readFile;
using testing_support::writeFile;
using testing_support::SevenZip;

namespace {

const QString kPassword = QStringLiteral("KVal1736pq");

QByteArray randomBytes(int size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& b : bytes) b = static_cast<char>(QRandomGenerator::global()->bounded(256));
    return bytes;
}

// Runs the built RAR.EXE in a temporary working folder, with a PATH that holds no rar
// unless a test gives one.
class RarAdapterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(sevenZip.program().isEmpty())
            << "7z is missing: scripts/deps installs p7zip-full";
        ASSERT_TRUE(QDir().mkpath(noRar));
    }

    struct Result {
        int exitCode = -1;
        QByteArray errors;
    };

    Result runAdapter(const QStringList& arguments, const QString& path = {},
                      const std::function<void()>& inChild = {}) {
        QProcess p;
        p.setWorkingDirectory(tmp.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PATH"), path.isEmpty() ? noRar : path);
        p.setProcessEnvironment(env);
        p.setStandardInputFile(QProcess::nullDevice());
        if (inChild) p.setChildProcessModifier(inChild);
        p.start(QStringLiteral(PLATORIS_RAR_ADAPTER), arguments);
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) return {};
        return {p.exitCode(), p.readAllStandardError()};
    }

    // The command line of dispatch for an archive and the list file "list.lst".
    static QStringList command(const QString& archive, const QString& password = kPassword) {
        return {"a", "-s", "-dh", "-ep1", "-y", "-m5", "-p" + password, archive, "@list.lst"};
    }
    Result add(const QString& archive, const QStringList& listLines,
               const QString& password = kPassword, const std::function<void()>& inChild = {}) {
        QByteArray list;
        for (const QString& line : listLines)
            list += QByteArray::fromStdString(base::Codec::cp866().encode(line)) + "\r\n";
        writeFile(tmp.filePath("list.lst"), list);
        return runAdapter(command(archive, password), {}, inChild);
    }

    QString makeFile(const QString& relative, const QByteArray& content) {
        const QString path = tmp.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        writeFile(path, content);
        return path;
    }

    QTemporaryDir tmp;
    QString noRar = tmp.filePath("no-rar");
    SevenZip sevenZip;
};

}  // namespace

TEST_F(RarAdapterTest, RefusesAnyOtherCommandLine) {
    makeFile("in/a.txt", "a");
    writeFile(tmp.filePath("list.lst"), tmp.filePath("in/*.*").toUtf8() + "\r\n");
    const QStringList good = command("out.zip");
    const QList<QStringList> refused = {
        {},
        {"x", "-s", "-dh", "-ep1", "-y", "-m5", "-pKVal1736pq", "out.zip", "@list.lst"},
        {"a", "-s", "-dh", "-ep1", "-y", "-pKVal1736pq", "out.zip", "@list.lst"},
        {"a", "-dh", "-s", "-ep1", "-y", "-m5", "-pKVal1736pq", "out.zip", "@list.lst"},
        {"a", "-s", "-dh", "-ep1", "-y", "-m5", "-p", "out.zip", "@list.lst"},
        {"a", "-s", "-dh", "-ep1", "-y", "-m5", "-pKVal1736pq", "out.zip", "list.lst"},
        {"a", "-s", "-dh", "-ep1", "-y", "-m5", "-pKVal1736pq", "out.zip", "@"},
        good + QStringList{"more.txt"},
    };
    for (const QStringList& args : refused) {
        const Result r = runAdapter(args);
        EXPECT_EQ(r.exitCode, 7) << args.join(' ').toStdString();
        EXPECT_TRUE(r.errors.contains("command line not accepted")) << r.errors.toStdString();
        EXPECT_TRUE(r.errors.contains("usage: RAR.EXE a -s -dh -ep1 -y -m5 -p<password>"));
    }
    EXPECT_FALSE(QFileInfo::exists(tmp.filePath("out.zip")));
    EXPECT_EQ(runAdapter(good).exitCode, 0);
    EXPECT_TRUE(QFileInfo::exists(tmp.filePath("out.zip")));
}

TEST_F(RarAdapterTest, OemListOfMasksGivesEncryptedEntriesUnderBareNames) {
    const QByteArray day = randomBytes(70000);
    const QString dayDir = tmp.filePath("Данные дня/2008/10/13");
    makeFile("Данные дня/2008/10/13/DayData.DBF", day);
    makeFile("Данные дня/2008/10/13/DayData.MDX", "index");
    makeFile("Данные дня/2008/10/13/StartMoney.dbf", "money");
    makeFile("Справ/Const.db", "constants");
    makeFile("Справ/KindList.DBF", "not wanted");

    const Result r = add("Отправка.RAR", {dayDir + "/*.*", tmp.filePath("Справ") + "/const.*"});
    ASSERT_EQ(r.exitCode, 0) << r.errors.toStdString();

    const QString archive = tmp.filePath("Отправка.RAR");
    const auto entries = sevenZip.list(archive, kPassword);
    EXPECT_EQ(entries.keys(),
              QStringList({"Const.db", "DayData.DBF", "DayData.MDX", "StartMoney.dbf"}));
    for (const auto& e : entries) {
        EXPECT_TRUE(e.encrypted);
        EXPECT_TRUE(e.method.startsWith("AES-256")) << e.method.toStdString();
    }
    EXPECT_NE(sevenZip.run({"t", "-pwrong", "--", archive}), 0);
    EXPECT_FALSE(sevenZip.extract(archive, "wrong", tmp.filePath("wrong")));
    ASSERT_TRUE(sevenZip.extract(archive, kPassword, tmp.filePath("x")));
    EXPECT_EQ(readFile(tmp.filePath("x/DayData.DBF")), day);
    EXPECT_EQ(readFile(tmp.filePath("x/Const.db")), "constants");
}

TEST_F(RarAdapterTest, AddingToAnArchiveKeepsOldEntriesAndReplacesSameNamed) {
    makeFile("first/a.txt", "old a");
    makeFile("first/b.txt", "old b");
    ASSERT_EQ(add("out.RAR", {tmp.filePath("first/*.*")}).exitCode, 0);
    makeFile("second/B.TXT", "new b");
    makeFile("second/c.txt", "new c");
    ASSERT_EQ(add("out.RAR", {tmp.filePath("second/*.*")}).exitCode, 0);

    const QString archive = tmp.filePath("out.RAR");
    EXPECT_EQ(sevenZip.list(archive, kPassword).keys(), QStringList({"B.TXT", "a.txt", "c.txt"}));
    ASSERT_TRUE(sevenZip.extract(archive, kPassword, tmp.filePath("x")));
    EXPECT_EQ(readFile(tmp.filePath("x/a.txt")), "old a");
    EXPECT_EQ(readFile(tmp.filePath("x/B.TXT")), "new b");
    EXPECT_EQ(readFile(tmp.filePath("x/c.txt")), "new c");
}

// A killed archiver leaves its temporary beside the archive; the next run removes it, but
// never one that a running archiver still holds.
TEST_F(RarAdapterTest, TemporariesOfKilledArchiversAreRemoved) {
    makeFile("first/a.txt", "a");
    const QString stale = makeFile(".KZXR1209.RAR.99999.0.tmp", "");
    const QString held = makeFile(".KZXR1209.RAR.12345.0.tmp", "");
    const int fd = ::open(QFile::encodeName(held).constData(), O_RDONLY);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    ASSERT_EQ(add("KZXR1209.RAR", {tmp.filePath("first/*.*")}).exitCode, 0);
    ::close(fd);
    EXPECT_FALSE(QFileInfo::exists(stale));
    EXPECT_TRUE(QFileInfo::exists(held));
    EXPECT_TRUE(QFileInfo::exists(tmp.filePath("KZXR1209.RAR")));
}

TEST_F(RarAdapterTest, AFailedAddLeavesTheArchiveAsItWas) {
    makeFile("first/a.txt", "old a");
    ASSERT_EQ(add("out.RAR", {tmp.filePath("first/*.*")}).exitCode, 0);
    const QString archive = tmp.filePath("out.RAR");
    const QByteArray before = readFile(archive);
    const QStringList filesBefore = QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden);
    auto unchanged = [&](const char* what) {
        EXPECT_EQ(readFile(archive), before) << what;
        EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), filesBefore) << what;
    };

    // The disk fills up at one write or another: before the first, inside the entries, at the end.
    makeFile("big/big.bin", randomBytes(200000));
    for (const rlim_t limit : {rlim_t(0), rlim_t(100), rlim_t(65536), rlim_t(199000)}) {
        const Result r = add("out.RAR", {tmp.filePath("big/*.*")}, kPassword, [limit] {
            const rlimit l{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &l);
        });
        EXPECT_EQ(r.exitCode, 2) << limit;
        EXPECT_TRUE(r.errors.contains("left as it was")) << r.errors.toStdString();
        // The reason in the user's words, for dispatch to show.
        EXPECT_TRUE(r.errors.contains("Причина: файл слишком велик")) << r.errors.toStdString();
        unchanged("full disk");
    }

    EXPECT_EQ(add("out.RAR", {tmp.filePath("big/*.*")}, "another").exitCode, 2);
    unchanged("another password");
    EXPECT_EQ(add("out.RAR", {tmp.filePath("nothing/*.*")}).exitCode, 10);
    unchanged("no files");

    writeFile(archive, "not an archive");
    EXPECT_EQ(add("out.RAR", {tmp.filePath("big/*.*")}).exitCode, 2);
    EXPECT_EQ(readFile(archive), "not an archive");
}

TEST_F(RarAdapterTest, HandsTheWorkToARealRarOnPath) {
    const QString bin = tmp.filePath("bin");
    QDir().mkpath(bin);
    writeFile(bin + "/rar", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args\"\nexit 3\n", true);
    makeFile("day/DayData.DBF", "d");
    makeFile("sprav/Const.db", "c");
    writeFile(tmp.filePath("list.lst"),
              (tmp.filePath("day/*.*") + "\r\n" + tmp.filePath("sprav/const.*") + "\r\n").toUtf8());

    const Result r = runAdapter(command("out dir/KZXR1013.RAR"), bin);
    EXPECT_EQ(r.exitCode, 3);
    const QStringList expected = {"a",
                                  "-s",
                                  "-dh",
                                  "-ep1",
                                  "-y",
                                  "-m5",
                                  "-pKVal1736pq",
                                  "--",
                                  "out dir/KZXR1013.RAR",
                                  tmp.filePath("day/DayData.DBF"),
                                  tmp.filePath("sprav/Const.db"),
                                  ""};
    EXPECT_EQ(QString::fromUtf8(readFile(bin + "/rar.args")).split('\n'), expected);
}
