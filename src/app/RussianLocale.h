#pragma once

class QCoreApplication;

namespace app {

// Makes Russian the language of the program, whatever the desktop's language: the default
// locale (month and day names, the decimal comma) and Qt's own texts in its dialogs and boxes
// from Qt's Russian catalogue (Debian's qt6-translations-l10n), with the few texts that
// catalogue lacks. Returns false when the catalogue is not installed; the program's own texts
// are Russian regardless.
bool installRussianLocale(QCoreApplication& app);

}  // namespace app
