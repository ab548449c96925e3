#include <gtest/gtest.h>

#include <QLocale>
#include <QTemporaryDir>

#include "ErrorBoundary.h"
#include "FieldText.h"
#include "ScriptedDialogs.h"
#include "engine/Dataset.h"
#include "engine/DbfTable.h"
#include "engine/EngineError.h"

using widgets::EditMask;

namespace {

TEST(EditMaskTest, TheCodeMaskBecomesFifteenDigitPlacesWithPointsAndATrailingBlank) {
    const EditMask mask = EditMask::parse(QStringLiteral("!999/999/999/999/999 ;1;_"));
    ASSERT_FALSE(mask.isEmpty());
    EXPECT_EQ(mask.inputMask(), QStringLiteral("000.000.000.000.000 ;_"));
    EXPECT_EQ(mask.blank(), QLatin1Char('_'));
    EXPECT_TRUE(mask.savesLiterals());
}

TEST(EditMaskTest, StoredValuesKeepTheLiteralsAndBlanksInEmptyPlaces) {
    const EditMask mask = EditMask::parse(QStringLiteral("!999/999/999/999/999 ;1;_"));
    EXPECT_EQ(mask.valueOf(QStringLiteral("001.002.003.000.000 ")),
              QStringLiteral("001.002.003.000.000"));
    EXPECT_EQ(mask.valueOf(QStringLiteral("001.002.___.___.___ ")),
              QStringLiteral("001.002.   .   ."));
    EXPECT_EQ(mask.valueOf(QStringLiteral("___.___.___.___.___ ")), QString());
    EXPECT_EQ(mask.valueOf(QStringLiteral("___.___.__7.___.___ ")),
              QStringLiteral("   .   .  7.   ."));
}

TEST(EditMaskTest, TheFilledPrefixIsWhatAListIsSearchedFor) {
    const EditMask mask = EditMask::parse(QStringLiteral("!999/999/999/999/999 ;1;_"));
    EXPECT_EQ(mask.filledPrefix(QStringLiteral("002.0__.___.___.___ ")), QStringLiteral("002.0"));
    EXPECT_EQ(mask.filledPrefix(QStringLiteral("002.___.___.___.___ ")), QStringLiteral("002."));
    EXPECT_EQ(mask.filledPrefix(QStringLiteral("___.___.___.___.___ ")), QString());
    EXPECT_EQ(mask.filledPrefix(QStringLiteral("215.001.000.000.000 ")),
              QStringLiteral("215.001.000.000.000 "));
}

TEST(EditMaskTest, OtherMaskCharactersAndLiteralsNotSaved) {
    const EditMask mask = EditMask::parse(QStringLiteral("00\\A-LL;0;*"));
    EXPECT_EQ(mask.inputMask(), QStringLiteral("99\\A-AA;*"));
    EXPECT_FALSE(mask.savesLiterals());
    EXPECT_EQ(mask.valueOf(QStringLiteral("12A-XY")), QStringLiteral("12XY"));
    EXPECT_TRUE(EditMask::parse(QString()).isEmpty());
}

class FieldTextTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    engine::Dataset view;

    void SetUp() override {
        const QString path = dir.filePath(QStringLiteral("t.dbf"));
        engine::DbfTable::create(
            path,
            {{"SUM", engine::FieldKind::Float, 15, 2}, {"DAY", engine::FieldKind::Date, 8, 0}}, {});
        engine::DbfTable::open(path, false)->appendRecord({-1234567.891, QDate(2008, 10, 13)});
        view.setFolder(dir.path());
        view.setTableName(QStringLiteral("t.dbf"));
        view.addField({QStringLiteral("SUM"), engine::FieldKind::Float, 0, false,
                       QStringLiteral("# ### ##0.00"), QStringLiteral("######0.00")});
        view.addField({QStringLiteral("DAY"), engine::FieldKind::Date});
        view.open();
    }
};

TEST_F(FieldTextTest, NumbersFollowTheDisplayAndEditFormatsWithTheLocaleSeparator) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    engine::Field& sum = view.fieldByName(QStringLiteral("SUM"));
    EXPECT_EQ(widgets::displayText(sum, sum.value()), QStringLiteral("-1 234 567,89"));
    EXPECT_EQ(widgets::editText(sum, sum.value()), QStringLiteral("-1234567,89"));
    // A column's own format wins over the field's.
    EXPECT_EQ(widgets::displayText(sum, sum.value(), QStringLiteral("0")),
              QStringLiteral("-1234568"));
    EXPECT_EQ(widgets::displayText(sum, QVariant()), QString());
    EXPECT_EQ(widgets::generalNumberText(0.5), QStringLiteral("0,5"));
    engine::Field& day = view.fieldByName(QStringLiteral("DAY"));
    EXPECT_EQ(widgets::displayText(day, day.value()), QStringLiteral("13.10.2008"));
    QLocale::setDefault(saved);
}

TEST(ErrorBoundaryTest, ARefusedPostIsSilentAndOtherErrorsAreReportedOnce) {
    store::test::ScriptedDialogs dialogs;
    EXPECT_FALSE(widgets::runGuarded(&dialogs, [] { throw engine::SilentAbort(); }));
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_FALSE(widgets::runGuarded(
        &dialogs, [] { throw engine::EngineError(QStringLiteral("Таблица занята")); }));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Платорис"));
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Таблица занята."));
    EXPECT_EQ(dialogs.boxes[0].style, store::MB_ICONERROR);
    EXPECT_FALSE(widgets::runGuarded(&dialogs, [] { throw std::runtime_error("Нет места!"); }));
    EXPECT_EQ(dialogs.boxes.back().text, QStringLiteral("Нет места!"));
    EXPECT_TRUE(widgets::runGuarded(&dialogs, [] {}));
    EXPECT_EQ(dialogs.boxes.size(), 2u);
    // Without dialogs the error goes to the log and nothing escapes.
    EXPECT_FALSE(
        widgets::runGuarded(nullptr, [] { throw engine::EngineError(QStringLiteral("x")); }));
}

}  // namespace
