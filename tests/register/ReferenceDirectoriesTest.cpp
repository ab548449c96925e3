#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <array>

#include "KindListText.h"
#include "ReferenceDirectories.h"
#include "RegisterFixture.h"

using namespace registertest;

namespace {

class ReferenceDirectoriesTest : public RegisterFixture {
protected:
    reg::ReferenceDirectories directories{core};

    QString constant(const QString& key) {
        QString value = QStringLiteral("<none>");
        if (!core.ReadConst(key, value)) return QStringLiteral("<none>");
        return value;
    }
    void dropConstant(const QString& key) {
        while (core.views.TableConst.locate(QStringLiteral("ConstName"), key))
            core.views.TableConst.remove();
        core.views.TableRodazPath.refresh();
        core.views.TablePName.refresh();
    }
    // The plant list puts the picked name into the plant name row, then tells the window.
    void pickPlant(const QString& name) {
        core.views.TablePName.edit();
        core.views.TablePName.fieldByName("ConstVal").setAsString(name);
        directories.DBLookupComboBox1Click(name);
    }
    QString shownPrefix() {
        engine::Dataset& others = core.views.TableConstEdit;
        return others.locate("ConstName", "SendPrefix") ? others.fieldByName("ConstVal").asString()
                                                        : QString("<none>");
    }
    // Counts the posts of a view from now on.
    int* countPosts(engine::Dataset& view) {
        hooks_ += view.afterPost.add([this](engine::Dataset&) { ++posts_; });
        return &posts_;
    }

private:
    int posts_ = 0;
    engine::Connections hooks_;
};

TEST_F(ReferenceDirectoriesTest, APickedPlantStoresItsNameAndItsPrefixTogether) {
    openDay();
    const QString plant = QStringLiteral("ООО «Северный литейный завод»");
    pickPlant(plant);
    EXPECT_EQ(constant("PlantName"), plant);
    EXPECT_EQ(constant("SendPrefix"), QStringLiteral("SL"));
    EXPECT_EQ(shownPrefix(), QStringLiteral("SL"));

    // A plant without a prefix leaves the prefix empty (dispatch then refuses with its message).
    engine::Dataset& plants = core.views.TablePlantNames;
    plants.append();
    plants.fieldByName("PLANT_NAME").setAsString(QStringLiteral("Завод без префикса"));
    plants.post();
    pickPlant(QStringLiteral("Завод без префикса"));
    EXPECT_EQ(constant("PlantName"), QStringLiteral("Завод без префикса"));
    EXPECT_EQ(constant("SendPrefix"), QString());
    EXPECT_EQ(shownPrefix(), QString());

    // Without a plant name row, the pick makes one.
    dropConstant("PlantName");
    pickPlant(plant);
    EXPECT_EQ(constant("PlantName"), plant);
    EXPECT_EQ(constant("SendPrefix"), QStringLiteral("SL"));
    EXPECT_TRUE(dialogs.boxes.empty()) << dialogs.boxTexts().join("|").toStdString();
}

TEST_F(ReferenceDirectoriesTest,
       TheFolderChooserStoresOnlyAChosenFolderAndRestoresTheWorkingFolder) {
    openDay();
    QDir::setCurrent(core.ProgDir);
    QTemporaryDir elsewhere;
    dialogs.whileFolderDialogOpen = [&](const QString&) { QDir::setCurrent(elsewhere.path()); };

    // Cancel: nothing written.
    const int* posts = countPosts(core.views.TableConst);
    directories.ButDirSelectClick(QStringLiteral("/start/here"));
    EXPECT_EQ(dialogs.folderStarts, std::vector<QString>{"/start/here"});
    EXPECT_EQ(QDir::currentPath(), QDir(core.ProgDir).canonicalPath());
    EXPECT_EQ(constant("RodazPath"), QString());
    EXPECT_EQ(*posts, 0);

    // OK on an existing folder: stored without a closing separator, and shown.
    QDir::setCurrent(core.ProgDir);
    dialogs.folders.push_back(elsewhere.path() + "/");
    directories.ButDirSelectClick(QString());
    EXPECT_EQ(QDir::currentPath(), QDir(core.ProgDir).canonicalPath());
    EXPECT_EQ(constant("RodazPath"), elsewhere.path());
    EXPECT_EQ(core.views.TableRodazPath.fieldByName("ConstVal").asString(), elsewhere.path());

    // A typed folder that does not exist: created and stored after Yes; No stores nothing.
    const QString refused = elsewhere.path() + "/Нет";
    dialogs.folders.push_back(refused);
    dialogs.answers.push_back(base::IDNO);
    directories.ButDirSelectClick(elsewhere.path());
    EXPECT_FALSE(QFileInfo::exists(refused));
    EXPECT_EQ(constant("RodazPath"), elsewhere.path());

    const QString created = elsewhere.path() + "/Отправка/Управление";
    dialogs.folders.push_back(created);
    dialogs.answers.push_back(base::IDYES);
    directories.ButDirSelectClick(elsewhere.path());
    EXPECT_TRUE(QFileInfo(created).isDir());
    EXPECT_EQ(constant("RodazPath"), created);
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text, "Каталог \"" + created + "\" не существует.\n\rСоздать его?");
    EXPECT_EQ(dialogs.boxes[1].style, base::MB_YESNO | base::MB_ICONQUESTION);
}

