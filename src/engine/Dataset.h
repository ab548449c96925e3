#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "EventList.h"
#include "Field.h"
#include "FilterExpr.h"
#include "TableFile.h"

namespace engine {

// A view over one table file: its folder and file name, an optional filter and index, the
// fields it declares, a current record with a state (inactive, browse, edit, insert), the
// visible records, bookmarks and ordered event lists. Several views may be open on one
// file; each keeps its own position, filter and order. Changes posted through another view
// become visible here at refresh() or first().
class Dataset {
public:
    enum class State { Inactive, Browse, Edit, Insert };

    struct Bookmark {
        int slot = -1;
        bool isValid() const { return slot >= 0; }
    };

    explicit Dataset(QString name = {});
    virtual ~Dataset();
    Dataset(const Dataset&) = delete;
    Dataset& operator=(const Dataset&) = delete;

    // Definition. Changing the folder, file name, index or exclusivity needs a closed view;
    // a filter may change while open (the visible records are rebuilt).
    const QString& name() const { return name_; }
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    const QString& folder() const { return folder_; }
    void setFolder(const QString& folder);
    const QString& tableName() const { return tableName_; }
    void setTableName(const QString& fileName);
    QString tablePath() const;
    const QString& filter() const { return filterText_; }
    void setFilter(const QString& filter);
    // The filter applies only while the view is filtered (the default). Switching it, or
    // changing the filter text, on an open view goes to the first record.
    bool filtered() const { return filtered_; }
    void setFiltered(bool filtered);
    const QString& indexName() const { return indexName_; }
    void setIndexName(const QString& tag);
    bool exclusive() const { return exclusive_; }
    void setExclusive(bool exclusive);
    // A plain table view (as opposed to a query over a table).
    virtual bool isPlainTable() const { return true; }

    // Declares a field. A view with declared fields sees only those; one without sees
    // every field of the file. Declared fields exist while the view is closed too.
    Field& addField(const FieldSpec& spec);

    // Opens the view. Fails when the file is missing or unreadable, is held exclusively
    // elsewhere, or lacks a declared field or has it with another kind (a text field of
    // another width is accepted).
    virtual void open();
    // Closes the view; an unposted edit is discarded.
    void close();
    bool isOpen() const { return state_ != State::Inactive; }
    State state() const { return state_; }
    // The current record is being edited or appended.
    bool isEditing() const { return state_ == State::Edit || state_ == State::Insert; }
    bool modified() const { return modified_; }
    // Nothing can be written through the view: a query, or a table file that could be opened
    // for reading only (a read-only file or folder).
    bool isReadOnly() const { return readOnly_ || (table_ && table_->readOnly()); }
    TableFile::Format tableFormat() const;
    // The physical fields of the open table file, all of them, as the file defines them.
    const std::vector<FieldDef>& tableFields() const;
    // The code page of the table's texts.
    const base::Codec& textCodec() const;

    // Navigation. Moving away from an edited record posts it when modified and cancels it
    // otherwise. first() and refresh() also pick up changes made elsewhere.
    void first();
    void last();
    void next();
    void prior();
    void moveBy(int distance);
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    bool isEmpty() const { return recordCount() == 0; }
    int recordCount() const;
    int recNo() const;  // 1-based position among the visible records; 0 when empty
    void setRecNo(int recNo);
    void refresh();

    // Reading without moving: the stored values of visible record recNo (1-based) in field
    // order, with calculated fields null, and its bookmark. No event is raised; a record of
    // another view's pending edit is read as it is in the file.
    Record recordAt(int recNo) const;
    Bookmark bookmarkAt(int recNo) const;
    // Changes whenever the visible records or any stored value may have changed (compare for
    // equality only), so that a reader can keep what it read until then.
    uint64_t changeStamp() const;

    // Editing.
    void edit();
    void append();
    void insert();
    void post();
    void cancel();
    void remove();  // deletes the current record (cancels an insert)
    // Appends one record for each value, with that field set and the others blank, as one
    // change of the table (see TableFile::appendRecords), and moves to the last of them. For
    // filling a plain list: no edit state, no before- or after-post events; the change is
    // announced once.
    void appendValues(const QString& fieldName, const QStringList& values);
    void checkBrowseMode();

