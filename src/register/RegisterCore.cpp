#include "RegisterCore.h"

#include <QDir>

#include "ReferenceDirectories.h"

namespace reg {

RegisterCore::RegisterCore(const QString& programDir, base::Dialogs& dialogs)
    : RegisterCore(base::ProgramFolders(programDir), dialogs) {}

RegisterCore::RegisterCore(const base::ProgramFolders& folders, base::Dialogs& dialogs)
    : CurrentDate(QDate::currentDate()),
      ProgDir(folders.ProgDir),
      SpravDir(folders.SpravDir),
      TemplateDir(folders.TemplateDir),
      TemplateSpravDir(folders.TemplateSpravDir),
      TemplateDataDir(folders.TemplateDataDir),
      views(TemplateDataDir, TemplateSpravDir, SpravDir),
      groups(views, dialogs),
      consts(views.TableConst),
      pickLists(*this),
      payments(*this),
      balances(*this),
      currentDay(*this),
      dialogs_(dialogs) {
    DayDir = DayFolderOf(CurrentDate);
    QDir().mkpath(SpravDir);
    attachHandlers();
}

RegisterCore::~RegisterCore() { views.closeAll(); }

void RegisterCore::attachHandlers() {
    store::DataViews& v = views;
    for (engine::Dataset* d : {&v.TableDataSourceDayData, &v.TableDataSourceDayIncome, &v.TableDayData, &v.TableDayIncome})
        hooks_ += d->beforePost.add([this](engine::Dataset& ds) { payments.BeforeDayDataPost(ds); });
    for (engine::Dataset* d : {&v.TableDataSourceDayData, &v.TableDataSourceDayIncome}) {
        hooks_ += d->afterPost.add([this](engine::Dataset& ds) { payments.TableDataSourceDayDataAfterPost(ds); });
        hooks_ += d->afterDelete.add([this](engine::Dataset& ds) { payments.TableDataSourceDayDataAfterPost(ds); });
        hooks_ += d->onDataChange.add([this](engine::Dataset& ds, engine::Field* f) { balances.DataSourceDayDataDataChange(ds, f); });
    }
    for (engine::Dataset* d : {&v.TableStartMoney, &v.TablePlusMoney, &v.TableIncomeSum})
        hooks_ += d->beforePost.add([this](engine::Dataset& ds) { balances.TableStartMoneyBeforePost(ds); });
    for (engine::Dataset* d : {&v.TableStartMoney, &v.TableIncomeSum})
        hooks_ += d->onDataChange.add([this](engine::Dataset& ds, engine::Field* f) { balances.DataSourceIncomeSumDataChange(ds, f); });
    hooks_ += v.TablePName.beforePost.add(&ReferenceDirectories::TablePNameBeforePost);
    hooks_ += v.TableRodazPath.beforePost.add(&ReferenceDirectories::TableRodazPathBeforePost);
    hooks_ += v.TableKindList.onCalcFields.add([this](engine::Dataset& ds) { pickLists.TableKindListCalcFields(ds); });
    // The sum lists attach last, around the handlers above.
    balances.Loaded();
}

QString RegisterCore::DayFolderOf(const QDate& date) const {
    return base::dayFolderOf(ProgDir, date.isValid() ? date : CurrentDate);
}

}  // namespace reg
