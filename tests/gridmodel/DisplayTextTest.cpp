#include <gtest/gtest.h>

#include <QLocale>
#include <QTemporaryDir>

#include "DisplayText.h"
#include "engine/Dataset.h"
#include "engine/DbfTable.h"

using gridmodel::EditMask;
using gridmodel::formatMaskText;

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

TEST(EditMaskText, CostItemCodeShowsItsSeparatorsAndTheClosingBlank) {
    const QString mask = QStringLiteral("!999/999/999/999/999 ;1;_");
    EXPECT_EQ(formatMaskText(mask, QStringLiteral("215.001.000.000.000")),
              QStringLiteral("215.001.000.000.000 "));
    // Stored with the blank the editor leaves: the same text.
    EXPECT_EQ(formatMaskText(mask, QStringLiteral("215.001.000.000.000 ")),
              QStringLiteral("215.001.000.000.000 "));
    // An incomplete code keeps every separator at its place.
    EXPECT_EQ(formatMaskText(mask, QStringLiteral("215.001")),
              QStringLiteral("215.001.   .   .    "));
    EXPECT_EQ(formatMaskText(mask, QString()), QStringLiteral("   .   .   .   .    "));
    // The separator is the program's date separator, whatever was stored at its place.
    EXPECT_EQ(formatMaskText(mask, QStringLiteral("215/001/000/000/000")),
              QStringLiteral("215.001.000.000.000 "));
}

TEST(EditMaskText, OtherMaskRules) {
    EXPECT_EQ(formatMaskText(QStringLiteral("!000;0;_"), QStringLiteral("12")),
              QStringLiteral(" 12"));
    EXPECT_EQ(formatMaskText(QStringLiteral("000;0;_"), QStringLiteral("12")),
              QStringLiteral("12 "));
    EXPECT_EQ(formatMaskText(QStringLiteral("(000) 00-00;0;_"), QStringLiteral("4951234")),
              QStringLiteral("(495) 12-34"));
    EXPECT_EQ(formatMaskText(QStringLiteral(">LL<ll<>cc;0"), QStringLiteral("abCDeF")),
              QStringLiteral("ABcdeF"));
    EXPECT_EQ(formatMaskText(QStringLiteral("\\A\\;00;0;_"), QStringLiteral("12")),
              QStringLiteral("A;12"));
    EXPECT_EQ(formatMaskText(QStringLiteral("00:00;1;_"), QStringLiteral("12:30")),
              QStringLiteral("12:30"));
    EXPECT_EQ(formatMaskText(QString(), QStringLiteral("as is")), QStringLiteral("as is"));
}

TEST(GeneralNumberText, FifteenDigitsInFixedNotationWithTheDecimalComma) {
    EXPECT_EQ(gridmodel::generalNumberText(5), QStringLiteral("5"));
    EXPECT_EQ(gridmodel::generalNumberText(1234.5), QStringLiteral("1234,5"));
    EXPECT_EQ(gridmodel::generalNumberText(0.1 + 0.2), QStringLiteral("0,3"));
    EXPECT_EQ(gridmodel::generalNumberText(-2.25), QStringLiteral("-2,25"));
}

// The screen and the exports had a display text each; where they gave different answers the
// one display text gives these.
TEST(DisplayText, OneAnswerWhereTheScreenAndTheExportsDisagreed) {
    // Numbers without a format never switch to an exponent ("1E20" before in exports).
    EXPECT_EQ(gridmodel::generalNumberText(1e20), QStringLiteral("100000000000000000000"));
    EXPECT_EQ(gridmodel::generalNumberText(-1.5e17), QStringLiteral("-150000000000000000"));
    EXPECT_EQ(gridmodel::generalNumberText(1e-5), QStringLiteral("0,00001"));
    EXPECT_EQ(gridmodel::generalNumberText(123456789012.345), QStringLiteral("123456789012,345"));
    // "<>" ends case conversion for the editor as for the text shown; "_" is a blank.
    EXPECT_EQ(EditMask::parse(QStringLiteral(">L<>l;0")).inputMask(), QStringLiteral(">A!a;_"));
    EXPECT_EQ(formatMaskText(QStringLiteral(">L<>l;0"), QStringLiteral("aB")), QStringLiteral("AB"));
    EXPECT_EQ(formatMaskText(QStringLiteral("00_00;0"), QStringLiteral("1234")), QStringLiteral("12 34"));
    EXPECT_EQ(EditMask::parse(QStringLiteral("00_00;0")).inputMask(), QStringLiteral("99 99;_"));
}

