#pragma once

#include <QString>

namespace output {

// Where the export dialog opens: in the folder of the last export of this run, and the first
// time in the user's documents folder (the home folder where there is none), never among the
// program's own files.
class ExportFolder {
public:
    // The one of the running program.
    static ExportFolder& ofThisRun();

    QString startFolder() const;
    // Notes the folder of a file just chosen for an export.
    void remember(const QString& fileName);
    // Back to the first-time folder.
    void forget() { last_.clear(); }

private:
    QString last_;
};

}  // namespace output
