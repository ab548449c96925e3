#include <QRegularExpression>

#include "DispatchFixture.h"

using namespace dispatchtest;
using testing_support::readFile;
using testing_support::writeFile;
using Boxes = std::vector<std::tuple<QString, QString, int>>;

TEST_F(DispatchFixture, NoAtTheConfirmationChangesNothing) {
    installRecordingArchiver();
    dialogs.answers.push_back(base::IDNO);
    sender.ActionSendExecute();
    EXPECT_EQ(shownBoxes(), Boxes({kConfirmation}));
    EXPECT_FALSE(QFileInfo::exists(listFile()));
    EXPECT_FALSE(QFileInfo::exists(argsFile));
    EXPECT_TRUE(dayAndReferenceOpen());
}

TEST_F(DispatchFixture, WrongConstantsStopBeforeTheTablesWithTheListFileWritten) {
    installRecordingArchiver();
    const QString constants = QStringLiteral("Справочник констант заполнен неправильно.");
    const QString prefix = QStringLiteral("Префикс отправки указан неправильно.");
    const QString folderText = QStringLiteral("Каталог для отправки указан неправильно.");
    // A folder that exists but whose name the OEM code page cannot carry (і, ў).
    const QString nonOem = folder.filePath("відправка ў");
    ASSERT_TRUE(QDir().mkpath(nonOem));
    const struct {
        const char* name;
        std::function<void()> arrange;
        QString message;
    } cases[] = {
        {"no RodazPath", [&] { removeConst("RodazPath"); }, constants},
        {"no SendPrefix", [&] { removeConst("SendPrefix"); }, constants},
        {"prefix of 1", [&] { setConst("SendPrefix", "K"); }, prefix},
        {"prefix of 3", [&] { setConst("SendPrefix", "KZX"); }, prefix},
        {"empty folder", [&] { setConst("RodazPath", ""); }, folderText},
        {"missing folder", [&] { setConst("RodazPath", folder.filePath("nowhere")); }, folderText},
        {"non-OEM folder", [&] { setConst("RodazPath", nonOem); }, folderText},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setConst("RodazPath", sendFolder);
        setConst("SendPrefix", "KZ");
        c.arrange();
        QFile::remove(listFile());
        dialogs.boxes.clear();
        send();
        EXPECT_EQ(shownBoxes(), Boxes({kConfirmation, {c.message, "Ошибка", 16}}));
        EXPECT_EQ(readFile(listFile()), expectedListFile());
        EXPECT_TRUE(dayAndReferenceOpen());
        EXPECT_FALSE(QFileInfo::exists(argsFile));
    }
}

TEST_F(DispatchFixture, QueuedArchiveAfterTheExactCommandOnARenumberedDay) {
    addPayment(core.views.TableDataSourceDayData, "Поставщик 1", 100, expenseCode());
    addPayment(core.views.TableDataSourceDayIncome, "Покупатель", 50, incomeCode());
    addPayment(core.views.TableDataSourceDayData, "Поставщик 2", 200, expenseCode());
    {
        // Numbers and dates as a day copied from elsewhere may carry them.
        engine::Dataset raw;
        raw.setFolder(core.DayDir);
        raw.setTableName(QStringLiteral("DayData.DBF"));
        raw.open();
        int npp = 9;
        for (raw.first(); !raw.eof(); raw.next()) {
            raw.edit();
            raw.fieldByName("NPP").setAsInteger(npp--);
            raw.fieldByName("PAY_DATA").setAsDate(QDate(2001, 1, 1));
            raw.post();
        }
    }
    installRecordingArchiver();
    send();

    EXPECT_EQ(shownBoxes(), Boxes({kConfirmation, kQueued}));
    // The outcome is told over the reopened day, not over an emptied window.
    EXPECT_EQ(tablesOpenAtBox, std::vector<bool>({true, true}));
    EXPECT_EQ(QString::fromUtf8(readFile(argsFile)).split('\n'),
              QStringList({"a", "-s", "-dh", "-ep1", "-y", "-m5", "-pKVal1736pq", archive(),
                           "@AddRAR.LST", folder.path(), ""}));
    EXPECT_EQ(readFile(listFile()), expectedListFile());
    EXPECT_EQ(readFile(folder.filePath("TtyLog.TXT")), "archiver output\n");
    EXPECT_EQ(stored("NPP"), QStringList({"1", "2", "3"}));
    EXPECT_EQ(stored("PAY_DATA"), QStringList(3, "13.10.2008"));
    EXPECT_TRUE(dayAndReferenceOpen());
}

