#pragma once

#include <QString>

namespace engine {
class Dataset;
}

namespace reg {

class RegisterCore;

// What the reference directories window does besides showing the reference tables: the plant
// choice, which also sets the send prefix; the send folder, typed or chosen; and the bank
// list's synchronisation with the day window.
class ReferenceDirectories {
public:
    explicit ReferenceDirectories(RegisterCore& core) : core_(core) {}

    // Before-post handler of the view over the plant name row: the row is the PlantName row,
    // also one the plant list has just created.
    static void TablePNameBeforePost(engine::Dataset& view);
    // Before-post handler of the view over the send folder row: the row is the RodazPath row,
    // also one that typing into the empty send-folder edit has just created.
    static void TableRodazPathBeforePost(engine::Dataset& view);

    // A plant was picked in the plant list, which has put its name into the PlantName row:
    // the name is stored, and the plant's send prefix with it. shownName is the name the
    // list shows.
    void DBLookupComboBox1Click(const QString& shownName);
    // "Обзор...": the folder chooser, starting at startFolder (the text of the send-folder
    // edit). A chosen folder becomes the send folder; a typed folder that does not exist is
    // created after the user agrees. The working folder is the program folder afterwards,
    // whatever the answer.
    void ButDirSelectClick(const QString& startFolder);
    // A key in the send-folder edit: Enter stores what was typed.
    void DBEdit1KeyDown(int key);
    // The requisites page is being left: what was typed into the send-folder edit is stored.
    void TabSheet1Hide();
    // Stores a pending change of a bank's in-use mark and, after asking, rebuilds the current
    // day's opening-balance rows and the day window's pick lists.
    void ButBankListSyncClick();

    static constexpr int kEnterKey = 13;

private:
    void postRodazPath();

    RegisterCore& core_;
};

}  // namespace reg
