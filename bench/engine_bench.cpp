// Table engine figures over a day table of 100,000 payments and a 10,000-row Paradox
// reference table. The data is generated once into $TMPDIR/platoris-bench (kept, so that
// engine_bench.sh can time Python's dbfread on the very same file).
#include <benchmark/benchmark.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <random>

#include "engine/Dataset.h"
#include "engine/DbfTable.h"
#include "engine/MdxIndex.h"
#include "engine/ParadoxTable.h"

using namespace engine;
using namespace base;

namespace {

constexpr int kRecords = 100000;
constexpr int kReferenceRows = 10000;

QString benchDir() { return QDir::tempPath() + QStringLiteral("/platoris-bench"); }
QString dayPath() { return benchDir() + QStringLiteral("/DayData.DBF"); }
QString scratchPath() { return benchDir() + QStringLiteral("/scratch/DayData.DBF"); }
QString referencePath() { return benchDir() + QStringLiteral("/ReciverNames.db"); }

std::vector<FieldDef> dayFields() {
    return {{"NPP", FieldKind::SmallInt, 4, 0},     {"KOMU", FieldKind::Text, 50, 0},
            {"SUBJECT", FieldKind::Text, 160, 0},   {"PAY_SUM", FieldKind::Float, 15, 2},
            {"BANK", FieldKind::Text, 50, 0},       {"PAY_DATA", FieldKind::Date, 8, 0},
            {"PAY_KIND_N", FieldKind::Text, 20, 0}, {"PAY_KIND_S", FieldKind::Text, 254, 0}};
}

Record payment(int i) {
    // Every fourth record is an income, the rest are expenses.
    const QString code = (i % 4 == 0) ? QStringLiteral("001.%1.000.000.000").arg(i % 100, 3, 10, QLatin1Char('0'))
                                      : QStringLiteral("2%1.001.000.000.000").arg(i % 100, 2, 10, QLatin1Char('0'));
    return {i % 9999 + 1,
            QStringLiteral("ООО \"Поставщик № %1\"").arg(i % 5000),
            QStringLiteral("Оплата по счёту № %1 за материалы и услуги").arg(i),
            (i % 100000) * 1.25 + 0.5,
            QStringLiteral("Сбербанк России"),
            QDate(2008, 10, 13),
            code,
            QVariant()};
}

void prepare() {
    static bool done = false;
    if (done) return;
    done = true;
    QDir().mkpath(benchDir() + QStringLiteral("/scratch"));
    if (!QFile::exists(dayPath())) {
        DbfTable::create(dayPath(), dayFields(), {{"NPP", "NPP"}});
        auto t = DbfTable::open(dayPath(), true);
        for (int i = 0; i < kRecords; ++i) t->appendRecord(payment(i));
    }
    if (!QFile::exists(referencePath())) {
        ParadoxTable::create(referencePath(), {{"ListVal", FieldKind::Text, 180, 0}});
        auto t = ParadoxTable::open(referencePath(), true);
        for (int i = 0; i < kReferenceRows; ++i) t->appendRecord({QStringLiteral("Поставщик номер %1").arg(i)});
    }
}

void freshScratch() {
    QFile::remove(scratchPath());
    QFile::remove(benchDir() + QStringLiteral("/scratch/DayData.MDX"));
    QFile::copy(dayPath(), scratchPath());
    QFile::copy(benchDir() + QStringLiteral("/DayData.MDX"), benchDir() + QStringLiteral("/scratch/DayData.MDX"));
}

void declareDayFields(Dataset& d) {
    for (const FieldDef& f : dayFields()) d.addField({f.name, f.kind});
}

void BM_OpenAndFullScan(benchmark::State& state) {
    prepare();
    for (auto _ : state) {
        Dataset d;
        d.setFolder(benchDir());
        d.setTableName(QStringLiteral("DayData.DBF"));
        declareDayFields(d);
        d.open();
        double sum = 0;
        qsizetype chars = 0;
        Field& npp = d.fieldByName(QStringLiteral("NPP"));
        Field& paySum = d.fieldByName(QStringLiteral("PAY_SUM"));
        Field& payDate = d.fieldByName(QStringLiteral("PAY_DATA"));
        Field* texts[] = {&d.fieldByName(QStringLiteral("KOMU")), &d.fieldByName(QStringLiteral("SUBJECT")),
                          &d.fieldByName(QStringLiteral("BANK")), &d.fieldByName(QStringLiteral("PAY_KIND_N")),
                          &d.fieldByName(QStringLiteral("PAY_KIND_S"))};
        for (d.first(); !d.eof(); d.next()) {
            sum += npp.asInteger() + paySum.asFloat() + payDate.asDate().day();
            for (Field* t : texts) chars += t->asString().size();
        }
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(chars);
        d.close();
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_OpenAndFullScan)->Unit(benchmark::kMillisecond);

void BM_FilteredScan(benchmark::State& state) {
    prepare();
    for (auto _ : state) {
        Dataset d;
        d.setFolder(benchDir());
        d.setTableName(QStringLiteral("DayData.DBF"));
        d.setFilter(QStringLiteral("[PAY_KIND_N]<>'001*' AND [PAY_KIND_N]<>'100*'"));
        declareDayFields(d);
        d.open();
        double sum = 0;
        for (d.first(); !d.eof(); d.next()) sum += d.fieldByName("PAY_SUM").asFloat();
        benchmark::DoNotOptimize(sum);
        state.counters["visible"] = d.recordCount();
        d.close();
    }
}
BENCHMARK(BM_FilteredScan)->Unit(benchmark::kMillisecond);

void BM_Append1000(benchmark::State& state) {
    prepare();
    for (auto _ : state) {
        state.PauseTiming();
        freshScratch();
        auto d = std::make_unique<Dataset>();
        d->setFolder(benchDir() + QStringLiteral("/scratch"));
        d->setTableName(QStringLiteral("DayData.DBF"));
        d->setFilter(QStringLiteral("[PAY_KIND_N]<>'001*' AND [PAY_KIND_N]<>'100*'"));
        declareDayFields(*d);
        d->open();
        state.ResumeTiming();
        for (int i = 0; i < 1000; ++i) {
            d->append();
            d->fieldByName("NPP").setAsInteger(i + 1);
            d->fieldByName("KOMU").setAsString(QStringLiteral("Новый получатель"));
            d->fieldByName("PAY_SUM").setAsFloat(100.5);
            d->fieldByName("PAY_KIND_N").setAsString(QStringLiteral("215.001.000.000.000"));
            d->post();
        }
        state.PauseTiming();
        d.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Append1000)->Unit(benchmark::kMillisecond);

void BM_Update1000(benchmark::State& state) {
    prepare();
    for (auto _ : state) {
        state.PauseTiming();
        freshScratch();
        auto d = std::make_unique<Dataset>();
        d->setFolder(benchDir() + QStringLiteral("/scratch"));
        d->setTableName(QStringLiteral("DayData.DBF"));
        declareDayFields(*d);
        d->open();
        state.ResumeTiming();
        d->first();
        for (int i = 0; i < 1000; ++i) {
            d->edit();
            d->fieldByName("PAY_SUM").setAsFloat(i * 2.5);
            d->post();
            d->next();
        }
        state.PauseTiming();
        d.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Update1000)->Unit(benchmark::kMillisecond);

void BM_LocateInParadox10k(benchmark::State& state) {
    prepare();
    Dataset d;
    d.setFolder(benchDir());
    d.setTableName(QStringLiteral("ReciverNames.db"));
    d.addField({QStringLiteral("ListVal"), FieldKind::Text, 180});
    d.open();
    int found = 0;
    for (auto _ : state) {
        found += d.locate(QStringLiteral("ListVal"), QStringLiteral("Поставщик номер 9876")) ? 1 : 0;
        found += d.locate(QStringLiteral("ListVal"), QStringLiteral("Нет такого поставщика")) ? 1 : 0;
    }
    benchmark::DoNotOptimize(found);
}
BENCHMARK(BM_LocateInParadox10k)->Unit(benchmark::kMicrosecond);

// Opening the 10,000-row Paradox table, and reading its text column through.
void BM_OpenParadox10k(benchmark::State& state) {
    prepare();
    for (auto _ : state) {
        auto t = ParadoxTable::open(referencePath(), false);
        benchmark::DoNotOptimize(t->slotCount());
    }
}
BENCHMARK(BM_OpenParadox10k)->Unit(benchmark::kMillisecond);

void BM_ScanParadox10k(benchmark::State& state) {
    prepare();
    auto t = ParadoxTable::open(referencePath(), false);
    const QString wanted = QStringLiteral("Поставщик номер 9999");
    int found = -1;
    for (auto _ : state)
        for (int i = 0; i < t->slotCount(); ++i)
            if (t->value(i, 0).toString() == wanted) found = i;
    benchmark::DoNotOptimize(found);
}
BENCHMARK(BM_ScanParadox10k)->Unit(benchmark::kMillisecond);

// The index of a day of 100,000 payments built in memory (target: under 100 ms).
void BM_MdxBuild100kNumericKeys(benchmark::State& state) {
    std::mt19937 rng(5);
    std::uniform_int_distribution<long long> cents(-100'000'000, 100'000'000);
    MdxIndex::TagData tag;
    tag.info = {QStringLiteral("PAY_SUM"), QStringLiteral("PAY_SUM"), 'N', 12};
    for (int i = 0; i < kRecords; ++i) {
        char text[32];
        std::snprintf(text, sizeof text, "%15.2f", static_cast<double>(cents(rng)) / 100);
        tag.fieldTexts.emplace_back(text);
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(MdxIndex::build(QStringLiteral("T"), {tag}, QDate(2008, 10, 13)));
}
BENCHMARK(BM_MdxBuild100kNumericKeys)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
