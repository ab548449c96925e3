#include <random>

#include "RegisterFixture.h"

using namespace registertest;
using reg::PickLists;

namespace {

// The leaf pruning as repeated passes: remove the first entry that is the parent of a later
// one, and start again until a pass removes nothing.
QStringList pruneByPasses(QStringList list) {
    auto group = [](const QString& s, int g) { return s.mid(g * 4, 3); };
    for (bool removed = true; removed;) {
        removed = false;
        for (qsizetype i = 0; i < list.size() && !removed; ++i) {
            const QString s = list[i];
            if (s == QLatin1String("000.000.000.000.000")) continue;
            for (qsizetype j = i + 1; j < list.size(); ++j) {
                int g = 0;
                while (g < 5 && group(list[j], g) == group(s, g)) ++g;
                if (g < 5 && group(s, g) == QLatin1String("000")) {
                    list.removeAt(i);
                    removed = true;
                    break;
                }
            }
        }
    }
    return list;
}

QString code(int a, int b, int c, int d, int e) {
    const int levels[5] = {a, b, c, d, e};
    const QString names[5];
    QString name;
    return PickLists::codeOf(levels, names, &name);
}

TEST(LeafPruning, OnlyCodesWithoutChildrenStayAndOddListsPruneAsRepeatedPassesDo) {
    const QStringList codes = {code(1, 0, 0, 0, 0), code(1, 2, 0, 0, 0), code(1, 2, 3, 0, 0), code(2, 0, 0, 0, 0)};
    EXPECT_EQ(PickLists::pruneToLeaves(codes), (QStringList{"001.002.003.000.000", "002.000.000.000.000"}));
    // A child listed before its parent does not remove the parent; duplicates stay; the
    // all-zero code is never pruned.
    const QStringList odd = {code(3, 1, 0, 0, 0), code(3, 0, 0, 0, 0), code(4, 0, 0, 0, 0), code(4, 0, 0, 0, 0),
                             code(0, 0, 0, 0, 0), code(0, 0, 0, 0, 7)};
    EXPECT_EQ(PickLists::pruneToLeaves(odd), pruneByPasses(odd));
    EXPECT_TRUE(PickLists::pruneToLeaves(odd).contains("000.000.000.000.000"));
    EXPECT_EQ(code(7, 12, 1000, 0, 0), QStringLiteral("007.012.1000.000.000"));
}

TEST(LeafPruning, OnePassGivesWhatRepeatedPassesGive) {
    std::mt19937 random(20081013);
    for (int round = 0; round < 400; ++round) {
        QStringList codes;
        const int n = 1 + static_cast<int>(random() % 40);
        for (int i = 0; i < n; ++i) {
            int levels[5] = {0, 0, 0, 0, 0};
            const int depth = static_cast<int>(random() % 6);
            for (int k = 0; k < depth; ++k) levels[k] = static_cast<int>(random() % 3);
            if (random() % 5 == 0) levels[static_cast<int>(random() % 5)] = static_cast<int>(random() % 3);
            codes << code(levels[0], levels[1], levels[2], levels[3], levels[4]);
        }
        ASSERT_EQ(PickLists::pruneToLeaves(codes), pruneByPasses(codes)) << codes.join(' ').toStdString();
    }
}

class PickListsTest : public RegisterFixture {};

TEST_F(PickListsTest, ListsComeFromTheCatalogueAndTheReferenceTables) {
    openDay();
    const auto& expense = core.pickLists.expenseGrid;
    const auto& income = core.pickLists.incomeGrid;
    ASSERT_FALSE(expense.codes.isEmpty());
    ASSERT_FALSE(income.codes.isEmpty());
    for (const QString& e : income.codes) EXPECT_TRUE(e.startsWith(QLatin1String("001"))) << e.toStdString();
    for (const QString& e : expense.codes) EXPECT_FALSE(e.startsWith(QLatin1String("001"))) << e.toStdString();
    // Entries are the code, two blanks and the name of the deepest level.
    EXPECT_EQ(expense.codes.first().mid(19, 2), QStringLiteral("  "));
    EXPECT_FALSE(expense.codes.first().mid(21).isEmpty());
    EXPECT_EQ(expense.recipients, income.recipients);
    EXPECT_EQ(expense.purposes.size(), core.views.TablePayKind.recordCount());
    EXPECT_EQ(expense.recipients.size(), core.views.TableReciverNames.recordCount());
    for (const QString& c : core.KindCodeList) {
        bool offered = false;
        for (const QString& e : expense.codes + income.codes) offered = offered || e.startsWith(c);
        EXPECT_TRUE(offered) << c.toStdString();
    }

    engine::Dataset& kinds = core.views.TableKindList;
    kinds.first();
    const QString line = kinds.fieldByName("CodeLine").asString();
    EXPECT_EQ(line.count('.'), 4);
    EXPECT_EQ(line.section('.', 0, 0), kinds.fieldByName("Level1").asString());
}

}  // namespace
