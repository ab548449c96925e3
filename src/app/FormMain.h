#pragma once

#include <QMainWindow>
#include <memory>

class QMdiArea;
class QMdiSubWindow;

namespace store {
class Dialogs;
class TFormDateSelect;
class TFormAnimateProgress;
}  // namespace store
namespace reg {
class RegisterCore;
class TFormDayData;
}  // namespace reg
namespace dirs {
class TFormSprav;
}

namespace app {

class TFormAbout;
class TFormHelp;

// The main window: the MDI parent of the day window and the directories window, owner of the
// register core (folders, current day, views) for the whole run. It opens maximised.
class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    // programDir is the program folder; the core creates the reference folder below it.
    TFormMain(const QString& programDir, store::Dialogs& dialogs, QWidget* parent = nullptr);
    ~TFormMain() override;

    reg::RegisterCore& core() const { return *core_; }
    QMdiArea* mdiArea() const { return mdiArea_; }

    // Adds a window that stays open and maximised inside this one for the whole run.
    QMdiSubWindow* addChildWindow(QWidget* child);

    // Sets the caption from the program version.
    void FormCreate();

    // The other windows of the program, created by start-up after this one. The MDI children
    // belong to the MDI area, the dialogs to this window.
    dirs::TFormSprav* FormSprav = nullptr;
    store::TFormDateSelect* FormDateSelect = nullptr;
    store::TFormAnimateProgress* FormAnimateProgress = nullptr;
    reg::TFormDayData* FormDayData = nullptr;
    TFormAbout* FormAbout = nullptr;
    TFormHelp* FormHelp = nullptr;

private:
    std::unique_ptr<reg::RegisterCore> core_;
    QMdiArea* mdiArea_;
};

}  // namespace app
