#pragma once

#include <QString>
#include <vector>

#include "ListFile.h"

namespace rar_adapter {

// Adds the files to an AES-256 encrypted ZIP archive under their bare names, deflated at the
// highest level. When the archive exists, its entries are kept (read with the same password)
// and an entry of the same name, ignoring letter case, is replaced by the new file.
//
// The new archive is written to a temporary file in the archive's folder and renamed over the
// archive only after every write, the flush to disk and the close succeeded; on any failure the
// temporary file is removed and the archive is left exactly as it was. Returns an empty text on
// success, otherwise what went wrong (and, in *reason, the system error when there was one).
// Temporaries that killed archivers left in the archive's folder are removed first.
QString addToEncryptedZip(const QString& archive, const QString& password,
                          const std::vector<FileToAdd>& files, int* reason = nullptr);

}  // namespace rar_adapter