    // Fields.
    const std::vector<std::unique_ptr<Field>>& fields() const { return fields_; }
    Field* findField(const QString& name) const;
    Field& fieldByName(const QString& name) const;
    bool hasField(const QString& name) const { return findField(name) != nullptr; }
    QStringList fieldNames() const;

    // Moves to the first visible record whose field's text equals value exactly.
    bool locate(const QString& fieldName, const QString& value);

    Bookmark bookmark() const;
    bool bookmarkValid(const Bookmark& b) const;
    void gotoBookmark(const Bookmark& b);

    // While disabled (counted), data-change notifications are held back; the last enable
    // sends one notification for the whole record.
    void disableControls() { ++disabled_; }
    void enableControls();
    bool controlsDisabled() const { return disabled_ > 0; }

    // Removes deleted records and rebuilds the indexes; needs an exclusive view.
    void pack();
    // Writes what the table keeps in memory (its indexes) to disk.
    void flushTable();

    // Events, each an ordered list of handlers.
    EventList<Dataset&> beforeOpen, afterOpen, beforeClose, afterClose;
    EventList<Dataset&> beforeEdit, afterEdit, beforeInsert, afterInsert, onNewRecord;
    // A before-post handler refuses the record by throwing (SilentAbort once it has told
    // the user); the record then stays in edit or insert state.
    EventList<Dataset&> beforePost, afterPost, beforeCancel, afterCancel;
    // A record in edit or insert state is about to be posted or left (post, checkBrowseMode
    // and every move that calls it): the controls bound to the view hand over what they hold
    // but have not written to the fields yet. Raised before anything else happens.
    EventList<Dataset&> onUpdateRecord;
    EventList<Dataset&> beforeDelete, afterDelete, beforeScroll, afterScroll;
    EventList<Dataset&> onCalcFields;
    // The current record changed (field = null) or one of its fields did.
    EventList<Dataset&, Field*> onDataChange;
    EventList<Dataset&> onStateChange;

protected:
    // Used by queries: restrict the file's fields to a list and refuse editing.
    QStringList selectedFields_;
    bool readOnly_ = false;

private:
    friend class Field;
    const QVariant& fieldValue(const Field& f) const;
    void setFieldValue(Field& f, const QVariant& value);
    const FieldDef* fileDefOf(const Field& f) const;

    void checkOpen() const;
    void bindFields();
    void rebuildRows();
    void refilter();
    void placeRow(int slot, int oldPos);
    bool slotMatches(int slot) const;
    void loadCurrent();
    void calculate();
    void setState(State s);
    void dataChanged(Field* field);
    void scrolled();
    int currentSlot() const;
    void moveToSlotOrClamp(int slot, int fallbackPos);

    QString name_;
    int tag_ = 0;
    QString folder_;
    QString tableName_;
    QString filterText_;
    FilterExpr filter_;
    bool filtered_ = true;
    std::vector<int> filterPhysical_;
    QString indexName_;
    bool exclusive_ = false;

    std::vector<std::unique_ptr<Field>> fields_;
    bool fieldsDeclared_ = false;
    std::shared_ptr<TableFile> table_;
    std::vector<int> rows_;
    uint64_t rowsGeneration_ = 0;
    uint64_t rowsVersion_ = 0;  // bumped whenever rows_ changes
    struct LocateCache {
        int field = -1;
        uint64_t rowsVersion = 0;
        uint64_t generation = 0;
        QHash<QString, int> firstPos;
    } locateCache_;
    int pos_ = -1;
    bool eof_ = true;
    bool bof_ = true;
    State state_ = State::Inactive;
    bool modified_ = false;
    bool calculating_ = false;
    Record buffer_;
    int disabled_ = 0;
    bool changePending_ = false;
    bool updateSent_ = false;  // checkBrowseMode raised onUpdateRecord for the coming post
};

}  // namespace engine
