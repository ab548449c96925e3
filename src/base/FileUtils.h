#pragma once

#include <QString>

namespace base {

class Dialogs;

// True when a file name matches a Windows wildcard mask, ignoring letter case. Besides '*'
// (any run of characters) and '?' (one character), the mask follows the old DOS rules that
// Windows file search keeps: "*.*" matches every name, also one without a dot; a trailing
// ".*" matches a name without an extension ("DayData.*" matches "DayData"); '?' before a dot
// or at the end may match nothing ("a?.txt" matches "a.txt").
bool matchesFileMask(const QString& fileName, const QString& mask);

// Copies every file of sourceFolder whose name matches mask (matchesFileMask; hidden files
// included, folders and special files such as pipes not) into targetFolder, in name order,
// overwriting a file of the same name there (a name that differs only in letter case counts
// as the same name). Returns false at once when a folder text is empty; true when every match
// was copied or nothing matched (also when the source folder does not exist). A failed copy
// shows "Ошибка при копировании файлов." with the system's reason and returns false; files
// copied before it stay.
//
// Each file is written to a temporary file in the target folder and renamed over its name
// only when complete, so an interrupted copy never leaves a partial file under the real name.
// The copy keeps the source's permission bits, with owner read and write added so that a
// table copied from a read-only template stays writable.
// Copies one regular file over target in the same way, without a message. False when it
// failed; the target is then as it was, and *error (when given) holds the system's reason.
bool copyFile(const QString& source, const QString& target, int* error = nullptr);

bool CopyFilesByMask(Dialogs& dialogs, const QString& sourceFolder, const QString& targetFolder,
                     const QString& mask);

}  // namespace base
