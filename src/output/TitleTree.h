#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "ExportTypes.h"

namespace output {

// A node of a grid's title tree. Captions are split into levels at '|': "Оплата|Сумма" gives a
// node "Оплата" with a leaf "Сумма" below it, and neighbouring columns whose captions begin
// with the same parts share those nodes. A caption without '|' is a leaf right below the
// invisible top node. Every column, visible or not, has exactly one leaf.
struct THeadTreeNode {
    QString text;
    int width = 0;  // pixels: the visible columns below the node
    THeadTreeNode* parent = nullptr;
    std::vector<std::unique_ptr<THeadTreeNode>> children;
    const gridmodel::GridColumn* column = nullptr;  // leaves only
};

class TitleTree {
public:
    explicit TitleTree(const gridmodel::GridModel& grid);
    TitleTree(const TitleTree&) = delete;
    TitleTree& operator=(const TitleTree&) = delete;

    const THeadTreeNode& top() const { return top_; }
    const THeadTreeNode* leafOf(const gridmodel::GridColumn* column) const;

private:
    THeadTreeNode top_;
    std::vector<std::pair<const gridmodel::GridColumn*, const THeadTreeNode*>> leaves_;
};

struct TitleSpan {
    int columns = 1;
    int rows = 1;
};

// The title level lists of the exported columns. Level 0 holds each column's leaf; each
// higher level holds, per column, the node one step further up from the entry below it (an
// entry already right below the top stays), and only while some entry still moves. A grid
// without '|' in its captions has one level.
class TitleLevels {
public:
    TitleLevels(const TitleTree& tree, const ExportColumns& columns);

    int levelCount() const { return static_cast<int>(levels_.size()); }
    int columnCount() const { return columnCount_; }
    // The node at a level and column; null where a span has blanked the entry.
    const THeadTreeNode* entry(int level, int column) const;

    // The span of the title cell at a level and column: the following columns at the same
    // level, and the lower levels at this column, holding the same node. Those entries are
    // blanked (also below the spanned columns), so they write no cell. Call it level by level
    // from the highest, column by column, as the writers write.
    TitleSpan span(int level, int column);

private:
    std::vector<std::vector<const THeadTreeNode*>> levels_;
    int columnCount_ = 0;
};

}  // namespace output
