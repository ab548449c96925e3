// Register figures on a busy day: 2,000 expenses and 500 incomes, 10,000 suppliers, 10,000
// payment kinds and a 3,000-row catalogue; and FillPickLists over a 20,000-row catalogue.
// At the edge: a day of 2,000 records and one of 9,999 (the most a day holds) opened, the
// first Save of the 9,999-record day whose suppliers and purposes are all new, and the cost of
// learning one new name into lists of 20 and of 50,000 names.
// The program folders are made from the build's templates in $TMPDIR/platoris-register-bench.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <chrono>

#include "BenchDialogs.h"
#include "RegisterCore.h"
#include "engine/DbfTable.h"
#include "engine/ParadoxTable.h"

namespace {

constexpr int kExpenses = 2000;
constexpr int kIncomes = 500;
const QDate kDay(2008, 10, 13);

QString root(const char* name) { return QDir::tempPath() + QStringLiteral("/platoris-register-bench/") + QString::fromLatin1(name); }

// A catalogue of `rows` rows in code order: classes 1..n, each with subclasses and items.
void writeCatalogue(const QString& path, int rows) {
    QFile::remove(path);
    std::vector<engine::FieldDef> fields;
    for (int i = 1; i <= 5; ++i) fields.push_back({QStringLiteral("LEVEL%1").arg(i), engine::FieldKind::SmallInt, 4, 0});
    for (int i = 1; i <= 5; ++i) fields.push_back({QStringLiteral("NAME%1").arg(i), engine::FieldKind::Text, 50, 0});
    engine::DbfTable::create(path, fields, {});
    auto t = engine::DbfTable::open(path, true);
    int written = 0;
    for (int cls = 1; written < rows; ++cls) {
        t->appendRecord({cls, 0, 0, 0, 0, QStringLiteral("Класс %1").arg(cls)});
        ++written;
        for (int sub = 1; sub <= 30 && written < rows; ++sub) {
            t->appendRecord({cls, sub, 0, 0, 0, QStringLiteral("Класс %1").arg(cls), QStringLiteral("Подкласс %1").arg(sub)});
            ++written;
            for (int item = 1; item <= 10 && written < rows; ++item, ++written)
                t->appendRecord({cls, sub, item, 0, 0, QStringLiteral("Класс %1").arg(cls), QStringLiteral("Подкласс %1").arg(sub),
                                 QStringLiteral("Статья %1").arg(item)});
        }
    }
}

void fillList(const QString& path, const QString& prefix, int rows) {
    auto t = engine::ParadoxTable::open(path, true);
    for (int i = 0; i < rows; ++i) t->appendRecord({prefix + QString::number(i)});
}

// A program folder: a catalogue, reference lists of listRows names, and (dayRecords > 0) the
// day kDay with that many records, one in five an income; their names are in the lists when
// namesKnown.
QString prepareFolder(const char* name, int catalogueRows, int dayRecords, int listRows = 10000,
                      bool namesKnown = true) {
    const QString dir = root(name);
    if (QFile::exists(dir + QStringLiteral("/ready"))) return dir;
    QDir(dir).removeRecursively();
    const QString templates = QStringLiteral(PLATORIS_TEMPLATE_DIR);
    QDirIterator it(templates, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString rel = QDir(templates).relativeFilePath(from);
        for (const QString& to : {dir + "/Template/" + rel, dir + "/Sprav/" + QFileInfo(rel).fileName()}) {
            if (to.contains("/Sprav/") && rel.startsWith("Data")) continue;
            QDir().mkpath(QFileInfo(to).path());
            QFile::copy(from, to);
            QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
        }
    }
    writeCatalogue(dir + "/Sprav/KindList.DBF", catalogueRows);
    fillList(dir + "/Sprav/ReciverNames.db", QStringLiteral("Поставщик номер "), listRows);
    fillList(dir + "/Sprav/PayKind.db", QStringLiteral("Назначение платежа номер "), listRows);
    if (dayRecords > 0) {
        bench::BenchDialogs dialogs(kDay);
        reg::RegisterCore core(dir, dialogs);
        core.currentDay.ActionDateSelectExecute();
        QString expenseCode, incomeCode;
        for (const QString& c : core.KindCodeList) {
            if (incomeCode.isEmpty() && c.startsWith("001.")) incomeCode = c;
            if (expenseCode.isEmpty() && !c.startsWith("001")) expenseCode = c;
        }
        auto day = engine::DbfTable::open(core.DayDir + "/DayData.DBF", false);
        const QString names = namesKnown ? QStringLiteral("номер") : QStringLiteral("новый");
        for (int i = 0; i < dayRecords; ++i) {
            const bool income = i % 5 == 4;
            day->appendRecord({i + 1, QStringLiteral("Поставщик %1 %2").arg(names).arg(i),
                               QStringLiteral("Назначение платежа %1 %2").arg(names).arg(i),
                               100.0 + i, QStringLiteral("Сбербанк"), kDay,
                               income ? incomeCode : expenseCode, QVariant()});
        }
    }
    QFile(dir + QStringLiteral("/ready")).open(QIODevice::WriteOnly);
    return dir;
}

// The first expense code of the catalogue.
QString expenseCode(const reg::RegisterCore& core) {
    for (const QString& c : core.KindCodeList)
        if (!c.startsWith("001") && !c.startsWith("100")) return c;
    return {};
}

// Types a new expense to a new supplier for a new purpose (both named by `tag`) and posts it.
void postNewExpense(engine::Dataset& expenses, const QString& code, const QString& tag, int n) {
    expenses.append();
    expenses.fieldByName("KOMU").setAsString(
        QStringLiteral("Новый поставщик %1-%2").arg(tag).arg(n));
    expenses.fieldByName("SUBJECT").setAsString(
        QStringLiteral("Новое назначение %1-%2").arg(tag).arg(n));
    expenses.fieldByName("PAY_SUM").setAsFloat(n);
    expenses.fieldByName("BANK").setAsString(QStringLiteral("Сбербанк"));
    expenses.fieldByName("PAY_KIND_N").setAsString(code);
    expenses.post();
}

void BM_OpenDay(benchmark::State& state) {
    const QString dir = prepareFolder("day", 3000, kExpenses + kIncomes);
    bench::BenchDialogs dialogs(kDay);
    reg::RegisterCore core(dir, dialogs);
    for (auto _ : state) core.currentDay.ActionDateSelectExecute();
    state.counters["expenses"] = core.views.TableDataSourceDayData.recordCount();
    state.counters["incomes"] = core.views.TableDataSourceDayIncome.recordCount();
}
BENCHMARK(BM_OpenDay)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_PostEditedExpense(benchmark::State& state) {
    const QString dir = prepareFolder("day", 3000, kExpenses + kIncomes);
    bench::BenchDialogs dialogs(kDay);
    reg::RegisterCore core(dir, dialogs);
    core.currentDay.ActionDateSelectExecute();
    engine::Dataset& expenses = core.views.TableDataSourceDayData;
    expenses.setRecNo(1000);
    double sum = 1;
    for (auto _ : state) {
        expenses.edit();
        expenses.fieldByName("PAY_SUM").setAsFloat(sum += 1);
        expenses.post();
    }
}
BENCHMARK(BM_PostEditedExpense)->Unit(benchmark::kMillisecond)->Iterations(20);

// A new expense to a new supplier for a new purpose: the day table's append, the two list
// appends of the check before the post and the renumbering after it, all synced.
void BM_PostNewExpenseWithNewNames(benchmark::State& state) {
    const QString dir = prepareFolder("day", 3000, kExpenses + kIncomes);
    bench::BenchDialogs dialogs(kDay);
    reg::RegisterCore core(dir, dialogs);
    core.currentDay.ActionDateSelectExecute();
    engine::Dataset& expenses = core.views.TableDataSourceDayData;
    const QString code = expenseCode(core);
    int n = 0;
    for (auto _ : state) postNewExpense(expenses, code, QStringLiteral("day"), ++n);
    state.counters["expenses"] = expenses.recordCount();
}
BENCHMARK(BM_PostNewExpenseWithNewNames)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_FillPickLists20k(benchmark::State& state) {
    const QString dir = prepareFolder("catalogue", 20000, 0);
    bench::BenchDialogs dialogs(kDay);
    reg::RegisterCore core(dir, dialogs);
    core.currentDay.ActionDateSelectExecute();
    for (auto _ : state) core.pickLists.FillPickLists();
    state.counters["leaf codes"] = core.KindCodeList.size();
}
BENCHMARK(BM_FillPickLists20k)->Unit(benchmark::kMillisecond)->Iterations(10);

// Opening days at the edge: 2,000 records and 9,999, the most a day holds.
void BM_OpenEdgeDay(benchmark::State& state) {
    const int records = static_cast<int>(state.range(0));
    const QString dir = prepareFolder(records == 2000 ? "day2000" : "day9999", 3000, records);
    bench::BenchDialogs dialogs(kDay);
    reg::RegisterCore core(dir, dialogs);
    for (auto _ : state) core.currentDay.ActionDateSelectExecute();
    state.counters["records"] =
        core.views.TableDayData.recordCount() + core.views.TableDayIncome.recordCount();
}
BENCHMARK(BM_OpenEdgeDay)->Arg(2000)->Arg(9999)->Unit(benchmark::kMillisecond)->Iterations(5);

// The first Save of a 9,999-record day whose 9,999 suppliers and purposes the lists (20 names
// each) do not know yet: every record is renumbered and both names of each learnt. Each
// iteration starts from the same files; the second Save shows what is left without learning.
void BM_FirstSaveLearning9999(benchmark::State& state) {
    const QString pristine = prepareFolder("new9999", 3000, 9999, 20, false);
    const QString work = root("new9999-work");
    for (auto _ : state) {
        state.PauseTiming();
        QDir(work).removeRecursively();
        QDirIterator it(pristine, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString from = it.next();
            const QString to = work + "/" + QDir(pristine).relativeFilePath(from);
            QDir().mkpath(QFileInfo(to).path());
            QFile::copy(from, to);
        }
        bench::BenchDialogs dialogs(kDay);
        reg::RegisterCore core(work, dialogs);
        core.currentDay.ActionDateSelectExecute();
        state.ResumeTiming();
        core.payments.ActionSaveExecute();
        state.PauseTiming();
        state.counters["purposes"] = core.views.TablePayKind.recordCount();
        const auto start = std::chrono::steady_clock::now();
        core.payments.ActionSaveExecute();
        state.counters["second save ms"] =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstSaveLearning9999)->Unit(benchmark::kMillisecond)->Iterations(2);

// One new expense with a new supplier and a new purpose, posted into a 20-record day whose
// lists hold 20 or 50,000 names: learning a name costs the same either way.
void BM_LearnNewNames(benchmark::State& state) {
    const int names = static_cast<int>(state.range(0));
    const QString dir = prepareFolder(names == 20 ? "learn20" : "learn50000", 3000, 20, names);
    bench::BenchDialogs dialogs(kDay);
    reg::RegisterCore core(dir, dialogs);
    core.currentDay.ActionDateSelectExecute();
    engine::Dataset& expenses = core.views.TableDataSourceDayData;
    const QString code = expenseCode(core);
    static int n = 0;
    for (auto _ : state) {
        postNewExpense(expenses, code, QString::number(names), ++n);
        // The day stays at its size: the record just added goes again (not timed).
        state.PauseTiming();
        expenses.last();
        expenses.remove();
        state.ResumeTiming();
    }
    state.counters["names"] = core.views.TablePayKind.recordCount();
}
BENCHMARK(BM_LearnNewNames)->Arg(20)->Arg(50000)->Unit(benchmark::kMillisecond)->Iterations(200);

}  // namespace

BENCHMARK_MAIN();
