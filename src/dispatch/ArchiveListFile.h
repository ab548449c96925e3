#pragma once

#include <QString>
#include <QStringList>

namespace dispatch {

// The archiver's list file, in the program folder.
inline constexpr char kArchiveListFileName[] = "AddRAR.LST";

// Writes the list file anew: each line converted to the Windows-1251 code page and then to the
// OEM code page (AnsiToOemText), followed by CR LF, nothing else. The text goes to a temporary
// file beside the list file and replaces it only after every write, the flush to disk and the
// close succeeded. False, with no temporary file left behind, when any step failed.
bool writeArchiveListFile(const QString& path, const QStringList& lines);

}  // namespace dispatch