TEST_F(DispatchFixture, SendFolderWithBlanksAndShellCharactersIsOnlyAPath) {
    sendFolder = folder.filePath("send to \"head\" $(touch x) `touch y`; z & w");
    ASSERT_TRUE(QDir().mkpath(sendFolder));
    setConst("RodazPath", sendFolder + "/");
    installRecordingArchiver();
    send();
    EXPECT_EQ(shownBoxes(), Boxes({kConfirmation, kQueued}));
    EXPECT_EQ(QString::fromUtf8(readFile(argsFile)).split('\n').value(7), archive());
    EXPECT_TRUE(QFileInfo::exists(archive()));
    for (const QString made : {"x", "y", "z", "w"})
        EXPECT_FALSE(QFileInfo::exists(folder.filePath(made))) << made.toStdString();
}

TEST_F(DispatchFixture, ArchiverThatCannotStart) {
    send();
    EXPECT_EQ(shownBoxes(), Boxes({kConfirmation,
                                   {"Ошибка выполнения команды.", "Ошибка", 16},
                                   {"Не удалось выполнить команду упаковки.", "Отправка", 16}}));
    EXPECT_FALSE(dialogs.boxes[1].ownedByApplication);
    EXPECT_EQ(tablesOpenAtBox, std::vector<bool>({true, false, true}));
    EXPECT_TRUE(dayAndReferenceOpen());
}

TEST_F(DispatchFixture, ArchiverThatMakesNoArchiveIsReportedEvenWithAnOldOneThere) {
    installFakeArchiver("exit 0\n");
    send();
    EXPECT_EQ(shownBoxes(), Boxes({kConfirmation, kNoArchive}));
    EXPECT_EQ(tablesOpenAtBox, std::vector<bool>({true, true}));
    EXPECT_TRUE(dayAndReferenceOpen());

    // The archive of an earlier dispatch of this day (or of the same date a year ago) is
    // still there: it is not this dispatch's archive.
    writeFile(archive(), "an earlier archive");
    dialogs.boxes.clear();
    send();
    EXPECT_EQ(shownBoxes(), Boxes({kConfirmation, kNoArchive}));
    EXPECT_EQ(readFile(archive()), "an earlier archive");

    // An archiver that says why (as the program's own does) has its reason shown.
    installFakeArchiver("echo 'RAR.EXE: Причина: нет места на диске' >&2\nexit 2\n");
    dialogs.boxes.clear();
    send();
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text, "Не удалось создать архив.\n\rПричина: нет места на диске.");
}

TEST_F(DispatchFixture, HangingArchiverIsLeftAfterTheWaitLimit) {
    const QString pidFile = folder.filePath("hang.pid");
    installFakeArchiver("echo $$ > \"" + QFile::encodeName(pidFile) + "\"\nexec /bin/sleep 60\n");
    sender.archiverWaitLimit = 300ms;
    sender.archivePause = 100ms;
    send();  // the archiver sleeps a minute: were the limit not kept, it would be over below
    EXPECT_EQ(shownBoxes(), Boxes({kConfirmation, kNoArchive}));
    EXPECT_TRUE(dayAndReferenceOpen());

    const pid_t pid = readFile(pidFile).trimmed().toInt();
    ASSERT_GT(pid, 0);
    EXPECT_EQ(::kill(pid, 0), 0) << "the archiver goes on alone";
    ::kill(pid, SIGKILL);
}
