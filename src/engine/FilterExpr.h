#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace engine {

// A record filter of the form the views use:
//   [FIELD] = 'text'  |  FIELD <> 'text*'  ...  joined by AND / OR, with parentheses.
// The field may stand bare or in square brackets; the constant is quoted with ' or "
// (a doubled quote stands for one). A constant that ends in '*' matches every value that
// begins with the text before it; otherwise the whole value must match. Comparison is
// case-sensitive; a field's value is its text with trailing blanks removed. AND binds
// tighter than OR. Keywords are case-insensitive.
class FilterExpr {
public:
    FilterExpr() = default;
    // Throws EngineError with the position and reason when the text is not a filter.
    static FilterExpr parse(const QString& text);

    bool isEmpty() const { return root_ == nullptr; }
    // Field names in the order they first appear.
    QStringList fieldNames() const;
    // Evaluates the filter; valueOf receives the position of the field in fieldNames().
    bool matches(const std::function<QString(int)>& valueOf) const;

    struct Node;

private:
    std::shared_ptr<const Node> root_;
    QStringList fields_;
};

}  // namespace engine
