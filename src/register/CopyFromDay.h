#pragma once

#include <QDate>
#include <QString>

namespace reg {

class RegisterCore;

// "Скопировать из другого дня": the current day's payment records, their index and its
// opening balances with the expected income are replaced by a copy of another day's,
// re-dated to the current day. Nothing is merged and nothing is asked.
//
// The copy and the re-dating are made aside, in a staging folder of the day; the day's files
// are replaced only once all of that succeeded, and then all together (base::StagedFiles):
// whatever fails, or wherever the program is stopped, the day holds either its old data or
// the complete copy. The day's tables stay open until the replacement itself. The replaced
// files are kept in the day's "Replaced" folder (the last replaced generation only).
class CopyFromDay {
public:
    explicit CopyFromDay(RegisterCore& core) : core_(core) {}

    void ActionCopyFromExecute();

    // The day's files that are copied, in this order.
    static const QStringList& copiedFiles();

private:
    // Opens and reads through both tables of the source day; false when any of it fails.
    bool sourceIsReadable(const QString& sourceFolder) const;
    // Sets PAY_DATA of every record of a table in the folder to the current day; no checks,
    // no numbering. Throws on failure.
    void redate(const QString& folder, const QString& tableName) const;
    void error(const QString& text) const;
    // Copies the day's own files into replacedFolder(); false (with the reason) when it failed.
    bool keepReplacedFiles(int* reason) const;
    QString replacedFolder() const;

    RegisterCore& core_;
};

}  // namespace reg
