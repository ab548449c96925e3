#pragma once

#include <QPointer>
#include <QStringList>

#include "Dialogs.h"

class QMessageBox;

namespace windows {

class TFormDateSelect;


// The dialogs of the running program: real message boxes and the date window.
//
// A message box shows the caption, the text (a "\n\r" pair, as the program's texts break
// lines, is one line break) as plain text, the icon of the MB_ICON* part of the style and the
// buttons of its MB_* button part with Russian texts: MB_OK "OK", MB_OKCANCEL "OK" "Отмена",
// MB_YESNOCANCEL "Да" "Нет" "Отмена", MB_YESNO "Да" "Нет"; any other button part shows "OK".
// The first button is the default unless MB_DEFBUTTON2 or MB_DEFBUTTON3 picks another.
// Escape and the window's close button answer IDCANCEL where there is a Cancel button, IDOK
// for a lone OK and IDNO for Yes/No: every confirmation treats anything but Yes as "stop", so
// a box left this way never starts what it asks about.
//
// Every box is application modal. One owned by the application is placed over the active
// window; one without owner stands on its own.
class QtDialogs : public base::Dialogs {
public:
    static constexpr int MB_DEFBUTTON2 = 0x100;
    static constexpr int MB_DEFBUTTON3 = 0x200;

    QtDialogs();
    ~QtDialogs() override;

    int messageBox(const QString& text, const QString& caption, int style,
                   bool ownedByApplication = true) override;

    // Shows the date window with the given caption (its own when empty), which its prompt
    // repeats, and restores both afterwards.
    std::optional<QDate> chooseDate(const QString& caption) override;

    // A non-native file dialog in save mode with the request's title, filters and default
    // extension, opened in the request's start folder (the working folder when it has none or
    // it is gone). Choosing a file that exists asks, in Qt's own words, before replacing it;
    // No keeps the dialog open.
    std::optional<QString> saveFileName(const base::SaveFileRequest& request) override;

    // The print setup dialog "Настройка принтера" over the active window.
    bool printSetup(base::PrintSetupRequest& request) override;

    // A non-native folder dialog opened at the start folder (or the nearest folder above it
    // that exists). It also takes the name of a folder that does not exist yet, typed into its
    // name box, and returns it as it is.
    std::optional<QString> chooseFolder(const QString& startFolder) override;

    // The Qt name filters of a filter list "description|pattern|...": "description (masks)",
    // each mask also in the other letter case, so that files show whatever their case.
    static QStringList nameFiltersOf(const QString& filter);

    // The program's date window; without one a window of the same kind is made for each choice.
    void setDateForm(TFormDateSelect* form);
    TFormDateSelect* dateForm() const;

    // The text a box shows for a text of the program.
    static QString displayText(const QString& text);

private:
    QPointer<TFormDateSelect> dateForm_;
};

}  // namespace windows
