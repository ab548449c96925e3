#pragma once

#include <QLineEdit>

#include "engine/Dataset.h"

namespace base {
class Dialogs;
}

namespace widgets {

// An edit box bound to one field of an engine view's current record.
//
// Without the focus it shows the value in the field's display format ("# ### ##0.00"); with the
// focus, in the field's edit format ("0" shows 1234.56 as 1235), ready to be typed over. Typing
// puts the record into edit state; what was typed goes into the field when the record is posted
// or left (the view's update-record event), and the record is posted when the box is left for
// another control of the window, so that what the box shows is what is stored. A menu, a
// message box or another program taking the focus is no leaving. A post the view refuses
// keeps the typed text in the box and gives the focus back to it. A box left without typing
// changes nothing, whatever its edit format showed. Esc takes back what was typed, and the
// record's pending change when nothing is typed. The box is read-only while the view is closed.
//
// keyDown reports every key before the box handles it, with the Windows key code where the
// program's handlers test one (13 Enter, 27 Esc, 9 Tab) and Qt's key code otherwise.
class DbEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DbEdit(QWidget* parent = nullptr);
    ~DbEdit() override;

    void setDataSource(engine::Dataset* view);
    engine::Dataset* dataSource() const { return view_; }
    void setDataField(const QString& fieldName);
    const QString& dataField() const { return fieldName_; }
    engine::Field* field() const;

    void setDialogs(base::Dialogs* dialogs) { dialogs_ = dialogs; }

    // True while the box holds typing that has not gone into the field.
    bool isTyped() const { return typed_; }
    // Writes what was typed into the field (the record stays in edit state). False on error.
    bool updateRecord();
    // Stores what the box holds: the typed text goes into the field and the record is posted.
    // False when the view refused it (the user has been told); the box keeps the text.
    bool postEdit();
    // Shows the field's value again, dropping what was typed.
    void reset();

    static int windowsKeyCode(int qtKey);

signals:
    void keyDown(int key, Qt::KeyboardModifiers modifiers);
    // What the box held has been stored: its record was posted by postEdit (also on leaving).
    void posted();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void attach();
    void onTextEdited();
    void writeField();

    engine::Dataset* view_ = nullptr;
    QString fieldName_;
    engine::Connections hooks_;  // on the view's changes and record updates
    base::Dialogs* dialogs_ = nullptr;
    bool typed_ = false;
    bool enteringEdit_ = false;
};

}  // namespace widgets
