#pragma once

#include <QList>
#include <QMainWindow>
#include <QSize>
#include <functional>
#include <memory>

#include "CommandImages.h"
#include "engine/EventList.h"

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QMenuBar;
class QStatusBar;
class QTimer;
class QToolBar;

namespace base {
class Dialogs;
}
namespace reg {
class RegisterCore;
}
namespace windows {
class TFormAbout;
class TFormAnimateProgress;
class TFormDateSelect;
class TFormDayData;
class TFormHelp;
class TFormSprav;
}  // namespace windows

namespace app {

// The main window: the MDI parent of the day window and the directories window, owner of the
// register core (folders, current day, views) for the whole run, and of the program's eleven
// commands with their menu, toolbar and status-bar hints. It opens maximised, and about a
// second after the message loop has started it asks for the current day by itself.
class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kStartTimerInterval = 1000;  // ms
    static constexpr QSize kToolButtonSize{39, 38};

    // programDir is the program folder; the core creates the reference folder below it and
    // finds the templates there. Tests pass a folder of their own.
    TFormMain(const QString& programDir, base::Dialogs& dialogs, QWidget* parent = nullptr);
    ~TFormMain() override;

    reg::RegisterCore& core() const { return *core_; }
    base::Dialogs& dialogs() const { return dialogs_; }
    QMdiArea* mdiArea() const { return mdiArea_; }

    // Adds a window that stays open and maximised inside this one for the whole run.
    QMdiSubWindow* addChildWindow(QWidget* child);
    // The subwindow that holds one of the children, or null.
    QMdiSubWindow* subWindowOf(const QWidget* child) const;

    // Sets the caption from the program version.
    void FormCreate();

    // The other windows of the program, created by start-up after this one. The MDI children
    // belong to the MDI area, the dialogs to this window.
    windows::TFormSprav* FormSprav = nullptr;
    windows::TFormDateSelect* FormDateSelect = nullptr;
    windows::TFormAnimateProgress* FormAnimateProgress = nullptr;
    windows::TFormDayData* FormDayData = nullptr;
    windows::TFormAbout* FormAbout = nullptr;
    windows::TFormHelp* FormHelp = nullptr;

    // The pictures of the commands, by number.
    CommandImages ImageList1;

    // The commands. Each has a category (the menu it belongs to), a caption, a hint shown as
    // tool tip and in the status bar, and where given a shortcut and a picture. The menu
    // items and toolbar buttons are bound to them and follow their enabled state.
    QAction* ActionDateSelect = nullptr;
    QAction* ActionExit = nullptr;
    QAction* ActionPrint = nullptr;
    QAction* ActionSend = nullptr;
    QAction* ActionSave = nullptr;
    QAction* ActionSaveAs = nullptr;
    QAction* ActionCopyFrom = nullptr;
    QAction* ActionShowSprav = nullptr;
    QAction* ActionShowDayData = nullptr;
    QAction* ActionHelp = nullptr;
    QAction* ActionHelpAbout = nullptr;
    // All eleven, in the order above.
    QList<QAction*> ActionList1;

    QMenuBar* MainMenu1 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    // Ticks every second from creation on; only its first tick in the running program acts.
    QTimer* Timer1 = nullptr;

    // The menu category of a command, and the number of its picture (-1 for none).
    static QString categoryOf(const QAction* action);
    static int imageIndexOf(const QAction* action);

    // The work of the commands that other parts of the program carry out: printing the day,
    // dispatch to head office, export of the expenses grid and copying from another day.
    // Installed by those parts; while one is missing, its command tells the user that it is
    // not available in this version and changes nothing.
    std::function<void()> printHandler;
    std::function<void()> sendHandler;
    std::function<void()> saveAsHandler;
    std::function<void()> copyFromHandler;

    // Runs a command: an error that escapes it ends the command and is shown as the
    // application-wide error report; a refusal the user has already been told of shows
    // nothing. The program goes on either way.
    void runCommand(const std::function<void()>& command);

    // Stores every edit still pending in the windows before a command reads or writes the
    // tables: what the focused control holds first, then every grid row and edit box of both
    // child windows, then any other record left in edit state (a new record nobody typed into
    // is dropped). A post the view refuses has shown its message; the refused control is then
    // brought into view with the focus, keeping what was typed, and the result is false: the
    // command stops there.
    bool postPendingEdits();
    // Asked when leaving the program with an edit that could not be stored: true (and the
    // edits taken back) when the user chose to leave without it.
    bool leaveWithoutStoring();

    // Handlers. The commands, the timer and the view's state changes call them through
    // runCommand; tests may call them directly.
    void Timer1Timer();
    // Enables a command exactly while the day's expenses view is open.
    void ActionSendUpdate(QAction* sender);
    // Runs the update handler of every command that has one.
    void updateCommands();
    void ActionDateSelectExecute();
    void ActionExitExecute();
    void ActionPrintExecute();
    void ActionSendExecute();
    void ActionSaveExecute();
    void ActionSaveAsExecute();
    void ActionCopyFromExecute();
    void ActionShowSpravExecute();
    void ActionShowDayDataExecute();
    void ActionHelpExecute();
    void ActionHelpAboutExecute();

protected:
    // Closing the window ends the program, after the pending edits are stored; a refused
    // post keeps the program open with the user at the refused edit.
    void closeEvent(QCloseEvent* event) override;

private:
    void createActions();
    void createMenu();
    void createToolBar();
    void showChildWindow(QWidget* child);
    // Brings a control of a child window into view (its window in front, its pages shown) and
    // gives it the focus.
    void showControl(QWidget* control);
    void runOrExplain(const std::function<void()>& handler, const QAction* command);

    std::unique_ptr<reg::RegisterCore> core_;
    base::Dialogs& dialogs_;
    QMdiArea* mdiArea_;
    engine::Connection dayViewWatch_;
};

}  // namespace app
