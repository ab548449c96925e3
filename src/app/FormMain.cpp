#include "FormMain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "DataGrid.h"
#include "DbEdit.h"
#include "ErrorBoundary.h"
#include "FormAbout.h"
#include "FormDayData.h"
#include "FormHelp.h"
#include "FormSprav.h"
#include "KeyboardAccess.h"
#include "MdiChild.h"
#include "MessageLoop.h"
#include "RegisterCore.h"
#include "WindowLook.h"

namespace app {

namespace {

constexpr char kCategoryProperty[] = "category";
constexpr char kImageIndexProperty[] = "imageIndex";

const QString kRegisterCategory = QStringLiteral("Реестр");
const QString kOperationsCategory = QStringLiteral("Операции");
const QString kWindowCategory = QStringLiteral("Окно");
const QString kHelpCategory = QStringLiteral("Справка");

// One command as the main window declares it.
struct CommandEntry {
    QAction* TFormMain::*action;
    const char* name;
    const QString& category;
    QString caption;
    QString hint;
    QKeySequence shortcut;
    int image;  // -1: no picture
    void (TFormMain::*execute)();
};

}  // namespace

TFormMain::TFormMain(const QString& programDir, base::Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent),
      core_(std::make_unique<reg::RegisterCore>(programDir, dialogs)),
      dialogs_(dialogs),
      mdiArea_(new QMdiArea(this)) {
    setObjectName(QStringLiteral("FormMain"));
    widgets::setWindowLook(this, widgets::sansSerifFont(13, true));
    mdiArea_->setObjectName(QStringLiteral("MdiArea"));
    setCentralWidget(mdiArea_);
    // No menu for hiding the toolbar: the window keeps its fixed layout.
    setContextMenuPolicy(Qt::PreventContextMenu);

    createActions();
    createMenu();
    createToolBar();
    keepCtrlTabInsideChildWindows(this);
    StatusBar1 = statusBar();
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));

    // The four day commands follow the open state of the expenses view. Every open and close
    // of the view passes through its state change, so this is exactly when the rule's answer
    // can change, and costs nothing in between.
    dayViewWatch_ = core_->views.TableDataSourceDayData.onStateChange.add(
        [this](engine::Dataset&) { updateCommands(); });
    updateCommands();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kStartTimerInterval);
    connect(Timer1, &QTimer::timeout, this, [this] { runCommand([this] { Timer1Timer(); }); });
    Timer1->start();

    setWindowState(windowState() | Qt::WindowMaximized);
    FormCreate();
}

TFormMain::~TFormMain() {
    Timer1->stop();
    dayViewWatch_.disconnect();
    // The child windows show the core's views: they go first, the core after them.
    delete takeCentralWidget();
    mdiArea_ = nullptr;
}

