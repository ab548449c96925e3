#include <QTemporaryDir>

#include "DisplayText.h"
#include "Money.h"
#include "OutputFixture.h"
#include "engine/Dataset.h"
#include "engine/DbfTable.h"

using namespace outputtest;
using output::formatMaskText;

TEST(NumberFormatter, WorkedExamplesOfTheMoneyPattern) {
    const QString p = QStringLiteral("# ### ##0.00");
    EXPECT_EQ(widgets::formatWithPattern(5.5, p), QStringLiteral("  5,50"));
    EXPECT_EQ(widgets::formatWithPattern(1234.5, p), QStringLiteral(" 1 234,50"));
    EXPECT_EQ(widgets::formatWithPattern(1234567.891, p), QStringLiteral("1 234 567,89"));
    EXPECT_EQ(widgets::formatWithPattern(0, p), QStringLiteral("  0,00"));
    EXPECT_EQ(widgets::formatWithPattern(-5.5, p), QStringLiteral("-  5,50"));
}

class ExportedSums : public OutputFixture {};

TEST_F(ExportedSums, CellsAndFooterCarryTheFormattedSums) {
    for (double sum : {5.5, 1234.5, 1234567.891, -5.5})
        addExpense(QStringLiteral("А"), sum, QStringLiteral("Б"), QStringLiteral("В"));
    const QStringList lines =
        fromCp1251(exportBytes(output::ExportKind::Text)).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 6);
    QStringList sums;
    for (const QString& line : lines.mid(1)) sums << line.split(QLatin1Char('\t'))[3];
    EXPECT_EQ(sums, (QStringList{QStringLiteral("  5,50"), QStringLiteral(" 1 234,50"),
                                 QStringLiteral("1 234 567,89"), QStringLiteral("-  5,50"),
                                 QStringLiteral("1 235 802,39")}));
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

TEST(GeneralFloatText, FifteenDigitsAndDecimalComma) {
    EXPECT_EQ(output::generalFloatText(5), QStringLiteral("5"));
    EXPECT_EQ(output::generalFloatText(1234.5), QStringLiteral("1234,5"));
    EXPECT_EQ(output::generalFloatText(0.1 + 0.2), QStringLiteral("0,3"));
    EXPECT_EQ(output::generalFloatText(-2.25), QStringLiteral("-2,25"));
    EXPECT_EQ(output::generalFloatText(1e20), QStringLiteral("1E20"));
    EXPECT_EQ(output::generalFloatText(1e-5), QStringLiteral("1E-5"));
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
        return output::fieldDisplayText(view.fieldByName(QString::fromLatin1(name)), columnFormat);
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
