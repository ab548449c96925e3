#include <gtest/gtest.h>

#include "EngineTestUtil.h"
#include "Codec.h"
#include "engine/Dataset.h"
#include "EngineError.h"
#include "engine/ParadoxTable.h"

using namespace engine;
using namespace base;

namespace {

// Texts with characters Windows-1251 lacks, and how they are named: whole, also beyond the
// first 65,536 characters (two UTF-16 units), each once.
const std::vector<std::pair<QString, QString>> kMissing = {
    {QStringLiteral("ТОО Әлем қ"), QStringLiteral("«Ә» (U+04D8), «қ» (U+049B)")},
    {QStringLiteral("Оплачено ✓ ½"), QStringLiteral("«✓» (U+2713), «½» (U+00BD)")},
    {QStringLiteral("ООО 北京 €"), QStringLiteral("«北» (U+5317), «京» (U+4EAC)")},
    {QStringLiteral("Спасибо 😀😀"), QStringLiteral("«😀» (U+1F600)")},
};

// Every way a text reaches a table file refuses such a text, naming its characters, and writes
// nothing; the euro sign (0x88) and the page's other characters are kept.
TEST(CodePage, ATextThePageLacksIsRefusedWithItsCharactersNamedAndNeverStoredAsQuestionMarks) {
    // The page's unassigned byte reads as U+FFFD and is written back as itself.
    EXPECT_EQ(Codec::cp1251().encode(Codec::cp1251().decode("\x98")), std::string("\x98"));

    QTemporaryDir dir;
    DbfTable::create(dir.filePath(QStringLiteral("DayData.DBF")), enginetest::dayDataFields(), {});
    ParadoxTable::create(dir.filePath(QStringLiteral("ReciverNames.db")),
                         {{"ListVal", FieldKind::Text, 180, 0}});
    const QString kept = QStringLiteral("ООО «Евро» € №\u00A0Ёё");
    for (const char* file : {"DayData.DBF", "ReciverNames.db"}) {
        Dataset view;
        view.setFolder(dir.path());
        view.setTableName(QString::fromLatin1(file));
        view.open();
        Field& name = *view.fields()[view.hasField(QStringLiteral("KOMU")) ? 1 : 0];
        view.append();
        for (const auto& [text, named] : kMissing) {
            QString refusal;
            try {
                name.setValue(text);
            } catch (const EngineError& e) {
                refusal = e.message();
            }
            EXPECT_TRUE(refusal.contains(named) &&
                        refusal.contains(name.name() + " таблицы " + file))
                << refusal.toStdString();
        }
        name.setValue(kept);
        view.post();
        // The table file itself, below the view, refuses as well.
        std::shared_ptr<TableFile> table =
            view.tableFormat() == TableFile::Format::DBase
                ? std::shared_ptr<TableFile>(DbfTable::open(view.tablePath(), false))
                : ParadoxTable::open(view.tablePath(), false);
        Record record(table->fields().size());
        for (const auto& [text, named] : kMissing) {
            record[static_cast<size_t>(table->fieldIndex(name.name()))] = text;
            EXPECT_THROW(table->appendRecord(record), EngineError);
            EXPECT_THROW(table->writeRecord(0, record), EngineError);
        }
        view.refresh();
        EXPECT_EQ(view.recordCount(), 1);
        EXPECT_EQ(name.asString(), kept);
    }
}

}  // namespace
