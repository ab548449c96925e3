#pragma once

#include <QStringList>

namespace engine {
class Dataset;
}

namespace reg {

// The cost-item catalogue as an indented plain-text listing, one line per row of the
// catalogue query in its order: one tab per consecutive non-empty name from Name1, the row's
// code line, a tab and the last of those names. A name after the first empty one is ignored.
// The query is read from its first row and left on its first row again.
QStringList BuildKindListText(engine::Dataset& kindList);

}  // namespace reg
