#pragma once

#include <QString>
#include <memory>

#include "TableFile.h"

namespace engine {

// Keeps one TableFile per file in the process, shared by every view over it. A file is
// chosen by its extension: .dbf is dBase (with its production .mdx), .db is Paradox.
class TableRegistry {
public:
    // Opens (or returns the already open) table. Exclusive use fails while the file is
    // open anywhere else, in this process or another; shared use fails while another
    // holds it exclusively. Throws EngineError.
    static std::shared_ptr<TableFile> open(const QString& path, bool exclusive);
    // The open table for a path, or null.
    static std::shared_ptr<TableFile> find(const QString& path);
};

}  // namespace engine