void TFormMain::createActions() {
    const CommandEntry commands[] = {
        {&TFormMain::ActionDateSelect,
         "ActionDateSelect",
         kRegisterCategory,
         QStringLiteral("Текущая дата"),
         QStringLiteral("Выбрать дату к которой относятся данные"),
         {},
         CommandImages::kCalendar,
         &TFormMain::ActionDateSelectExecute},
        {&TFormMain::ActionExit,
         "ActionExit",
         kRegisterCategory,
         QStringLiteral("Вы&xод"),
         QStringLiteral("Выход из программы"),
         {},
         CommandImages::kExit,
         &TFormMain::ActionExitExecute},
        {&TFormMain::ActionPrint,
         "ActionPrint",
         kOperationsCategory,
         QStringLiteral("Предварительный просмотр и печать"),
         QStringLiteral("Печать данных за текущий день"),
         {},
         CommandImages::kPrint,
         &TFormMain::ActionPrintExecute},
        {&TFormMain::ActionSend,
         "ActionSend",
         kOperationsCategory,
         QStringLiteral("Отправить"),
         QStringLiteral("Создание архива и отправка данных в управление"),
         {},
         CommandImages::kSend,
         &TFormMain::ActionSendExecute},
        {&TFormMain::ActionSave,
         "ActionSave",
         kOperationsCategory,
         QStringLiteral("Сохранить"),
         QStringLiteral("Сохранить изменения"),
         {},
         CommandImages::kSave,
         &TFormMain::ActionSaveExecute},
        {&TFormMain::ActionSaveAs,
         "ActionSaveAs",
         kOperationsCategory,
         QStringLiteral("Экспорт"),
         QStringLiteral("Сохранить заявку в формате HTML, RTF, XLS"),
         {},
         -1,
         &TFormMain::ActionSaveAsExecute},
        {&TFormMain::ActionCopyFrom,
         "ActionCopyFrom",
         kOperationsCategory,
         QStringLiteral("Скопировать из другого дня"),
         QStringLiteral("Скопировать данные из другого дня"),
         {},
         -1,
         &TFormMain::ActionCopyFromExecute},
        {&TFormMain::ActionShowSprav,
         "ActionShowSprav",
         kWindowCategory,
         QStringLiteral("Справочники"),
         QStringLiteral("Показать окно справочников"),
         {},
         CommandImages::kDirectories,
         &TFormMain::ActionShowSpravExecute},
        {&TFormMain::ActionShowDayData,
         "ActionShowDayData",
         kWindowCategory,
         QStringLiteral("Платежи"),
         QStringLiteral("Реестр платежей за день"),
         {},
         CommandImages::kPayments,
         &TFormMain::ActionShowDayDataExecute},
        {&TFormMain::ActionHelp, "ActionHelp", kHelpCategory, QStringLiteral("Как работать"),
         QStringLiteral("Советы и рекомендации по работе с программой"), QKeySequence(Qt::Key_F1),
         CommandImages::kHelp, &TFormMain::ActionHelpExecute},
        {&TFormMain::ActionHelpAbout, "ActionHelpAbout", kHelpCategory,
         QStringLiteral("О программе"), QStringLiteral("Справка о программе"),
         QKeySequence(Qt::CTRL | Qt::Key_F1), CommandImages::kHelp,
         &TFormMain::ActionHelpAboutExecute},
    };

    for (const CommandEntry& entry : commands) {
        auto* action = new QAction(entry.caption, this);
        action->setObjectName(QLatin1String(entry.name));
        action->setProperty(kCategoryProperty, entry.category);
        action->setProperty(kImageIndexProperty, entry.image);
        action->setToolTip(entry.hint);
        action->setStatusTip(entry.hint);
        if (entry.image >= 0) action->setIcon(ImageList1.icon(entry.image));
        if (!entry.shortcut.isEmpty()) {
            action->setShortcut(entry.shortcut);
            // The focus is mostly inside a child window: the keys work anywhere in the program
            // (a modal dialog still keeps them to itself).
            action->setShortcutContext(Qt::ApplicationShortcut);
        }
        const auto execute = entry.execute;
        connect(action, &QAction::triggered, this,
                [this, execute] { runCommand([this, execute] { (this->*execute)(); }); });
        addAction(action);
        this->*entry.action = action;
        ActionList1.append(action);
    }
}

void TFormMain::createMenu() {
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));

    QMenu* registerMenu = MainMenu1->addMenu(QStringLiteral("&Реестр"));
    registerMenu->setObjectName(QStringLiteral("MenuRegister"));
    registerMenu->addAction(ActionDateSelect);
    registerMenu->addSeparator();
    registerMenu->addAction(ActionExit);

    QMenu* operations = MainMenu1->addMenu(QStringLiteral("&Операции"));
    operations->setObjectName(QStringLiteral("MenuOperations"));
    operations->addAction(ActionPrint);
    operations->addAction(ActionSend);
    operations->addAction(ActionSave);
    operations->addSeparator();
    operations->addAction(ActionSaveAs);
    operations->addSeparator();
    operations->addAction(ActionCopyFrom);

    QMenu* window = MainMenu1->addMenu(QStringLiteral("О&кно"));
    window->setObjectName(QStringLiteral("MenuWindow"));
    window->addAction(ActionShowSprav);
    window->addAction(ActionShowDayData);

    QMenu* help = MainMenu1->addMenu(QStringLiteral("&Справка"));
    help->setObjectName(QStringLiteral("MenuHelp"));
    help->addAction(ActionHelp);
    help->addAction(ActionHelpAbout);

    enableMenuBarKeys(MainMenu1);
}

