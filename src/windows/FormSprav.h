#pragma once

#include <functional>

#include "MdiChild.h"
#include "engine/EventList.h"

class QAction;
class QLabel;
class QPushButton;
class QTabWidget;
class QTextEdit;
class QToolButton;

namespace widgets {
class DataGrid;
class DbEdit;
class DbLookupComboBox;
class DbNavigator;
}  // namespace widgets

namespace reg {
class RegisterCore;
}

namespace windows {

// The reference directories window, an MDI child of the main window that stays open and
// maximised for the whole run. Its six pages show the register core's reference views: the
// plant's requisites and other constants, the banks with their in-use marks, the suppliers,
// the payment kinds, the plant names with their send prefixes, and the cost-item catalogue as
// a table and as an indented text (rebuilt at every day opening, editable for printing but
// never stored). It owns no data; its handlers call the core.
class TFormSprav : public widgets::FixedMdiChild {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Справочники");

    explicit TFormSprav(reg::RegisterCore& core, QWidget* parent = nullptr);
    ~TFormSprav() override;

    QTabWidget* PageControl1;
    // "&1 Реквизиты"
    QWidget* TabSheet1;
    QLabel* Label1;
    widgets::DbLookupComboBox* DBLookupComboBox1;
    QLabel* Label2;
    widgets::DbEdit* DBEdit1;
    QPushButton* ButDirSelect;
    widgets::DataGrid* DataGrid1;
    // "&2 Банки"
    QWidget* TabSheet2;
    widgets::DbNavigator* DBNavigator1;
    QPushButton* ButBankListSync;
    widgets::DataGrid* DataGrid2;
    // "&3 Поставщики"
    QWidget* TabSheet3;
    widgets::DbNavigator* DBNavigator2;
    widgets::DataGrid* DataGrid3;
    // "&4 Виды платежей"
    QWidget* TabSheet4;
    widgets::DbNavigator* DBNavigator3;
    widgets::DataGrid* DataGrid4;
    // "&5 Названия предприятий"
    QWidget* TabSheet5;
    widgets::DbNavigator* DBNavigator4;
    widgets::DataGrid* DataGrid5;
    // "&6 Статьи затрат": "Таблица" and "Текст"
    QWidget* TabSheetKindList;
    QTabWidget* PageControl2;
    QWidget* TabSheetKindTable;
    widgets::DbNavigator* DBNavigator5;
    widgets::DataGrid* DataGrid6;
    QWidget* TabSheetKindText;
    QTextEdit* RichEdit1;
    QAction* CmdTypeKindListText;  // "Распечатать", in the text's context menu and beside it

    // "Распечатать" prints the catalogue text as RichEdit1 holds it, at once on the current
    // printer; a hook set here prints it another way (tests).
    std::function<void()> printKindListTextHook;

    void DBLookupComboBox1Click();
    void ButDirSelectClick();
    void ButBankListSyncClick();
    void DBEdit1KeyDown(int key, Qt::KeyboardModifiers shift);
    void TabSheet1Hide();
    void CmdTypeKindListTextClick();
    // Puts the catalogue's text listing into RichEdit1 (at every day opening).
    void BuildKindListText();

private:
    void buildRequisites();
    QWidget* gridPage(const char* name, const char* navigatorName, widgets::DbNavigator*& navigator,
                      widgets::DataGrid*& grid);
    void buildCatalogue();

    reg::RegisterCore& core_;
    int shownPage_ = 0;
    engine::Connections hooks_;  // on the core's day opening
};

}  // namespace windows
