#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <string>

#include "DayGridModels.h"
#include "ExportStream.h"
#include "ExportWriter.h"
#include "GridExport.h"
#include "RegisterFixture.h"
#include "Codec.h"
#include "engine/Dataset.h"
#include "engine/DbfTable.h"

namespace outputtest {

inline std::string cp1251(const QString& text) {
    return base::Codec::cp1251().encode(text);
}
inline QString fromCp1251(const std::string& bytes) {
    return base::Codec::cp1251().decode(bytes);
}

// Lines written with "\n" in a test become the CR LF lines of a file, in the 1251 code page.
inline std::string crlf(const QString& text) {
    QString s = text;
    s.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    return cp1251(s);
}

inline std::string readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = f.readAll();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// A view over a new dBase table T.DBF in the folder, holding the given records.
inline std::unique_ptr<engine::Dataset> tableView(const QString& folder,
                                                  const std::vector<engine::FieldDef>& fields,
                                                  const std::vector<engine::Record>& records) {
    const QString path = QDir(folder).filePath(QStringLiteral("T.DBF"));
    engine::DbfTable::create(path, fields, {});
    {
        auto table = engine::DbfTable::open(path, false);
        for (const engine::Record& r : records) table->appendRecord(r);
    }
    auto view = std::make_unique<engine::Dataset>();
    view->setFolder(folder);
    view->setTableName(QStringLiteral("T.DBF"));
    view->open();
    return view;
}

// A register day with the expenses grid's model, and exports of it into memory with the
// fixed colours (window FFFFFF, button face F0F0F0) at 96 pixels per inch.
class OutputFixture : public registertest::RegisterFixture {
protected:
    void SetUp() override {
        openDay();
        code = expenseCode();
        ASSERT_FALSE(code.isEmpty());
        grid = reg::expenseGridModel(core.views);
    }

    engine::Dataset& expenses() { return core.views.TableDataSourceDayData; }
    engine::Dataset& incomes() { return core.views.TableDataSourceDayIncome; }

    void addExpense(const QString& komu, double sum, const QString& subject, const QString& bank) {
        addPayment(expenses(), komu, sum, code, subject, bank);
    }
    // The two expenses of the worked examples below.
    void addTwoExpenses() {
        addExpense(QStringLiteral("ООО Ромашка"), 1234.5, QStringLiteral("Оплата по счёту"),
                   QStringLiteral("Сбербанк"));
        addExpense(QStringLiteral("ИП Петров"), 5.5, QStringLiteral("Аванс"),
                   QStringLiteral("ВТБ"));
    }

    std::string exportBytes(output::ExportKind kind, const output::ExportEnvironment& environment =
                                                         output::ExportEnvironment::standard()) {
        auto writer = output::makeExportWriter(kind, environment);
        writer->setGrid(grid);
        output::MemoryStream stream;
        writer->ExportToStream(stream, true);
        return stream.bytes();
    }

    // The code's display text under its edit mask: the code and the mask's closing blank.
    QString shownCode() const { return code + QLatin1Char(' '); }

    QString code;
    gridmodel::GridModel grid;
};

}  // namespace outputtest
