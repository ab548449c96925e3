#include <gtest/gtest.h>

#include <QMap>

#include "EngineError.h"
#include "engine/FilterExpr.h"

using base::EngineError;
using engine::FilterExpr;

namespace {

bool matches(const QString& filter, const QMap<QString, QString>& record) {
    const FilterExpr f = FilterExpr::parse(filter);
    const QStringList names = f.fieldNames();
    return f.matches([&](int i) { return record.value(names[i].toUpper()); });
}

TEST(FilterExpr, ExpenseAndIncomeFiltersOnCostItemCodes) {
    const QString expense = QStringLiteral("[PAY_KIND_N]<>'001*' AND [PAY_KIND_N]<>'100*'");
    const QString income = QStringLiteral("[PAY_KIND_N]='001.*' OR [PAY_KIND_N]='100.*'");
    struct Case {
        const char* code;
        bool isExpense, isIncome;
    };
    for (const Case& c : {Case{"001.002.000.000.000", false, true}, Case{"100.001.000.000.000", false, true},
                          Case{"010.000.000.000.000", true, false}, Case{"215.001.000.000.000", true, false},
                          Case{"001", false, false}, Case{"1000.1", false, false}, Case{"", true, false}}) {
        const QMap<QString, QString> r{{QStringLiteral("PAY_KIND_N"), QString::fromLatin1(c.code)}};
        EXPECT_EQ(matches(expense, r), c.isExpense) << c.code;
        EXPECT_EQ(matches(income, r), c.isIncome) << c.code;
    }
}

TEST(FilterExpr, BareFieldsQuotesAndCase) {
    const QMap<QString, QString> income{{QStringLiteral("BANK_NAME"), QStringLiteral("<Income>")}};
    const QMap<QString, QString> bank{{QStringLiteral("BANK_NAME"), QStringLiteral("Сбербанк")}};
    EXPECT_FALSE(matches(QStringLiteral("BANK_NAME <> '<Income>'"), income));
    EXPECT_TRUE(matches(QStringLiteral("BANK_NAME <> '<Income>'"), bank));
    EXPECT_TRUE(matches(QStringLiteral("BANK_NAME = '<Income>'"), income));
    EXPECT_FALSE(matches(QStringLiteral("BANK_NAME = '<income>'"), income));  // case-sensitive
    EXPECT_TRUE(matches(QStringLiteral("bank_name = \"Сбер*\""), bank));      // field names ignore case
    EXPECT_FALSE(matches(QStringLiteral("BANK_NAME = 'Сбер'"), bank));        // whole value without *
    EXPECT_TRUE(matches(QStringLiteral("BANK_NAME = '*'"), bank));            // * alone matches all
    const QMap<QString, QString> quote{{QStringLiteral("A"), QStringLiteral("O'Brien")}};
    EXPECT_TRUE(matches(QStringLiteral("A = 'O''Brien'"), quote));
}

TEST(FilterExpr, AndBindsTighterThanOrAndParenthesesGroup) {
    const QMap<QString, QString> r{{QStringLiteral("A"), QStringLiteral("1")},
                                   {QStringLiteral("B"), QStringLiteral("2")},
                                   {QStringLiteral("C"), QStringLiteral("3")}};
    EXPECT_TRUE(matches(QStringLiteral("A='1' OR B='x' AND C='x'"), r));
    EXPECT_FALSE(matches(QStringLiteral("(A='1' OR B='x') AND C='x'"), r));
    EXPECT_TRUE(matches(QStringLiteral("ConstName <> 'RodazPath' AND ConstName <> 'PlantName'"),
                        {{QStringLiteral("CONSTNAME"), QStringLiteral("DirFIO")}}));
    EXPECT_FALSE(matches(QStringLiteral("ConstName <> 'RodazPath' AND ConstName <> 'PlantName'"),
                         {{QStringLiteral("CONSTNAME"), QStringLiteral("PlantName")}}));
    EXPECT_EQ(FilterExpr::parse(QStringLiteral("[A]='1' and a<>'2' or B='3'")).fieldNames(),
              (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
}

TEST(FilterExpr, MalformedTextIsAClearError) {
    for (const char* bad : {"A", "A = ", "A = 'open", "A == 'x'", "= 'x'", "[A = 'x'", "A = 'x' AND",
                            "A = 'x' B = 'y'", "(A = 'x'", "A = x", "A > 'x'"}) {
        try {
            FilterExpr::parse(QString::fromLatin1(bad));
            ADD_FAILURE() << "accepted: " << bad;
        } catch (const EngineError& e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("Неверный фильтр"))) << e.what();
        }
    }
    EXPECT_TRUE(FilterExpr::parse(QStringLiteral("   ")).isEmpty());
    EXPECT_THROW(FilterExpr::parse(QString(200, QLatin1Char('(')) + QStringLiteral("A='1'")), EngineError);
}

}  // namespace