TEST_F(ReferenceDirectoriesTest, EnterInTheSendFolderEditStoresOnlyWhatWasTyped) {
    openDay();
    engine::Dataset& row = core.views.TableRodazPath;
    const int* posts = countPosts(row);
    directories.DBEdit1KeyDown(reg::ReferenceDirectories::kEnterKey);
    directories.TabSheet1Hide();
    EXPECT_EQ(*posts, 0);

    row.edit();
    row.fieldByName("ConstVal").setAsString("/srv/send");
    directories.DBEdit1KeyDown('A');
    EXPECT_TRUE(row.isEditing());
    directories.DBEdit1KeyDown(reg::ReferenceDirectories::kEnterKey);
    EXPECT_EQ(*posts, 1);
    EXPECT_EQ(constant("RodazPath"), "/srv/send");
}

TEST_F(ReferenceDirectoriesTest, TypingIntoAnEmptySendFolderEditMakesTheSendFolderRow) {
    openDay();
    dropConstant("RodazPath");
    engine::Dataset& row = core.views.TableRodazPath;
    ASSERT_TRUE(row.isEmpty());
    row.edit();  // what typing does: an empty view gets a new row
    ASSERT_EQ(row.state(), engine::Dataset::State::Insert);
    row.fieldByName("ConstVal").setAsString("/srv/send");
    directories.TabSheet1Hide();
    EXPECT_EQ(constant("RodazPath"), "/srv/send");
    EXPECT_EQ(core.views.TableConst.fieldByName("ViewName").asString(),
              "Каталог для отправки в управление");
    EXPECT_EQ(row.recordCount(), 1);
}

