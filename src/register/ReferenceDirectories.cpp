#include "ReferenceDirectories.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <vector>

#include "RegisterCore.h"

namespace reg {

namespace {

const QString kConstName = QStringLiteral("ConstName");
const QString kViewName = QStringLiteral("ViewName");
const QString kRodazPath = QStringLiteral("RodazPath");
const QString kRodazPathName = QStringLiteral("Каталог для отправки в управление");

// A chosen folder as it is stored: cleaned, without a closing separator.
QString storedFolder(const QString& folder) {
    QString path = QDir::cleanPath(folder);
    while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
    return path;
}

}  // namespace

void ReferenceDirectories::TablePNameBeforePost(engine::Dataset& view) {
    view.fieldByName(kConstName).setAsString(QStringLiteral("PlantName"));
}

void ReferenceDirectories::TableRodazPathBeforePost(engine::Dataset& view) {
    if (!view.isEditing()) return;
    view.fieldByName(kConstName).setAsString(kRodazPath);
    // A row made by typing into the empty edit gets the name the folder chooser would give it.
    engine::Field& name = view.fieldByName(kViewName);
    if (view.state() == engine::Dataset::State::Insert && name.asString().isEmpty())
        name.setAsString(kRodazPathName);
}

void ReferenceDirectories::DBLookupComboBox1Click(const QString& shownName) {
    store::DataViews& v = core_.views;
    v.TablePName.edit();
    v.TablePName.post();
    if (!v.TablePlantNames.locate(QStringLiteral("PLANT_NAME"), shownName)) return;
    core_.WriteConst(QStringLiteral("SendPrefix"),
                     v.TablePlantNames.fieldByName(QStringLiteral("SENDPREFIX")).asString(),
                     QStringLiteral("Префикс данных"));
    v.TableConstEdit.refresh();
}

void ReferenceDirectories::ButDirSelectClick(const QString& startFolder) {
    const std::optional<QString> chosen = core_.dialogs().chooseFolder(startFolder);
    // The dialog may have changed the working folder.
    QDir::setCurrent(core_.ProgDir);
    if (!chosen || chosen->isEmpty()) return;
    const QString folder = storedFolder(*chosen);
    if (!QFileInfo(folder).isDir()) {
        const QString shown = QDir::toNativeSeparators(folder);
        if (core_.dialogs().messageBox(QStringLiteral("Каталог \"") + shown +
                                           QStringLiteral("\" не существует.\n\rСоздать его?"),
                                       QStringLiteral("Внимание"),
                                       base::MB_YESNO | base::MB_ICONQUESTION) != base::IDYES)
            return;
        if (!QDir().mkpath(folder)) {
            core_.dialogs().messageBox(
                QStringLiteral("Не удается создать каталог \"") + shown + QStringLiteral("\"."),
                QStringLiteral("Ошибка"), base::MB_ICONHAND);
            return;
        }
    }
    // The chosen folder replaces whatever was being typed into the edit.
    engine::Dataset& row = core_.views.TableRodazPath;
    if (row.isEditing()) row.cancel();
    if (!core_.WriteConst(kRodazPath, folder, kRodazPathName)) return;
    row.refresh();
}

void ReferenceDirectories::postRodazPath() {
    engine::Dataset& row = core_.views.TableRodazPath;
    if (!row.isEditing()) return;
    row.fieldByName(kConstName).setAsString(kRodazPath);
    row.post();
}

void ReferenceDirectories::DBEdit1KeyDown(int key) {
    if (key == kEnterKey) postRodazPath();
}

void ReferenceDirectories::TabSheet1Hide() {
    postRodazPath();
}

void ReferenceDirectories::ButBankListSyncClick() {
    if (core_.dialogs().messageBox(
            QStringLiteral(
                "      После выполнения этой команды\n\rВам придется заново ввести остатки\n\r"
                "на начало дня в окне текущих данных.\n\rПродолжить?"),
            QStringLiteral("Внимание"),
            base::MB_YESNO | base::MB_ICONEXCLAMATION) != base::IDYES)
        return;
    store::DataViews& v = core_.views;
    engine::Dataset& banks = v.TableBankNames;
    // Stores a pending change of an in-use mark; an empty list gets no empty row from it.
    if (banks.isEditing() || !banks.isEmpty()) {
        banks.edit();
        banks.post();
    }
    // The lists walked through below stay on the records the user left them on.
    std::vector<std::pair<engine::Dataset*, int>> positions;
    for (engine::Dataset* list : {&banks, &v.TableReciverNames, &v.TablePayKind,
                                  static_cast<engine::Dataset*>(&v.TableKindList)})
        if (list->isOpen()) positions.emplace_back(list, list->recNo());
    core_.balances.RebuildStartMoney();
    core_.pickLists.FillPickLists();
    for (auto [list, recNo] : positions)
        if (recNo > 0 && list->recordCount() > 0)
            list->setRecNo(std::min(recNo, list->recordCount()));
    core_.dialogs().messageBox(QStringLiteral("Список синхронизирован."),
                               QStringLiteral("Результат"), base::MB_ICONINFORMATION);
}

}  // namespace reg