void TFormMain::createToolBar() {
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(CommandImages::kSize, CommandImages::kSize));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    const QList<QAction*> order = {
        ActionDateSelect, nullptr,     ActionShowDayData, ActionShowSprav, nullptr,
        ActionSave,       ActionPrint, ActionSend,        nullptr,         ActionHelpAbout};
    for (QAction* action : order) {
        if (!action) {
            ToolBar1->addSeparator();
            continue;
        }
        ToolBar1->addAction(action);
        if (auto* button = qobject_cast<QToolButton*>(ToolBar1->widgetForAction(action))) {
            button->setObjectName(QStringLiteral("ToolButton") + action->objectName().mid(6));
            button->setFixedSize(kToolButtonSize);
            button->setAutoRaise(true);
        }
    }
}

QMdiSubWindow* TFormMain::addChildWindow(QWidget* child) {
    return widgets::addFixedMdiChild(mdiArea_, child);
}

QMdiSubWindow* TFormMain::subWindowOf(const QWidget* child) const {
    if (!child || !mdiArea_) return nullptr;
    for (QMdiSubWindow* sub : mdiArea_->subWindowList())
        if (sub->widget() == child) return sub;
    return nullptr;
}

void TFormMain::FormCreate() {
    setWindowTitle(QStringLiteral("Реестр платежей (версия ") + core_->ProgVersion +
                   QStringLiteral(")"));
}

QString TFormMain::categoryOf(const QAction* action) {
    return action ? action->property(kCategoryProperty).toString() : QString();
}

int TFormMain::imageIndexOf(const QAction* action) {
    if (!action) return -1;
    const QVariant index = action->property(kImageIndexProperty);
    return index.isValid() ? index.toInt() : -1;
}

void TFormMain::runCommand(const std::function<void()>& command) {
    try {
        command();
    } catch (...) {
        base::reportError(&dialogs_, std::current_exception());
    }
}

bool TFormMain::postPendingEdits() {
    // The controls of both child windows, the one with the focus first, so that its refusal is
    // the one the user sees.
    QList<QWidget*> controls;
    for (QWidget* child : {static_cast<QWidget*>(FormDayData), static_cast<QWidget*>(FormSprav)}) {
        if (!child) continue;
        for (widgets::DataGrid* grid : child->findChildren<widgets::DataGrid*>()) controls << grid;
        for (widgets::DbEdit* edit : child->findChildren<widgets::DbEdit*>()) controls << edit;
    }
    for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
        if (controls.removeOne(w)) {
            controls.prepend(w);
            break;
        }
    auto boundTo = [&controls](const engine::Dataset* view) -> QWidget* {
        for (QWidget* control : controls) {
            if (auto* grid = qobject_cast<widgets::DataGrid*>(control);
                grid && grid->dataSource() == view)
                return control;
            if (auto* edit = qobject_cast<widgets::DbEdit*>(control);
                edit && edit->dataSource() == view)
                return control;
        }
        return nullptr;
    };

    for (QWidget* control : controls) {
        auto* grid = qobject_cast<widgets::DataGrid*>(control);
        auto* edit = qobject_cast<widgets::DbEdit*>(control);
        if ((grid && !grid->postRecord()) || (edit && !edit->postEdit())) {
            showControl(control);
            return false;
        }
    }
    // Records put into edit state some other way (a navigator's edit button, a list's pick).
    for (engine::Dataset* view : core_->views.inOrder()) {
        if (!view->isOpen() || !view->isEditing()) continue;
        base::runGuarded(&dialogs_, [view] {
            if (view->state() == engine::Dataset::State::Insert && !view->modified())
                view->cancel();
            else
                view->post();
        });
        if (view->isEditing()) {
            if (QWidget* control = boundTo(view)) showControl(control);
            return false;
        }
    }
    return true;
}

