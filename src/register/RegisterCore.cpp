#include "RegisterCore.h"

#include <QDir>

namespace reg {

RegisterCore::RegisterCore(const QString& programDir, store::Dialogs& dialogs)
    : RegisterCore(store::ProgramFolders(programDir), dialogs) {}

RegisterCore::RegisterCore(const store::ProgramFolders& folders, store::Dialogs& dialogs)
    : CurrentDate(QDate::currentDate()),
      ProgDir(folders.ProgDir),
      SpravDir(folders.SpravDir),
      TemplateDir(folders.TemplateDir),
      TemplateSpravDir(folders.TemplateSpravDir),
      TemplateDataDir(folders.TemplateDataDir),
      views(TemplateDataDir, TemplateSpravDir, SpravDir),
      dialogs_(dialogs) {
    DayDir = DayFolderOf(CurrentDate);
    QDir().mkpath(SpravDir);
}

RegisterCore::~RegisterCore() { views.closeAll(); }

QString RegisterCore::DayFolderOf(const QDate& date) const {
    return store::dayFolderOf(ProgDir, date.isValid() ? date : CurrentDate);
}

}  // namespace reg
