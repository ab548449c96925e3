#pragma once

#include <QString>

namespace base {

// File names are matched ignoring letter case, as on Windows. Returns the path of the file
// in the folder whose name equals fileName ignoring case (the exact name wins when both
// exist), or folder/fileName when there is none.
QString resolveIgnoringCase(const QString& folder, const QString& fileName);

// The same for a full path: the folder part is taken as it is.
QString resolveIgnoringCase(const QString& path);

}  // namespace base
