#include "TitleTree.h"

namespace output {

TitleTree::TitleTree(const gridmodel::GridModel& grid) {
    for (const gridmodel::GridColumn& column : grid.columns) {
        const QStringList parts = column.title.caption.split(QLatin1Char('|'));
        const int width = column.visible ? column.width : 0;
        THeadTreeNode* parent = &top_;
        for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
            // A group is shared with the column before when that column ended under a group
            // of the same text at this place.
            THeadTreeNode* group = nullptr;
            if (!parent->children.empty()) {
                THeadTreeNode* last = parent->children.back().get();
                if (!last->column && last->text == parts[i]) group = last;
            }
            if (!group) {
                auto node = std::make_unique<THeadTreeNode>();
                node->text = parts[i];
                node->parent = parent;
                group = node.get();
                parent->children.push_back(std::move(node));
            }
            group->width += width;
            parent = group;
        }
        auto leaf = std::make_unique<THeadTreeNode>();
        leaf->text = parts.back();
        leaf->width = width;
        leaf->parent = parent;
        leaf->column = &column;
        leaves_.emplace_back(&column, leaf.get());
        parent->children.push_back(std::move(leaf));
    }
    for (const auto& child : top_.children) top_.width += child->width;
}

const THeadTreeNode* TitleTree::leafOf(const gridmodel::GridColumn* column) const {
    for (const auto& [c, leaf] : leaves_)
        if (c == column) return leaf;
    return nullptr;
}

TitleLevels::TitleLevels(const TitleTree& tree, const ExportColumns& columns)
    : columnCount_(static_cast<int>(columns.size())) {
    std::vector<const THeadTreeNode*> level;
    for (const gridmodel::GridColumn* c : columns) level.push_back(tree.leafOf(c));
    levels_.push_back(level);
    for (;;) {
        bool moved = false;
        for (const THeadTreeNode*& node : level) {
            if (node && node->parent && node->parent != &tree.top()) {
                node = node->parent;
                moved = true;
            }
        }
        if (!moved) break;
        levels_.push_back(level);
    }
}

const THeadTreeNode* TitleLevels::entry(int level, int column) const {
    if (level < 0 || level >= levelCount() || column < 0 || column >= columnCount_) return nullptr;
    return levels_[static_cast<size_t>(level)][static_cast<size_t>(column)];
}

TitleSpan TitleLevels::span(int level, int column) {
    TitleSpan s;
    const THeadTreeNode* node = entry(level, column);
    if (!node) return s;
    auto& row = levels_[static_cast<size_t>(level)];
    while (column + s.columns < columnCount_ &&
           row[static_cast<size_t>(column + s.columns)] == node) {
        row[static_cast<size_t>(column + s.columns)] = nullptr;
        ++s.columns;
    }
    while (level - s.rows >= 0 &&
           levels_[static_cast<size_t>(level - s.rows)][static_cast<size_t>(column)] == node) {
        auto& lower = levels_[static_cast<size_t>(level - s.rows)];
        for (int c = column; c < column + s.columns; ++c) lower[static_cast<size_t>(c)] = nullptr;
        ++s.rows;
    }
    return s;
}

}  // namespace output
