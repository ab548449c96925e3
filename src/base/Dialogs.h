#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

namespace base {

// Message box styles and results, with the values of the Windows API they come from.
enum MessageStyle : int {
    MB_OK = 0x00,
    MB_OKCANCEL = 0x01,
    MB_YESNOCANCEL = 0x03,
    MB_YESNO = 0x04,
    MB_ICONHAND = 0x10,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONINFORMATION = 0x40,
};
enum MessageResult : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// What a save-file dialog asks: its title, its filters as "description|pattern|description|
// pattern..." (a pattern may list several masks separated by ';'), the extension, without
// its point, that a name typed without one receives, and the folder it opens in (empty: the
// working folder).
struct SaveFileRequest {
    QString title;
    QString filter;
    QString defaultExtension;
    QString startFolder = {};
    // Per file type of the filter, in its order: the extension a name typed without one gets
    // while that type is chosen; empty (or missing) means defaultExtension.
    QStringList typeExtensions = {};
};

// What the print setup dialog shows and, after OK, what the user chose: the four margins as
// texts in the current unit (each a number), the layout options and the print font's name.
struct PrintSetupRequest {
    QString top, bottom, left, right;
    bool fitToPageWidth = false;     // "&Умещать в ширину на листе"
    bool fitByColumnWidths = false;  // "Изменять ширину столбцов" rather than scaling the table
    bool optimalColumnWidths = false;
    bool rowAutoStretch = false;
    bool colored = false;
    QString printFontName;
};

// Every modal interaction of the program goes through this interface. The program installs
// the Qt implementation; tests install a scripted one that records every box and answers
// from a queue. Nothing below the window layer shows a dialog any other way.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A message box. `style` is a sum of MessageStyle values; the result is a MessageResult.
    // `ownedByApplication` is false for the few boxes that have no owner window.
    virtual int messageBox(const QString& text, const QString& caption, int style,
                           bool ownedByApplication = true) = 0;

    // The modal date choice: the chosen date, or nothing when cancelled.
    virtual std::optional<QDate> chooseDate(const QString& caption) = 0;

    // The modal save-file choice: the full name of the chosen file (a name typed without an
    // extension has the request's default extension added), or nothing when cancelled. A file
    // that exists already is chosen only after the user agreed to replace it. An
    // implementation that cannot ask for files answers as if cancelled.
    virtual std::optional<QString> saveFileName(const SaveFileRequest& /*request*/) {
        return std::nullopt;
    }

    // The print setup dialog: true on OK with the request holding the choice, false on Cancel
    // (the request is then as it was).
    virtual bool printSetup(PrintSetupRequest& /*request*/) { return false; }

    // The modal folder choice, starting at startFolder: the full path of the chosen folder, or
    // nothing when cancelled. The user may also type the name of a folder that does not exist
    // yet; that name is returned as it is, and creating it is the caller's business. An
    // implementation that cannot ask for folders answers as if cancelled.
    virtual std::optional<QString> chooseFolder(const QString& /*startFolder*/) {
        return std::nullopt;
    }
};

}  // namespace base