TEST_F(ReferenceDirectoriesTest, BankSynchronisationRebuildsTheCurrentDayOnlyAfterYes) {
    openDay(QDate(2008, 10, 12));
    core.views.TableStartMoney.first();
    core.views.TableStartMoney.edit();
    core.views.TableStartMoney.fieldByName("START_SUM").setAsFloat(700);
    core.views.TableStartMoney.post();
    openDay();
    store::DataViews& v = core.views;
    v.TableStartMoney.first();
    v.TableStartMoney.edit();
    v.TableStartMoney.fieldByName("START_SUM").setAsFloat(1000);
    v.TableStartMoney.post();
    const QString firstBank = v.TableStartMoney.fieldByName("BANK_NAME").asString();
    ASSERT_DOUBLE_EQ(core.DayOstatok, 1000);

    // The mark is taken off in the grid, the list not yet synchronised.
    ASSERT_TRUE(v.TableBankNames.locate("ListVal", firstBank));
    const int bankRow = v.TableBankNames.recNo();
    v.TableBankNames.edit();
    v.TableBankNames.fieldByName("Used").setAsBoolean(false);

    dialogs.answers.push_back(base::IDNO);
    directories.ButBankListSyncClick();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text,
              "      После выполнения этой команды\n\rВам придется заново ввести остатки\n\r"
              "на начало дня в окне текущих данных.\n\rПродолжить?");
    EXPECT_EQ(dialogs.boxes[0].caption, "Внимание");
    EXPECT_EQ(dialogs.boxes[0].style, 0x34);
    EXPECT_TRUE(v.TableBankNames.isEditing());
    EXPECT_DOUBLE_EQ(core.DayOstatok, 1000);
    EXPECT_TRUE(core.pickLists.expenseGrid.banks.contains(firstBank));

    dialogs.answers.push_back(base::IDYES);
    directories.ButBankListSyncClick();
    ASSERT_EQ(dialogs.boxes.size(), 3u);
    EXPECT_EQ(dialogs.boxes[2].text, "Список синхронизирован.");
    EXPECT_EQ(dialogs.boxes[2].caption, "Результат");
    EXPECT_EQ(dialogs.boxes[2].style, 64);
    EXPECT_FALSE(v.TableBankNames.isEditing());
    EXPECT_EQ(v.TableBankNames.recNo(), bankRow);
    QStringList rows;
    for (v.TableStartMoney.first(); !v.TableStartMoney.eof(); v.TableStartMoney.next()) {
        rows << v.TableStartMoney.fieldByName("BANK_NAME").asString();
        EXPECT_TRUE(v.TableStartMoney.fieldByName("START_SUM").isNull());
    }
    EXPECT_FALSE(rows.contains(firstBank));
    EXPECT_EQ(rows, core.pickLists.startMoneyGrid.banks);
    for (const reg::GridPickLists* lists :
         {&core.pickLists.expenseGrid, &core.pickLists.incomeGrid})
        EXPECT_FALSE(lists->banks.contains(firstBank));
    EXPECT_DOUBLE_EQ(core.DayOstatok, 0);

    // The other day keeps its balances.
    openDay(QDate(2008, 10, 12));
    v.TableStartMoney.first();
    EXPECT_DOUBLE_EQ(v.TableStartMoney.fieldByName("START_SUM").asFloat(), 700);
}

TEST_F(ReferenceDirectoriesTest, TheCatalogueTextIsIndentedByTheNamesFilledFromTheFirst) {
    openDay();
    {
        engine::Dataset kinds;
        kinds.setFolder(core.SpravDir);
        kinds.setTableName("KindList.DBF");
        kinds.open();
        while (!kinds.isEmpty()) {
            kinds.first();
            kinds.remove();
        }
        auto add = [&](std::array<int, 5> levels, std::array<const char*, 5> names) {
            kinds.append();
            for (int i = 0; i < 5; ++i) {
                kinds.fieldByName(QString("LEVEL%1").arg(i + 1)).setAsInteger(levels[size_t(i)]);
                kinds.fieldByName(QString("NAME%1").arg(i + 1))
                    .setAsString(QString::fromUtf8(names[size_t(i)]));
            }
            kinds.post();
        };
        add({1, 2, 3, 4, 5}, {"Класс", "Подкласс", "Группа", "Подгруппа", "Статья"});
        add({7, 0, 0, 0, 0}, {"", "Без класса", "", "", ""});
        add({2, 0, 3, 0, 0}, {"Расходы", "", "Группа", "", ""});
    }
    core.views.TableKindList.close();
    core.views.TableKindList.open();
    EXPECT_EQ(reg::BuildKindListText(core.views.TableKindList),
              (QStringList{"\t\t\t\t\t1.2.3.4.5\tСтатья", "7.0.0.0.0\t", "\t2.0.3.0.0\tРасходы"}));
    EXPECT_EQ(core.views.TableKindList.recNo(), 1);
}

}  // namespace
