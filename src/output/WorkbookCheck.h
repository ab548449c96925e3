#pragma once

#include <QString>

namespace output {

// Reads a workbook (a ZIP file of XML parts) back and says what is wrong with it, or nothing
// when it is whole: the archive must end in its directory, every part must unpack to its
// recorded size and checksum, and every XML part must end with the closing tag of its root
// element. The library that writes workbooks does not check the writes of the temporary
// files it assembles them from: on a full disk it packs a part cut short into an otherwise
// sound archive, which only this last check notices.
QString workbookProblem(const QString& path);

}  // namespace output
