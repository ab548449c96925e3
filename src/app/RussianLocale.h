#pragma once

class QCoreApplication;

namespace app {

// Makes Russian the language of the program: the default locale (month and day names, the
// decimal comma) and Qt's own texts from its Russian translation. Returns false when that
// translation is not installed; the program's own texts are Russian regardless.
bool installRussianLocale(QCoreApplication& app);

}  // namespace app
