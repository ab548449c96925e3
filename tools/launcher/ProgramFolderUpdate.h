#pragma once

#include <QString>
#include <QStringList>

// A program folder copied from an installed one (the package's folder, or a build's install)
// into a folder where the program can keep its data beside it.
//
// The copy holds the executable and the read-only folders (templates, help) and the
// version stamp, a file written last that names the installed version. A folder with the
// stamp of a version holds that version whole; while a copy is under way the folder has no
// stamp, so a copy that was interrupted is seen as unfinished and is done again. The data
// folders Data and Sprav are never copied, changed or removed, nor any other file the
// program writes beside itself.
namespace launcher {

// The program's executable in a program folder.
QString programIn(const QString& folder);

// The version stamp of a program folder, or an empty text when it has none.
QString versionStamp(const QString& folder);

// True when target holds a whole copy of the version installed in source.
bool isCurrentCopy(const QString& source, const QString& target);

// True when a process of this user runs the executable of that program folder.
bool isProgramRunningFrom(const QString& folder);

// What an update does with a target that turns out to be current once it has the folder to
// itself: an install copies again (and so mends a damaged copy), a launcher that waited for
// another launcher's copy keeps it.
enum class WhenCurrent { CopyAgain, Keep };

// Copies the installed program of source into target (created when missing): everything in
// source but Data, Sprav and the names in leaveOut. The new files are first written in full
// into a staging folder inside target, then renamed into place, and the stamp comes last.
// One update at a time works on a folder. Throws base::EngineError with the text for the
// user when a step fails.
void updateProgramFolder(const QString& source, const QString& target,
                         const QStringList& leaveOut = {},
                         WhenCurrent whenCurrent = WhenCurrent::CopyAgain);

}  // namespace launcher