void TFormMain::closeEvent(QCloseEvent* event) {
    bool stored = false;
    runCommand([&] { stored = postPendingEdits(); });
    // An edit that cannot be stored (refused, or the disk full) never keeps the user from
    // leaving: after its message the user chooses between going back to it and leaving
    // without it.
    if (!stored && !leaveWithoutStoring()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

bool TFormMain::leaveWithoutStoring() {
    constexpr int MB_DEFBUTTON2 = 0x100;  // No is the default: Enter keeps the edit
    if (dialogs_.messageBox(
            QStringLiteral("Изменения не сохранены.\n\rВыйти из программы без сохранения?"),
            QStringLiteral("Внимание"),
            base::MB_YESNO | base::MB_ICONQUESTION | MB_DEFBUTTON2) != base::IDYES)
        return false;
    for (QWidget* child : {static_cast<QWidget*>(FormDayData), static_cast<QWidget*>(FormSprav)})
        if (child)
            for (widgets::DataGrid* grid : child->findChildren<widgets::DataGrid*>())
                grid->cancelRecord();
    for (engine::Dataset* view : core_->views.inOrder())
        if (view->isOpen() && view->isEditing()) view->cancel();
    return true;
}

void TFormMain::Timer1Timer() {
    if (!messageLoopRunning() || !startDateChoicePending()) return;
    // Cleared first: a cancelled or failed choice is not asked again by the timer.
    setStartDateChoicePending(false);
    ActionDateSelectExecute();
}

void TFormMain::ActionSendUpdate(QAction* sender) {
    if (sender) sender->setEnabled(core_->views.TableDataSourceDayData.isOpen());
}

void TFormMain::updateCommands() {
    for (QAction* command : {ActionPrint, ActionSend, ActionShowSprav, ActionShowDayData})
        ActionSendUpdate(command);
}

void TFormMain::ActionDateSelectExecute() {
    if (!postPendingEdits()) return;
    core_->currentDay.ActionDateSelectExecute();
}

void TFormMain::ActionExitExecute() {
    close();
}

void TFormMain::ActionPrintExecute() {
    if (!postPendingEdits()) return;
    runOrExplain(printHandler, ActionPrint);
}

void TFormMain::ActionSendExecute() {
    if (!postPendingEdits()) return;
    runOrExplain(sendHandler, ActionSend);
}

void TFormMain::ActionSaveExecute() {
    if (!postPendingEdits()) return;
    // Without an open day (before the first choice, after a cancelled one) there is nothing to
    // save: the command stays available but does nothing, instead of reporting closed tables.
    if (!core_->views.TableDataSourceDayData.isOpen()) return;
    core_->payments.ActionSaveExecute();
}

void TFormMain::ActionSaveAsExecute() {
    if (!postPendingEdits()) return;
    runOrExplain(saveAsHandler, ActionSaveAs);
}

void TFormMain::ActionCopyFromExecute() {
    if (!postPendingEdits()) return;
    runOrExplain(copyFromHandler, ActionCopyFrom);
}

void TFormMain::ActionShowSpravExecute() {
    showChildWindow(FormSprav);
}

void TFormMain::ActionShowDayDataExecute() {
    showChildWindow(FormDayData);
    // The plant name may have been changed in the directories window meanwhile.
    reg::RegisterCore& c = *core_;
    c.ReadConst(QStringLiteral("PlantName"), c.PlantNameText);
    c.texts.setPlantName(c.PlantNameText);
}

void TFormMain::ActionHelpExecute() {
    if (FormHelp) FormHelp->exec();
}

void TFormMain::ActionHelpAboutExecute() {
    if (FormAbout) FormAbout->exec();
}

void TFormMain::showChildWindow(QWidget* child) {
    QMdiSubWindow* sub = subWindowOf(child);
    if (!sub) return;
    sub->show();
    mdiArea_->setActiveSubWindow(sub);
    sub->showMaximized();
}

void TFormMain::showControl(QWidget* control) {
    for (QWidget* child : {static_cast<QWidget*>(FormDayData), static_cast<QWidget*>(FormSprav)})
        if (child && child->isAncestorOf(control)) showChildWindow(child);
    for (QWidget* w = control->parentWidget(); w; w = w->parentWidget()) {
        auto* pages = qobject_cast<QTabWidget*>(w);
        if (!pages) continue;
        for (int i = 0; i < pages->count(); ++i)
            if (pages->widget(i)->isAncestorOf(control)) pages->setCurrentIndex(i);
    }
    control->setFocus(Qt::OtherFocusReason);
}

void TFormMain::runOrExplain(const std::function<void()>& handler, const QAction* command) {
    if (handler) {
        handler();
        return;
    }
    QString caption = command->text();
    caption.remove(QLatin1Char('&'));
    dialogs_.messageBox(QStringLiteral("Эта команда будет доступна в следующей версии программы."),
                        caption, base::MB_OK | base::MB_ICONINFORMATION);
}

}  // namespace app
