#pragma once

#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QStringList>

#include "DisplayText.h"

class QCompleter;
class QStringListModel;

namespace widgets {

// A drop-down list of texts offered for a column or an edit box.
struct ColumnPickList {
    const QStringList* entries = nullptr;  // read each time the list opens; may grow meanwhile
    bool autoDropDown = false;             // opens as soon as the user types
    int dropDownWidth = 0;                 // pixels; 0 = the editor's width
    bool sizable = false;                  // the open list has a corner to resize it by
    int pickLength = 0;  // picking stores only this many leading characters (0 = all)
};

// The line editor of a grid cell: an optional input mask and an optional drop-down list.
//
// The list opens with the arrow button, Alt+Down or F4 (the whole list, the current value
// highlighted; in a grid also on a cell not yet being edited) or, when it drops down by itself, as
// soon as the user types (only the entries that match: the beginning of the entry for masked values
// such as codes, anywhere in the entry otherwise). It never covers the editor: it opens below it,
// or above when the screen ends. In the open list Up, Down, PageUp and PageDown choose; a click
// takes the chosen entry and closes the list; Enter and Tab take the chosen entry (with none
// chosen, keep what was typed), close the list and then do at once what they do in the editor (in
// a grid: move on); Esc closes the list and keeps what was typed. Typing goes on into the editor
// while the list is open.
class PickListEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit PickListEdit(QWidget* parent = nullptr);
    ~PickListEdit() override;

    void setEditMask(const gridmodel::EditMask& mask);
    const gridmodel::EditMask& editMask() const { return mask_; }
    void setPickList(const ColumnPickList& list);
    const ColumnPickList& pickList() const { return list_; }
    bool hasPickList() const { return list_.entries != nullptr; }

    // The value in its stored form (for a masked value: with the mask's literals, blanks in
    // empty places, empty when nothing was typed).
    QString value() const;
    void setValue(const QString& value);

    void dropDown();
    void closeUp();
    bool isDroppedDown() const;
    // The list while it is open (or was last open).
    QListView* listView() const { return view_; }
    // Takes the entry at a row of the open list, as a click would.
    void pickRow(int row);

signals:
    // An entry was taken from the list; value is what was stored in the editor.
    void picked(const QString& value);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onTextEdited();
    void showList(const QString& prefix, bool filtered);
    // Takes an entry into the editor; false when the field cannot keep it.
    bool pick(const QString& entry);
    QRect listRect() const;
    void updateDropButton();

    QCompleter* completer_ = nullptr;
    QStringListModel* entries_ = nullptr;
    QPointer<QListView> view_;  // a window of its own, not a child
    QAction* dropButton_ = nullptr;
    ColumnPickList list_;
    gridmodel::EditMask mask_;
    QSize userSize_;  // the size the user gave the open list by its corner
};

}  // namespace widgets
