#pragma once

#include <QDialog>

class QPushButton;
class QTextBrowser;
class QToolBar;
class QToolButton;

namespace windows {

// The help window: a modal dialog with only a close button in its caption, 660 x 426,
// centred on the screen, that shows the program's user guide, Help/Zorvel.html of the program
// folder, and the pages it links to. Every time it is shown it starts at that page with no
// earlier page to go back to.
class TFormHelp : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 660;
    static constexpr int kClientHeight = 426;
    static inline const QString kCaption = QStringLiteral("Как пользоваться программой");

    explicit TFormHelp(const QString& programDir, QWidget* parent = nullptr);

    // The help page: Help/Zorvel.html below the program folder.
    QString helpPage() const;

    QToolBar* ToolBar1;
    QToolButton* ToolButton1;  // "     К содержанию     "
    QToolButton* ToolButton3;  // "Назад"
    QToolButton* ToolButton5;  // "Закрыть"
    QTextBrowser* WebBrowser1;
    QPushButton* BitBtn1;  // the window's cancel button, under the browser: Esc closes

    // Goes to the help page.
    void FormShow();
    void ToolButton1Click();
    void ToolButton3Click();
    void ToolButton5Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString programDir_;
};

}  // namespace windows
