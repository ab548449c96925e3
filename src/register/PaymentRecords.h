#pragma once

#include <QSet>
#include <QStringList>

namespace engine {
class Dataset;
}

namespace reg {

class RegisterCore;

// The check every payment record passes before it is stored, and the numbering of the day's
// records: the small renumbering after each post or delete in the day window and the full
// one that Save (and dispatch) runs.
class PaymentRecords {
public:
    explicit PaymentRecords(RegisterCore& core) : core_(core) {}

    // The most records a day holds: the running number NPP has four digits.
    static constexpr int kMaxRecords = 9999;

    // Before-post handler of the four views over the day table.
    void BeforeDayDataPost(engine::Dataset& view);
    // After-post and after-delete handler of the two shown day views.
    void TableDataSourceDayDataAfterPost(engine::Dataset& view);
    // Numbers every record of the day anew.
    void RenumberDayData();
    // The "Сохранить" command.
    void ActionSaveExecute();

    // Puts the view's current record into edit state when browsing and posts it, so that a
    // pending change is stored and the post handlers run. A view without records is left alone.
    static void rePost(engine::Dataset& view);

    // Says once that the open day holds more records than can be numbered; true when it does.
    bool WarnAboutOverfullDay();

    // True when the code is one of the catalogue's leaf codes (letter case ignored).
    bool isValidCode(const QString& code);

private:
    void refuse(const QString& text);
    // Expenses and incomes of the open day; 0 while its views are closed.
    int dayRecordCount() const;
    void learn(engine::Dataset& list, const QString& value, QStringList& gridList);
    // Appends the names learnt during the full renumbering to their lists.
    void storeLearnt();

    RegisterCore& core_;
    bool fullRenumbering_ = false;
    // Names learnt during the full renumbering, not yet in their list.
    struct Learnt {
        QStringList names;
        QSet<QString> seen;
    };
    Learnt learntPurposes_, learntRecipients_;
    QStringList codesSeen_;
    QSet<QString> codeSet_;
};

}  // namespace reg
