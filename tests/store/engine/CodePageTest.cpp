#include <gtest/gtest.h>

#include <QDate>

#include "EngineTestUtil.h"
#include "engine/Codec.h"
#include "engine/Dataset.h"
#include "engine/EngineError.h"
#include "engine/ParadoxTable.h"

using namespace engine;
using namespace enginetest;

namespace {

// Texts with a character Windows-1251 lacks, and how the refusal names it.
struct Missing {
    QString text;
    QString named;
};

const std::vector<Missing> kMissing = {
    {QStringLiteral("ТОО Әлем"), QStringLiteral("«Ә» (U+04D8)")},
    {QStringLiteral("ғқңөұүһ"),
     QStringLiteral("«ғ» (U+0493), «қ» (U+049B), «ң» (U+04A3), «ө» (U+04E9), «ұ» (U+04B1)")},
    {QStringLiteral("Оплачено ✓"), QStringLiteral("«✓» (U+2713)")},
    {QStringLiteral("½ ставки"), QStringLiteral("«½» (U+00BD)")},
    {QStringLiteral("ООО 北京公司 €"),
     QStringLiteral("«北» (U+5317), «京» (U+4EAC), «公» (U+516C), «司» (U+53F8)")},
    // Characters beyond the first 65,536 are named whole, not as two halves.
    {QStringLiteral("Спасибо 😀😀"), QStringLiteral("«😀» (U+1F600)")},
};

TEST(CodePage, NamesTheWholeCharactersThePageLacksAndKeepsWhatItHas) {
    const Codec& cp = Codec::cp1251();
    for (const Missing& m : kMissing)
        EXPECT_EQ(describeCharacters(cp.missingCharacters(m.text)), m.named)
            << m.text.toStdString();
    // The euro sign, the number sign and the non-breaking blank are in the page.
    const QString kept = QStringLiteral("€ № «» ±\u00A0ЁёЇїІі");
    EXPECT_TRUE(cp.canEncode(kept));
    EXPECT_EQ(cp.decode(cp.encode(kept)), kept);
    EXPECT_EQ(cp.encode(u"€"), std::string("\x88"));
    // The one byte the page leaves unassigned reads as U+FFFD and is written back as itself.
    EXPECT_EQ(cp.encode(cp.decode("\x98")), std::string("\x98"));
}

// Every way a text reaches a table file: a view's field, a dBase record, a Paradox record.
TEST(CodePage, ATextThePageLacksIsRefusedWithItsCharactersNamedAndNothingIsWritten) {
    QTemporaryDir dir;
    const QString dbf = dir.filePath(QStringLiteral("DayData.DBF"));
    DbfTable::create(dbf, dayDataFields(), {});
    const QString db = dir.filePath(QStringLiteral("ReciverNames.db"));
    ParadoxTable::create(db, {{"ListVal", FieldKind::Text, 180, 0}});

    Dataset view(QStringLiteral("TableDayData"));
    view.setFolder(dir.path());
    view.setTableName(QStringLiteral("DayData.DBF"));
    view.open();
    view.append();
    for (const Missing& m : kMissing) {
        try {
            view.fieldByName(QStringLiteral("KOMU")).setValue(m.text);
            ADD_FAILURE() << "accepted " << m.text.toStdString();
        } catch (const EngineError& e) {
            EXPECT_TRUE(e.message().contains(m.named.section(QStringLiteral(", "), 0, 0)))
                << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QStringLiteral("KOMU"))) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QStringLiteral("Windows-1251")))
                << e.message().toStdString();
        }
        EXPECT_TRUE(view.fieldByName(QStringLiteral("KOMU")).isNull());
    }
    // A text whose missing character lies beyond the field's width is cut there and kept.
    view.fieldByName(QStringLiteral("PAY_KIND_N"))
        .setValue(QStringLiteral("215.001.000.000.000 ✓"));
    view.fieldByName(QStringLiteral("KOMU")).setValue(QStringLiteral("ООО «Евро» €"));
    view.post();
    view.close();

    std::shared_ptr<TableFile> dayTable = DbfTable::open(dbf, false);
    std::shared_ptr<TableFile> listTable = ParadoxTable::open(db, false);
    const QString good = QStringLiteral("ООО «Евро» €");
    listTable->appendRecord({good});
    for (const std::shared_ptr<TableFile>& table : {dayTable, listTable}) {
        const int field = table->fieldIndex(table == listTable ? QStringLiteral("ListVal")
                                                               : QStringLiteral("KOMU"));
        Record record(table->fields().size());
        for (const Missing& m : kMissing) {
            record[static_cast<size_t>(field)] = m.text;
            EXPECT_THROW(table->appendRecord(record), EngineError) << m.text.toStdString();
            EXPECT_THROW(table->writeRecord(0, record), EngineError) << m.text.toStdString();
        }
    }
    // Read back by a new opening: the good texts whole, nothing stored in place of a character.
    dayTable.reset();
    listTable.reset();
    for (const std::shared_ptr<TableFile>& table : std::vector<std::shared_ptr<TableFile>>{
             DbfTable::open(dbf, false), ParadoxTable::open(db, false)}) {
        ASSERT_EQ(table->slotCount(), 1);
        EXPECT_EQ(table
                      ->value(0, table->fieldIndex(table->format() == TableFile::Format::DBase
                                                       ? QStringLiteral("KOMU")
                                                       : QStringLiteral("ListVal")))
                      .toString(),
                  good);
    }
    EXPECT_EQ(DbfTable::open(dbf, false)->value(0, 6).toString(),
              QStringLiteral("215.001.000.000.000"));
}

}  // namespace
