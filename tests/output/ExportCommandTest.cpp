#include <QDir>
#include <QFileInfo>

#include "OutputFixture.h"
#include "EngineError.h"

using namespace outputtest;
using output::ExportKind;

TEST(ExportKindOf, UpperCasedExtensionChoosesTheWriter) {
    using output::exportKindOf;
    EXPECT_EQ(exportKindOf(QStringLiteral("/d/day.HTM")), ExportKind::Html);
    EXPECT_EQ(exportKindOf(QStringLiteral("/d/day.htm")), ExportKind::Html);
    EXPECT_EQ(exportKindOf(QStringLiteral("/d/day.Htm")), ExportKind::Html);
    EXPECT_EQ(exportKindOf(QStringLiteral("/d/day.txt")), ExportKind::Text);
    EXPECT_EQ(exportKindOf(QStringLiteral("/d/day.Xls")), ExportKind::Xls);
    EXPECT_EQ(exportKindOf(QStringLiteral("/d/day.rtf")), ExportKind::Rtf);
    EXPECT_EQ(exportKindOf(QStringLiteral("/d/day.Xlsx")), ExportKind::Xlsx);
    EXPECT_EQ(exportKindOf(QStringLiteral("/d/day.xls.xlsx")), ExportKind::Xlsx);
    EXPECT_EQ(exportKindOf(QStringLiteral("/d/day.html")), std::nullopt);
    EXPECT_EQ(exportKindOf(QStringLiteral("/d/day.csv")), std::nullopt);
    EXPECT_EQ(exportKindOf(QStringLiteral("/d/day")), std::nullopt);
    EXPECT_EQ(exportKindOf(QStringLiteral("/d.htm/day")),
              std::nullopt);  // a point in a folder name is no extension
    EXPECT_EQ(exportKindOf(QStringLiteral("/d/day.txt.htm")), ExportKind::Html);
}

TEST(ExportKindOf, DefaultExtensionOnlyForNamesWithoutOne) {
    using output::withDefaultExtension;
    EXPECT_EQ(withDefaultExtension(QStringLiteral("/d/day")), QStringLiteral("/d/day.HTM"));
    EXPECT_EQ(withDefaultExtension(QStringLiteral("/d.x/day")), QStringLiteral("/d.x/day.HTM"));
    EXPECT_EQ(withDefaultExtension(QStringLiteral("/d/day.csv")), QStringLiteral("/d/day.csv"));
    EXPECT_EQ(withDefaultExtension(QStringLiteral("/d/day.txt")), QStringLiteral("/d/day.txt"));
}

class ExportCommand : public OutputFixture {
protected:
    void SetUp() override {
        OutputFixture::SetUp();
        previous = QDir::currentPath();
        QDir::setCurrent(folder.path());
        out = folder.filePath(QStringLiteral("out"));
        QDir().mkpath(out);
    }
    void TearDown() override { QDir::setCurrent(previous); }

    // Runs the command with the dialog answering `name` (relative to the out folder).
    void exportAs(const QString& name) {
        dialogs.fileNames.push_back(name.isNull() ? QString() : out + "/" + name);
        output::ActionSaveAsExecute(grid, dialogs);
    }
    QStringList written() const { return QDir(out).entryList(QDir::Files); }

    QString previous, out;
};

