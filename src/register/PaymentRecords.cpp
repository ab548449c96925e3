#include "PaymentRecords.h"

#include "RegisterCore.h"
#include "engine/SyncScope.h"
#include "engine/EngineError.h"
#include "FlagScope.h"

namespace reg {

namespace {

QString text(const engine::Dataset& view, const char* field) {
    return view.fieldByName(QString::fromLatin1(field)).asString();
}


}  // namespace

bool PaymentRecords::isValidCode(const QString& code) {
    // The list is compared as a whole only when it changed (a QStringList copy shares its
    // data, so an unchanged list compares at once).
    if (codesSeen_ != core_.KindCodeList || (codeSet_.isEmpty() && !core_.KindCodeList.isEmpty())) {
        codesSeen_ = core_.KindCodeList;
        codeSet_.clear();
        for (const QString& c : codesSeen_) codeSet_.insert(c.toLower());
    }
    return codeSet_.contains(code.toLower());
}

void PaymentRecords::refuse(const QString& message) {
    core_.dialogs().messageBox(message, QStringLiteral("Ошибка"), store::MB_OK | store::MB_ICONHAND);
    throw engine::SilentAbort();
}

void PaymentRecords::learn(engine::Dataset& list, const QString& value, QStringList& gridList) {
    if (list.locate(QStringLiteral("ListVal"), value)) return;
    list.append();
    list.fieldByName(QStringLiteral("ListVal")).setAsString(value);
    list.post();
    gridList << value;
}

void PaymentRecords::BeforeDayDataPost(engine::Dataset& view) {
    // Records carried over by a structure update were stored before; they keep what they had.
    if (core_.groups.carryingOver()) return;
    const bool inserting = view.state() == engine::Dataset::State::Insert;
    bool blank = !view.modified() && inserting;
    if (!view.modified() && !inserting) return;  // re-posting an untouched record changes nothing
    if (!blank) {
        blank = true;
        for (const auto& f : view.fields())
            if (!f->asString().isEmpty()) {
                blank = false;
                break;
            }
    }
    if (blank) {
        // An empty new record is dropped; a stored record the user emptied is deleted.
        if (inserting) view.cancel();
        else view.remove();
        return;
    }

    const QString code = text(view, "PAY_KIND_N");
    if (code.isEmpty()) refuse(QStringLiteral("Поле \"Статья затрат\" не заполнено"));
    if (!isValidCode(code)) refuse(QStringLiteral("Поле \"Статья затрат\" заполнено неправильно."));
    if (view.fieldByName(QStringLiteral("PAY_SUM")).isNull()) refuse(QStringLiteral("Поле \"Сумма\" не заполнено"));
    if (text(view, "KOMU").isEmpty()) refuse(QStringLiteral("Поле \"Поставщики\" не заполнено"));
    if (text(view, "SUBJECT").isEmpty()) refuse(QStringLiteral("Поле \"За что\" не заполнено."));
    if (text(view, "BANK").isEmpty()) refuse(QStringLiteral("Поле \"Банк\" не заполнено."));

    if (text(view, "NPP").isEmpty()) view.fieldByName(QStringLiteral("NPP")).setAsInteger(view.recordCount() + 1);
    view.fieldByName(QStringLiteral("PAY_DATA")).setAsDate(core_.CurrentDate);
    learn(core_.views.TablePayKind, text(view, "SUBJECT"), core_.pickLists.expenseGrid.purposes);
    learn(core_.views.TableReciverNames, text(view, "KOMU"), core_.pickLists.expenseGrid.recipients);
}

void PaymentRecords::TableDataSourceDayDataAfterPost(engine::Dataset&) {
    engine::Dataset& expenses = core_.views.TableDayData;
    // During the full renumbering this runs once at its end: the numbers it leaves are the
    // same, without renumbering every expense after every single record.
    if (!expenses.isOpen() || fullRenumbering_) return;
    expenses.first();
    const int n = expenses.recordCount();
    engine::Field& npp = expenses.fieldByName(QStringLiteral("NPP"));
    for (int i = 1; i <= n; ++i) {
        expenses.edit();
        npp.setAsInteger(i);
        try {
            expenses.post();
        } catch (...) {
            // The record no longer passes the check: its message was shown; leave it as stored.
            expenses.cancel();
            throw;
        }
        expenses.next();
    }
    core_.views.TableDataSourceDayData.refresh();
}

void PaymentRecords::RenumberDayData() {
    engine::Dataset& view = core_.views.TableDataSourceDayData;
    const bool wasOpen = view.isOpen();
    const bool wasFiltered = view.filtered();
    // One notification at the end instead of a recount of the balance after every record.
    view.disableControls();
    auto restore = [&] {
        view.enableControls();
        if (view.isOpen()) {
            if (view.state() != engine::Dataset::State::Browse) view.cancel();
            view.setFiltered(wasFiltered);
            if (!wasOpen) view.close();
        } else {
            view.setFiltered(wasFiltered);
            if (wasOpen) view.open();
        }
    };
    try {
        // Every record is rewritten: synced once, when all are numbered.
        engine::SyncScope durable;
        {
            store::FlagScope renumbering(fullRenumbering_);
            view.setFiltered(false);
            view.open();
            int counter = 1;
            engine::Field& npp = view.fieldByName(QStringLiteral("NPP"));
            engine::Field& date = view.fieldByName(QStringLiteral("PAY_DATA"));
            for (view.first(); !view.eof(); view.next()) {
                view.edit();
                npp.setAsInteger(counter++);
                date.setAsDate(core_.CurrentDate);
                view.post();
            }
        }
        TableDataSourceDayDataAfterPost(view);
        durable.commit();
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

void PaymentRecords::rePost(engine::Dataset& view) {
    if (view.isEmpty() && view.state() == engine::Dataset::State::Browse) return;
    if (view.state() == engine::Dataset::State::Browse) view.edit();
    view.post();
}

void PaymentRecords::ActionSaveExecute() {
    RenumberDayData();
    store::DataViews& v = core_.views;
    engine::Dataset* views[] = {&v.TableDayData, &v.TableDataSourceDayData, &v.TableDayIncome,
                                &v.TableDataSourceDayIncome, &v.TableStartMoney};
    for (engine::Dataset* view : views) {
        rePost(*view);
        view->close();
    }
    for (engine::Dataset* view : views) view->open();
}

}  // namespace reg
