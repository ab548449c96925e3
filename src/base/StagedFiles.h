#pragma once

#include <QString>
#include <QStringList>

namespace base {

// Replaces several files of a folder as one change. The new files are first made complete in
// a staging folder inside it; once every one of them is written and on disk, the staging
// folder is marked ready by one rename, and only then are the files moved into place one by
// one. A process killed before the mark leaves the folder's files as they were (the staging
// folder is thrown away later); one killed while moving leaves the ready folder, and whoever
// opens the folder next finishes the moves. Either way the folder ends up with all old or all
// new files, never a mix.
//
// Each kind of change has staging folders of its own (".staging", ".update.staging"), so that
// what an interrupted change left can be told apart from another kind's.
class StagedFiles {
public:
    // What finishInterrupted found and did.
    enum class Recovery {
        Nothing,     // no change was pending
        Completed,   // a change marked ready was completed
        RolledBack,  // an unfinished change was thrown away: the folder's files are the old ones
        Failed,      // something is still pending (the reason in errno)
    };

    explicit StagedFiles(QString folder, QString kind = {})
        : folder_(std::move(folder)), kind_(std::move(kind)) {}
    // Removes an unfinished staging folder (never a ready one).
    ~StagedFiles();
    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;

    // Finishes what an earlier interrupted replacement left and makes an empty staging folder.
    // False when that failed.
    bool begin();
    // Where the new files are to be written.
    QString stagingFolder() const;
    // Marks the staged files ready and moves them over the folder's files (a file whose name
    // differs only in letter case is replaced too). False when something failed; if the
    // moves had begun, the rest is left to finishInterrupted.
    bool commit();
    // Throws away the staging folder and what it holds.
    void discard();

    // Completes the moves of a replacement of the kind that was interrupted after it was
    // marked ready, and removes an unfinished staging folder.
    static Recovery finishInterrupted(const QString& folder, const QString& kind = {});
    // True while a ready replacement waits to be completed.
    static bool pending(const QString& folder, const QString& kind = {});
    // The names of the files an interrupted replacement of the kind holds (ready or not).
    static QStringList interruptedFiles(const QString& folder, const QString& kind = {});

private:
    QString folder_;
    QString kind_;
    bool staging_ = false;
};

}  // namespace base
