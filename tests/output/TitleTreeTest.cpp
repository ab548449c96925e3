#include <gtest/gtest.h>

#include "TitleTree.h"

using output::THeadTreeNode;
using output::TitleLevels;
using output::TitleTree;

namespace {

gridmodel::GridModel gridOf(std::initializer_list<const char*> captions) {
    gridmodel::GridModel g;
    for (const char* caption : captions) {
        gridmodel::GridColumn c;
        c.title.caption = QString::fromUtf8(caption);
        c.width = 10;
        g.columns.push_back(c);
    }
    return g;
}

// Level texts from the highest level down; a blanked entry is "-".
QStringList rows(TitleLevels& levels) {
    QStringList out;
    for (int l = levels.levelCount() - 1; l >= 0; --l) {
        QStringList row;
        for (int c = 0; c < levels.columnCount(); ++c) {
            const THeadTreeNode* n = levels.entry(l, c);
            row << (n ? n->text : QStringLiteral("-"));
        }
        out << row.join(QLatin1Char(' '));
    }
    return out;
}

}  // namespace

TEST(TitleTreeOfGrid, CaptionsWithoutBarAreLeavesUnderTheTop) {
    gridmodel::GridModel g = gridOf({"№ п/п", "Кому", "Сумма"});
    g.columns[0].visible = false;
    const TitleTree tree(g);
    ASSERT_EQ(tree.top().children.size(), 3u);  // the hidden column has its leaf too
    EXPECT_EQ(tree.leafOf(&g.columns[1])->text, QStringLiteral("Кому"));
    EXPECT_EQ(tree.leafOf(&g.columns[1])->parent, &tree.top());
    EXPECT_EQ(tree.top().width, 20);
    TitleLevels levels(tree, g.visibleColumns());
    EXPECT_EQ(levels.levelCount(), 1);
    EXPECT_EQ(levels.span(0, 0).columns, 1);
    EXPECT_EQ(levels.span(0, 0).rows, 1);
    EXPECT_EQ(rows(levels), QStringList{QStringLiteral("Кому Сумма")});
}

TEST(TitleTreeOfGrid, NeighboursShareGroupsAndSpansBlankWhatTheyCover) {
    gridmodel::GridModel g = gridOf({"Кому", "Оплата|Сумма", "Оплата|Банк", "Прочее", "Оплата|Дата"});
    const TitleTree tree(g);
    // "Оплата" of the last column is a group of its own: it does not stand beside the others.
    ASSERT_EQ(tree.top().children.size(), 4u);
    EXPECT_EQ(tree.top().children[1]->text, QStringLiteral("Оплата"));
    EXPECT_EQ(tree.top().children[1]->children.size(), 2u);
    EXPECT_EQ(tree.top().children[1]->width, 20);
    TitleLevels levels(tree, g.visibleColumns());
    ASSERT_EQ(levels.levelCount(), 2);
    EXPECT_EQ(rows(levels), (QStringList{QStringLiteral("Кому Оплата Оплата Прочее Оплата"),
                                         QStringLiteral("Кому Сумма Банк Прочее Дата")}));
    const output::TitleSpan first = levels.span(1, 0);
    EXPECT_EQ(first.columns, 1);
    EXPECT_EQ(first.rows, 2);
    const output::TitleSpan pay = levels.span(1, 1);
    EXPECT_EQ(pay.columns, 2);
    EXPECT_EQ(pay.rows, 1);
    levels.span(1, 3);
    const output::TitleSpan last = levels.span(1, 4);
    EXPECT_EQ(last.columns, 1);
    EXPECT_EQ(rows(levels), (QStringList{QStringLiteral("Кому Оплата - Прочее Оплата"),
                                         QStringLiteral("- Сумма Банк - Дата")}));
}

// Captions of unequal depth: an entry that cannot move up repeats on the levels above it, and
// only the entries below the spanned column's own are blanked, so "A" stands again over "E".
TEST(TitleTreeOfGrid, HiddenColumnsAreLeftOutAndUnequalDepthsRepeatTheirGroup) {
    gridmodel::GridModel g = gridOf({"A|B|C", "A|B|D", "A|E"});
    g.columns[1].visible = false;
    const TitleTree tree(g);
    TitleLevels levels(tree, g.visibleColumns());
    ASSERT_EQ(levels.levelCount(), 3);
    EXPECT_EQ(rows(levels),
              (QStringList{QStringLiteral("A A"), QStringLiteral("B A"), QStringLiteral("C E")}));
    const output::TitleSpan top = levels.span(2, 0);
    EXPECT_EQ(top.columns, 2);
    EXPECT_EQ(top.rows, 1);
    EXPECT_EQ(rows(levels),
              (QStringList{QStringLiteral("A -"), QStringLiteral("B A"), QStringLiteral("C E")}));
    EXPECT_EQ(levels.span(1, 1).rows, 1);
}
