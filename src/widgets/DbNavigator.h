#pragma once

#include <QWidget>
#include <array>
#include <vector>

#include "engine/Dataset.h"

class QToolButton;

namespace base {
class Dialogs;
}

namespace widgets {

// A row of buttons that move through and change the records of one engine view: first, previous,
// next, last, add, delete, edit, save, cancel and refresh, each with its Russian hint (shown as
// tool tip and in the status bar). The buttons take no focus, so the control the user works in
// keeps it; the bound controls hand over what they hold before a record is posted or left (the
// view's update-record event). A button is enabled only when its action means something for
// the view's state (no "next" on the last record, "save" only while editing, nothing while the
// view is closed). Delete removes the current record at once unless asked to confirm.
// Errors are shown as the application-wide error report shows them; a refused post has told the
// user already.
class DbNavigator : public QWidget {
    Q_OBJECT
public:
    enum Button {
        nbFirst,
        nbPrior,
        nbNext,
        nbLast,
        nbInsert,
        nbDelete,
        nbEdit,
        nbPost,
        nbCancel,
        nbRefresh
    };
    static constexpr int kButtonCount = 10;

    explicit DbNavigator(QWidget* parent = nullptr);
    ~DbNavigator() override;

    // The view the buttons act on (DataSource); may be null.
    void setDataSource(engine::Dataset* view);
    engine::Dataset* dataSource() const { return view_; }

    // The buttons shown, in the fixed order above.
    void setVisibleButtons(const std::vector<Button>& buttons);
    bool isButtonVisible(Button button) const;

    // Whether Delete asks first (through the dialogs, "Удалить запись?"). Off by default.
    void setConfirmDelete(bool confirm) { confirmDelete_ = confirm; }
    bool confirmDelete() const { return confirmDelete_; }

    void setDialogs(base::Dialogs* dialogs) { dialogs_ = dialogs; }

    QToolButton* button(Button button) const { return buttons_[static_cast<size_t>(button)]; }
    static QString hint(Button button);

    // What a click on the button does (also when the button is disabled or hidden: the caller
    // asks for it), inside the error boundary.
    void BtnClick(Button button);

    // Enables the buttons for the view's state.
    void updateButtons();

signals:
    void clicked(widgets::DbNavigator::Button button);

private:
    void attach();

    engine::Dataset* view_ = nullptr;
    engine::Connections hooks_;  // on the view's changes
    std::array<QToolButton*, kButtonCount> buttons_{};
    bool confirmDelete_ = false;
    base::Dialogs* dialogs_ = nullptr;
};

}  // namespace widgets
