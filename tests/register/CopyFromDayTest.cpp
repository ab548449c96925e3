#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>

#include "ChildProcess.h"
#include "CopyFromDay.h"
#include "FileIo.h"
#include "KillAtWrite.h"
#include "RegisterFixture.h"
#include "engine/DbfTable.h"

using namespace registertest;

namespace {

using testing_support::withFileSizeLimit;

class CopyFromDayTest : public RegisterFixture {
protected:
    const QDate source{2008, 10, 10};

    void copy() { reg::CopyFromDay(core).ActionCopyFromExecute(); }
    void copyFrom(const QDate& date) {
        dialogs.dates.push_back(date);
        copy();
    }

    // The source day with two expenses, an income and balances, then the current day with
    // data of its own, which stays open.
    void prepareDays() {
        openDay(source);
        addPayment(core.views.TableDataSourceDayData, "Первый", 100, expenseCode());
        addPayment(core.views.TableDataSourceDayData, "Второй", 250.5, expenseCode());
        addPayment(core.views.TableDataSourceDayIncome, "Покупатель", 75, incomeCode());
        setBalance(core.views.TableStartMoney, 1000);
        setBalance(core.views.TableIncomeSum, 40);
        openDay();
        addPayment(core.views.TableDataSourceDayData, "Старый", 10, expenseCode());
        setBalance(core.views.TableStartMoney, 5);
        dialogs.boxes.clear();
    }
    static void setBalance(engine::Dataset& view, double sum) {
        view.first();
        view.edit();
        view.fieldByName("START_SUM").setAsFloat(sum);
        view.post();
    }

    // Every record and row of a day (or of the folder under it) as its files hold them.
    QStringList dayFiles(const QDate& date, const QString& sub = {}) {
        QStringList lines;
        for (const char* table : {"DayData.DBF", "StartMoney.dbf"}) {
            engine::Dataset all;
            all.setFolder(core.DayFolderOf(date) + sub);
            all.setTableName(QString::fromLatin1(table));
            all.open();
            for (all.first(); !all.eof(); all.next()) {
                QStringList values;
                for (const auto& f : all.fields()) values << f->asString();
                lines << values.join('|');
            }
        }
        return lines;
    }
    // The same with PAY_DATA replaced by a date.
    QStringList redated(const QStringList& lines, const QDate& date) {
        QStringList result;
        const QString text = date.toString("dd.MM.yyyy");
        for (QString line : lines) {
            QStringList values = line.split('|');
            // DayData: the sixth field; StartMoney: the third.
            values[values.size() == 8 ? 5 : 2] = text;
            result << values.join('|');
        }
        return result;
    }
    bool leftovers() const {
        const QDir d(core.DayDir);
        return d.exists(".staging") || d.exists(".staged");
    }
    // One error box whose text begins with `text` (a reason may follow).
    void expectOneErrorBox(const QString& text) {
        ASSERT_EQ(dialogs.boxes.size(), 1u) << dialogs.boxTexts().join("|").toStdString();
        EXPECT_TRUE(dialogs.boxes[0].text.startsWith(text)) << dialogs.boxes[0].text.toStdString();
        EXPECT_EQ(dialogs.boxes[0].caption, "Ошибка");
        EXPECT_EQ(dialogs.boxes[0].style, 16);
        dialogs.boxes.clear();
    }
};

TEST_F(CopyFromDayTest, EveryRefusalLeavesTheDayAsItWas) {
    copy();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text,
              "Текущий день не выбран.\n\rВыберите текущую дату и повторите копирование.");
    EXPECT_TRUE(dialogs.dateCaptions.empty());

    prepareDays();
    const QStringList before = dayFiles(day);
    copy();  // the dialog cancelled
    EXPECT_EQ(dialogs.dateCaptions.back(), "Выберите день-источник");
    EXPECT_TRUE(dialogs.boxes.empty());

    copyFrom(day);
    expectOneErrorBox("День-источник соответствует текущему дню.\n\rКопирование не имеет смысла.");
    copyFrom(QDate(2008, 9, 1));
    expectOneErrorBox("Отсутствуют данные за день-источник.\n\rКопирование невозможно.");
    const QString halfDay = core.DayFolderOf(QDate(2008, 9, 2));
    QDir().mkpath(halfDay);
    QFile::copy(folder.templateData() + "/StartMoney.dbf", halfDay + "/StartMoney.dbf");
    copyFrom(QDate(2008, 9, 2));
    expectOneErrorBox("Данные за день-источник повреждены.\n\rКопирование невозможно.");

    EXPECT_EQ(dayFiles(day), before);
    EXPECT_TRUE(core.views.TableDataSourceDayData.isOpen());
    EXPECT_FALSE(leftovers());
}

