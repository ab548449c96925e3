#pragma once

#include <QString>
#include <string_view>
#include <sys/types.h>

// Every change the engine makes to a file goes through these functions: each system call
// is checked, short writes are completed, and a failure is an EngineError with the reason.
namespace base::fileio {

// The reason of a failed system call (an errno value) in the user's words: "нет места на
// диске", "нет прав на запись", ...
QString reasonText(int error);
// A message followed by a line with the reason: text, "\n\r", "Причина: <reason>.". The text
// unchanged when error is 0.
QString withReason(const QString& text, int error);
// The same with a reason given as text (empty: the text unchanged).
QString withReason(const QString& text, const QString& reason);
// What begins the reason's line, also in the archiver's log.
inline constexpr char kReasonLabel[] = "Причина: ";

// Called just before every system call that changes a file (create, write, truncate, sync,
// rename, remove). Tests install one to stop the process at a chosen write; none by default.
using WriteHook = void (*)();
void setWriteHook(WriteHook hook);
// For writers outside this module (file copies, staging folders): runs the hook as every
// write of this module does.
void aboutToWrite();

// Data syncs can be switched off for a process that only makes throwaway files (tests that
// are not about durability). On by default.
void setSyncing(bool on);

void writeAt(int fd, long long offset, std::string_view bytes, const QString& path);
void truncateTo(int fd, long long size, const QString& path);
void syncData(int fd, const QString& path);
// Makes a rename or a new file in the folder of path durable.
void syncFolderOf(const QString& path);

// Syncs the data of the file at path.
void syncFile(const QString& path);
// Renames a file or folder to a new name in the same file system, replacing a file of that
// name, and makes the rename durable.
void renameOver(const QString& from, const QString& to);

// A complete new version of a file, written beside it under a hidden temporary name that no
// table mask ("DayData.*") matches, and put in the file's place only by commit(): a crash or
// a full disk leaves the old file as it was. Until commit() the temporary is removed when
// the object goes.
class Replacement {
public:
    Replacement(const QString& path, mode_t mode);
    ~Replacement();
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;

    int fd() const { return fd_; }
    void append(std::string_view bytes);
    // Syncs the new file, renames it over the old one and syncs the folder. With keepOpen
    // the descriptor stays open for the caller (see releaseFd()); otherwise it is closed
    // and its close checked before the rename.
    void commit(bool keepOpen = false);
    // Like commit(), for a file that must not exist yet: refused when it does.
    void commitNew();
    // After commit(true): hands the open descriptor of the new file to the caller.
    int releaseFd();
    const QString& temporaryPath() const { return temp_; }

private:
    QString path_;
    QString temp_;
    int fd_ = -1;
    long long size_ = 0;
    bool committed_ = false;
};

// Writes a whole file through a Replacement.
void replaceFile(const QString& path, std::string_view bytes, mode_t mode);

// Removes what interrupted replacements left beside a table: the hidden temporaries of the
// table file and of its companions (same base name). Call only while no other process can
// be writing them.
void removeStaleTemporaries(const QString& tablePath);

}  // namespace base::fileio
