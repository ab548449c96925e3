#include "PaymentRecords.h"

#include "RegisterCore.h"
#include "engine/SyncScope.h"
#include "EngineError.h"
#include "FlagScope.h"

namespace reg {

namespace {

QString text(const engine::Dataset& view, const char* field) {
    return view.fieldByName(QString::fromLatin1(field)).asString();
}

// A running number in the day's NPP field, or blank past the highest the field holds.
void setNumber(engine::Field& npp, int number) {
    if (number <= PaymentRecords::kMaxRecords)
        npp.setAsInteger(number);
    else
        npp.clear();
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
    core_.dialogs().messageBox(message, QStringLiteral("Ошибка"), base::MB_OK | base::MB_ICONHAND);
    throw base::SilentAbort();
}

void PaymentRecords::learn(engine::Dataset& list, const QString& value, QStringList& gridList) {
    Learnt& learnt = &list == &core_.views.TablePayKind ? learntPurposes_ : learntRecipients_;
    if (learnt.seen.contains(value) || list.locate(QStringLiteral("ListVal"), value)) return;
    if (fullRenumbering_) {
        // A whole day may bring thousands of new names: they are added together at the end.
        learnt.seen.insert(value);
        learnt.names << value;
    } else {
        list.append();
        list.fieldByName(QStringLiteral("ListVal")).setAsString(value);
        list.post();
    }
    gridList << value;
}

void PaymentRecords::storeLearnt() {
    for (auto [list, learnt] : {std::pair{&core_.views.TablePayKind, &learntPurposes_},
                                std::pair{&core_.views.TableReciverNames, &learntRecipients_}}) {
        const QStringList names = std::move(learnt->names);
        *learnt = {};
        list->appendValues(QStringLiteral("ListVal"), names);
    }
}

int PaymentRecords::dayRecordCount() const {
    const store::DataViews& v = core_.views;
    if (!v.TableDayData.isOpen() || !v.TableDayIncome.isOpen()) return 0;
    return v.TableDayData.recordCount() + v.TableDayIncome.recordCount();
}

bool PaymentRecords::WarnAboutOverfullDay() {
    const int n = dayRecordCount();
    if (n <= kMaxRecords) return false;
    core_.dialogs().messageBox(
        QStringLiteral(
            "В этом дне %1 записей, а в одном дне их может быть не более %2.\n\r"
            "Записи после %2-й хранятся без номера п/п. Перенесите лишние записи в другой день.")
            .arg(n)
            .arg(kMaxRecords),
        QStringLiteral("Внимание"), base::MB_OK | base::MB_ICONEXCLAMATION);
    return true;
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

    // The running number has four digits: a day holds at most kMaxRecords records.
    if (inserting && dayRecordCount() >= kMaxRecords)
        refuse(QStringLiteral("В одном дне может быть не более %1 записей.\n\r"
                              "Эта запись не сохранена: внесите её в другой день.")
                   .arg(kMaxRecords));

    const QString code = text(view, "PAY_KIND_N");
    if (code.isEmpty()) refuse(QStringLiteral("Поле \"Статья затрат\" не заполнено"));
    if (!isValidCode(code)) refuse(QStringLiteral("Поле \"Статья затрат\" заполнено неправильно."));
    if (view.fieldByName(QStringLiteral("PAY_SUM")).isNull()) refuse(QStringLiteral("Поле \"Сумма\" не заполнено"));
    if (text(view, "KOMU").isEmpty()) refuse(QStringLiteral("Поле \"Поставщики\" не заполнено"));
    if (text(view, "SUBJECT").isEmpty()) refuse(QStringLiteral("Поле \"За что\" не заполнено."));
    if (text(view, "BANK").isEmpty()) refuse(QStringLiteral("Поле \"Банк\" не заполнено."));

    if (text(view, "NPP").isEmpty())
        setNumber(view.fieldByName(QStringLiteral("NPP")), view.recordCount() + 1);
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
        setNumber(npp, i);
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
            // The names learnt so far are stored also when a record stops the renumbering.
            struct StoreLearnt {
                PaymentRecords& p;
                ~StoreLearnt() {
                    try {
                        p.storeLearnt();
                    } catch (...) {
                    }
                }
            } storeLearnt{*this};
            view.setFiltered(false);
            view.open();
            int counter = 1;
            engine::Field& npp = view.fieldByName(QStringLiteral("NPP"));
            engine::Field& date = view.fieldByName(QStringLiteral("PAY_DATA"));
            for (view.first(); !view.eof(); view.next()) {
                view.edit();
                setNumber(npp, counter++);
                date.setAsDate(core_.CurrentDate);
                view.post();
            }
            this->storeLearnt();
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