TEST(FieldDisplayText, ByKindFormatAndMask) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("T.DBF"));
    engine::DbfTable::create(path,
                             {{QStringLiteral("F"), engine::FieldKind::Float, 12, 2},
                              {QStringLiteral("G"), engine::FieldKind::Float, 12, 2},
                              {QStringLiteral("I"), engine::FieldKind::SmallInt, 4, 0},
                              {QStringLiteral("D"), engine::FieldKind::Date, 8, 0},
                              {QStringLiteral("C"), engine::FieldKind::Text, 20, 0},
                              {QStringLiteral("M"), engine::FieldKind::Text, 20, 0}},
                             {});
    {
        auto t = engine::DbfTable::open(path, false);
        t->appendRecord({1234.5, 2.5, 42, QDate(2008, 10, 13), QStringLiteral("Текст"),
                         QStringLiteral("215.001.000.000.000")});
        t->appendRecord({QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant()});
    }
    engine::Dataset view;
    view.setFolder(dir.path());
    view.setTableName(QStringLiteral("T.DBF"));
    view.addField(
        {QStringLiteral("F"), engine::FieldKind::Float, 0, false, QStringLiteral("# ### ##0.00")});
    view.addField({QStringLiteral("G"), engine::FieldKind::Float});
    view.addField({QStringLiteral("I"), engine::FieldKind::SmallInt});
    view.addField({QStringLiteral("D"), engine::FieldKind::Date});
    view.addField({QStringLiteral("C"), engine::FieldKind::Text, 20});
    view.addField({QStringLiteral("M"),
                   engine::FieldKind::Text,
                   20,
                   false,
                   {},
                   {},
                   QStringLiteral("!999/999/999/999/999 ;1;_")});
    view.open();
    auto shown = [&](const char* name, const QString& columnFormat = {}) {
        return gridmodel::displayText(view.fieldByName(QString::fromLatin1(name)), columnFormat);
    };
    EXPECT_EQ(shown("F"), QStringLiteral(" 1 234,50"));
    EXPECT_EQ(shown("F", QStringLiteral("0.0")),
              QStringLiteral("1234,5"));  // the column's format wins
    EXPECT_EQ(shown("G"), QStringLiteral("2,5"));
    EXPECT_EQ(shown("G", QStringLiteral("000.00")), QStringLiteral("002,50"));
    EXPECT_EQ(shown("I"), QStringLiteral("42"));
    EXPECT_EQ(shown("D"), QStringLiteral("13.10.2008"));
    EXPECT_EQ(shown("C"), QStringLiteral("Текст"));
    EXPECT_EQ(shown("M"), QStringLiteral("215.001.000.000.000 "));
    view.next();
    for (const char* name : {"F", "G", "I", "D", "C", "M"})
        EXPECT_EQ(shown(name), QString()) << name;
}

class FieldDisplayAndEditText : public ::testing::Test {
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

TEST_F(FieldDisplayAndEditText, NumbersFollowTheDisplayAndEditFormatsWithTheLocaleSeparator) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    engine::Field& sum = view.fieldByName(QStringLiteral("SUM"));
    EXPECT_EQ(gridmodel::displayText(sum, sum.value()), QStringLiteral("-1 234 567,89"));
    EXPECT_EQ(gridmodel::editText(sum, sum.value()), QStringLiteral("-1234567,89"));
    // A column's own format wins over the field's.
    EXPECT_EQ(gridmodel::displayText(sum, sum.value(), QStringLiteral("0")),
              QStringLiteral("-1234568"));
    EXPECT_EQ(gridmodel::displayText(sum, QVariant()), QString());
    EXPECT_EQ(gridmodel::generalNumberText(0.5), QStringLiteral("0,5"));
    engine::Field& day = view.fieldByName(QStringLiteral("DAY"));
    EXPECT_EQ(gridmodel::displayText(day, day.value()), QStringLiteral("13.10.2008"));
    QLocale::setDefault(saved);
}

}  // namespace