TEST_F(CopyFromDayTest, ACopyReplacesTheDayWithTheSourceRedated) {
    prepareDays();
    const QStringList sourceFiles = dayFiles(source);
    const QStringList ownFiles = dayFiles(day);
    copyFrom(source);
    ASSERT_EQ(dialogs.boxes.size(), 1u) << dialogs.boxTexts().join("|").toStdString();
    EXPECT_EQ(dialogs.boxes[0].text, "Копирование завершено успешно.\n\r");
    EXPECT_EQ(dialogs.boxes[0].caption, "Копирование");
    EXPECT_EQ(dialogs.boxes[0].style, 64);

    EXPECT_EQ(dayFiles(day), redated(sourceFiles, day));
    EXPECT_EQ(dayFiles(source), sourceFiles);
    EXPECT_FALSE(leftovers());
    // The replaced day is kept beside it, so that a mistaken copy can be undone.
    EXPECT_EQ(dayFiles(day, "/Replaced"), ownFiles);
    // The day is shown again with its new sums.
    EXPECT_EQ(core.views.TableDataSourceDayData.recordCount(), 2);
    EXPECT_EQ(core.views.TableDataSourceDayIncome.recordCount(), 1);
    EXPECT_DOUBLE_EQ(core.DayOstatok, 1000 + 40 - 350.5);
}

TEST_F(CopyFromDayTest, AFailedCopyLeavesTheDayAsItWas) {
    prepareDays();
    const QStringList before = dayFiles(day);

    // A disk that takes no more: the copy of the first file fails.
    const int rc = withFileSizeLimit(1000, [&] {
        copyFrom(source);
        return dialogs.boxes.size() == 1 &&
                       dialogs.boxes[0].text ==
                           "Не удается скопировать файл.\n\rПричина: файл слишком велик." &&
                       core.views.TableDataSourceDayData.isOpen()
                   ? 0
                   : 1;
    });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(dayFiles(day), before);
    EXPECT_FALSE(leftovers());

    // A source table from another version of the program, without the date to re-date.
    const QString old = core.DayFolderOf(QDate(2008, 9, 3));
    QDir().mkpath(old);
    engine::DbfTable::create(
        old + "/DayData.DBF",
        {{"NPP", engine::FieldKind::SmallInt, 4}, {"KOMU", engine::FieldKind::Text, 50}},
        {{"NPP", "NPP"}});
    engine::DbfTable::open(old + "/DayData.DBF", false)
        ->appendRecord({1, QStringLiteral("Давний")});
    QFile::copy(core.DayDir + "/StartMoney.dbf", old + "/StartMoney.dbf");
    copyFrom(QDate(2008, 9, 3));
    expectOneErrorBox("Копирование завершено с ошибкой.\n\r");
    EXPECT_EQ(dayFiles(day), before);
    EXPECT_FALSE(leftovers());
    EXPECT_TRUE(core.views.TableDataSourceDayData.isOpen());
    EXPECT_EQ(core.views.TableDataSourceDayData.recordCount(), 1);
}

TEST_F(CopyFromDayTest, AKillAtAnyWriteLeavesTheOldDayOrTheWholeCopyAfterTheNextOpening) {
    prepareDays();
    const QStringList expectedNew = redated(dayFiles(source), day);
    // The day as its files are with the tables closed, to start every run from.
    core.groups.SwitchTableGroup(store::kDayGroupTag, core.DayDir, false, false,
                                 core.TemplateDataDir);
    const QStringList before = dayFiles(day);
    QTemporaryDir saved;
    const QStringList files = QDir(core.DayDir).entryList(QDir::Files);
    for (const QString& f : files)
        ASSERT_TRUE(QFile::copy(core.DayDir + "/" + f, saved.filePath(f)));

    int oldSeen = 0, newSeen = 0;
    for (int kill = 1;; ++kill) {
        for (const QString& f : files) {
            QFile::remove(core.DayDir + "/" + f);
            ASSERT_TRUE(QFile::copy(saved.filePath(f), core.DayDir + "/" + f));
        }
        openDay();
        const int rc = withFileSizeLimit(0, [&] {
            testing_support::killAtWrite(kill);
            copyFrom(source);
            return 0;
        });
        openDay();  // the next opening of the day, after the program was stopped
        core.groups.SwitchTableGroup(store::kDayGroupTag, core.DayDir, false, false,
                                     core.TemplateDataDir);
        const QStringList after = dayFiles(day);
        EXPECT_TRUE(after == before || after == expectedNew) << "killed at write " << kill;
        EXPECT_FALSE(leftovers()) << "killed at write " << kill;
        (after == before ? oldSeen : newSeen)++;
        if (rc == 0) break;
        ASSERT_EQ(rc, 137);
        ASSERT_LT(kill, 2000);
    }
    EXPECT_GT(oldSeen, 0);
    EXPECT_GT(newSeen, 1);
}

}  // namespace