TEST_F(ExportCommand, AsksWithTheExportDialog) {
    exportAs(QString());
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(dialogs.saveRequests[0].title, QStringLiteral("Сохранить таблицу как..."));
    EXPECT_EQ(dialogs.saveRequests[0].filter,
              QStringLiteral("Web-страница ( *.htm)|*.HTM|Текстовые файлы (*.txt)|*.TXT|RTF файл "
                             "(*.RTF)|*.RTF|Excel файл (*.xls)|*.XLS|Книга Excel (*.xlsx)|*.XLSX"));
    EXPECT_EQ(dialogs.saveRequests[0].defaultExtension, QStringLiteral("HTM"));
    EXPECT_TRUE(written().isEmpty());
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(ExportCommand, EachExtensionWritesItsFormatWhateverItsCase) {
    addTwoExpenses();
    exportAs(QStringLiteral("a.htm"));
    exportAs(QStringLiteral("b.Htm"));
    exportAs(QStringLiteral("c.TXT"));
    exportAs(QStringLiteral("d.xls"));
    exportAs(QStringLiteral("e.Rtf"));
    exportAs(QStringLiteral("f.XLSX"));
    EXPECT_EQ(readFile(out + "/a.htm"),
              exportBytes(ExportKind::Html, output::ExportEnvironment::current()));
    EXPECT_EQ(readFile(out + "/b.Htm"), readFile(out + "/a.htm"));
    EXPECT_EQ(readFile(out + "/c.TXT"), exportBytes(ExportKind::Text));
    EXPECT_EQ(readFile(out + "/d.xls"), exportBytes(ExportKind::Xls));
    EXPECT_EQ(readFile(out + "/e.Rtf"),
              exportBytes(ExportKind::Rtf, output::ExportEnvironment::current()));
    EXPECT_EQ(readFile(out + "/f.XLSX").substr(0, 4), std::string("PK\x03\x04", 4));
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(ExportCommand, ANameWithoutExtensionGetsHtm) {
    addTwoExpenses();
    exportAs(QStringLiteral("day"));
    EXPECT_EQ(written(), QStringList{QStringLiteral("day.HTM")});
    EXPECT_EQ(readFile(out + "/day.HTM").substr(0, 15), "<!DOCTYPE HTML ");
}

TEST_F(ExportCommand, AnUnknownExtensionWritesNothingAndSaysNothing) {
    addTwoExpenses();
    exportAs(QStringLiteral("day.html"));
    exportAs(QStringLiteral("day.csv"));
    exportAs(QStringLiteral("day.htm.bak"));
    EXPECT_TRUE(written().isEmpty());
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(ExportCommand, WorkingFolderIsRestoredAfterTheDialog) {
    addTwoExpenses();
    dialogs.whileSaveDialogOpen = [this](const base::SaveFileRequest&) { QDir::setCurrent(out); };
    exportAs(QStringLiteral("day.txt"));
    EXPECT_EQ(QDir::currentPath(), QDir(folder.path()).canonicalPath());
    exportAs(QString());  // cancelled after browsing
    EXPECT_EQ(QDir::currentPath(), QDir(folder.path()).canonicalPath());
    // The tables are still reached through the program folder.
    expenses().first();
    EXPECT_EQ(expenses().recordCount(), 2);
}

TEST_F(ExportCommand, ExportsTheExpensesWhicheverPageIsShowing) {
    addTwoExpenses();
    addPayment(incomes(), QStringLiteral("ООО Покупатель"), 777, incomeCode(),
               QStringLiteral("Выручка"), QStringLiteral("Сбербанк"));
    incomes().first();  // the incomes page is the one in use
    exportAs(QStringLiteral("day.txt"));
    const QString text = fromCp1251(readFile(out + "/day.txt"));
    EXPECT_TRUE(text.contains(QStringLiteral("ООО Ромашка")));
    EXPECT_TRUE(text.contains(QStringLiteral("ИП Петров")));
    EXPECT_FALSE(text.contains(QStringLiteral("Покупатель")));
    EXPECT_FALSE(text.contains(QStringLiteral("777")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("\t 1 240,00\t")));
    EXPECT_EQ(incomes().fieldByName("KOMU").asString(), QStringLiteral("ООО Покупатель"));
}

TEST_F(ExportCommand, AFileThatCannotBeCreatedReachesTheCaller) {
    dialogs.fileNames.push_back(folder.filePath(QStringLiteral("нет/day.htm")));
    EXPECT_THROW(output::ActionSaveAsExecute(grid, dialogs), base::EngineError);
    EXPECT_EQ(QDir::currentPath(), QDir(folder.path()).canonicalPath());
    EXPECT_FALSE(expenses().controlsDisabled());
}
