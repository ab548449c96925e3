#pragma once

#include <gtest/gtest.h>

#include <QDate>
#include <QDir>

#include "ProgramFolder.h"
#include "RegisterCore.h"
#include "ScriptedDialogs.h"

namespace registertest {

// A register core over a fresh program folder made from the real templates, driven through
// scripted dialogs.
class RegisterFixture : public ::testing::Test {
protected:
    testing_support::ProgramFolder folder;
    testing_support::ScriptedDialogs dialogs;
    reg::RegisterCore core{folder.path(), dialogs};
    const QDate day{2008, 10, 13};

    void openDay(const QDate& date) {
        dialogs.dates.push_back(date);
        core.currentDay.ActionDateSelectExecute();
    }
    void openDay() { openDay(day); }

    // A leaf code of the catalogue: an expense one or an income one.
    QString expenseCode() const {
        for (const QString& c : core.KindCodeList)
            if (!c.startsWith(QLatin1String("001")) && !c.startsWith(QLatin1String("100"))) return c;
        return {};
    }
    QString incomeCode() const {
        for (const QString& c : core.KindCodeList)
            if (c.startsWith(QLatin1String("001."))) return c;
        return {};
    }

    // Types a complete record into a view and posts it.
    void addPayment(engine::Dataset& view, const QString& komu, double sum, const QString& code,
                    const QString& subject = QStringLiteral("Оплата по счёту"),
                    const QString& bank = QStringLiteral("Сбербанк")) {
        view.append();
        view.fieldByName("KOMU").setAsString(komu);
        view.fieldByName("SUBJECT").setAsString(subject);
        view.fieldByName("PAY_SUM").setAsFloat(sum);
        view.fieldByName("BANK").setAsString(bank);
        view.fieldByName("PAY_KIND_N").setAsString(code);
        view.post();
    }

    // Values of one field over the whole day table in stored order.
    QStringList stored(const char* field) {
        engine::Dataset all;
        all.setFolder(core.DayDir);
        all.setTableName(QStringLiteral("DayData.DBF"));
        all.open();
        QStringList values;
        for (all.first(); !all.eof(); all.next()) values << all.fieldByName(QString::fromLatin1(field)).asString();
        return values;
    }
};

}  // namespace registertest
