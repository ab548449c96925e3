#pragma once

#include <QString>
#include <vector>

#include "AdapterCommand.h"
#include "ListFile.h"

namespace rar_adapter {

// The real archiver "rar" found along PATH, not this adapter itself, or nothing.
QString findRealRar();

// Hands the work to the real archiver by replacing this process with it: the same options and
// password, the archive, and the files already chosen (named one by one after "--", since
// its own matching of the masks could differ in letter case and code page). Returns only
// when the archiver could not be started.
void runRealRar(const QString& rar, const AdapterCommand& command,
                const std::vector<FileToAdd>& files);

}  // namespace rar_adapter
