// Export figures on a day of 100,000 expenses (and 1,000 incomes the export leaves out): each
// of the five formats written to a file through the whole export, as the command runs it (the
// workbook to a temporary beside the file, synced and renamed in).
// The program folder is made from the build's templates in $TMPDIR/platoris-export-bench.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include "BenchDialogs.h"
#include "DayGridModels.h"
#include "GridExport.h"
#include "RegisterCore.h"
#include "engine/DbfTable.h"

namespace {

constexpr int kExpenses = 100000;
constexpr int kIncomes = 1000;
const QDate kDay(2008, 10, 13);

QString root() {
    return QDir::tempPath() + QStringLiteral("/platoris-export-bench");
}

// A program folder whose day holds the generated expenses; made once and kept.
QString prepareFolder() {
    const QString dir = root();
    if (QFile::exists(dir + QStringLiteral("/ready"))) return dir;
    QDir(dir).removeRecursively();
    const QString templates = QStringLiteral(PLATORIS_TEMPLATE_DIR);
    QDirIterator it(templates, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString to =
            dir + QStringLiteral("/Template/") + QDir(templates).relativeFilePath(from);
        QDir().mkpath(QFileInfo(to).path());
        QFile::copy(from, to);
        QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
    }
    bench::BenchDialogs dialogs(kDay);
    reg::RegisterCore core(dir, dialogs);
    core.currentDay.ActionDateSelectExecute();
    QStringList expenseCodes;
    QString incomeCode;
    for (const QString& c : core.KindCodeList) {
        if (c.startsWith(QLatin1String("001.")) || c.startsWith(QLatin1String("100."))) {
            if (incomeCode.isEmpty()) incomeCode = c;
        } else {
            expenseCodes << c;
        }
    }
    const QStringList banks{QStringLiteral("Сбербанк"), QStringLiteral("ВТБ"),
                            QStringLiteral("Газпромбанк")};
    auto day = engine::DbfTable::open(core.DayDir + QStringLiteral("/DayData.DBF"), false);
    for (int i = 0; i < kExpenses + kIncomes; ++i) {
        const bool income = i % 101 == 100;
        const double sum = (i * 7919 % 10000000) / 100.0;
        day->appendRecord({i % 9999 + 1, QStringLiteral("Поставщик \"Номер\" %1 & Ко").arg(i),
                           QStringLiteral("Оплата по счёту № %1 от %2 за материалы <сталь>")
                               .arg(i)
                               .arg(kDay.toString(QStringLiteral("dd.MM.yyyy"))),
                           sum, banks[i % banks.size()], kDay,
                           income ? incomeCode : expenseCodes[i % expenseCodes.size()],
                           QVariant()});
    }
    QFile(dir + QStringLiteral("/ready")).open(QIODevice::WriteOnly);
    return dir;
}

struct Day {
    bench::BenchDialogs dialogs{kDay};
    reg::RegisterCore core;
    gridmodel::GridModel grid;
    explicit Day(const QString& dir) : core(dir, dialogs) {
        core.currentDay.ActionDateSelectExecute();
        grid = reg::expenseExportGrid(core);
    }
};

Day& day() {
    static Day d(prepareFolder());
    return d;
}

void exportDay(benchmark::State& state, output::ExportKind kind, const char* file) {
    Day& d = day();
    const QString path = root() + QStringLiteral("/") + QString::fromLatin1(file);
    for (auto _ : state)
        output::SaveGridToExportFile(kind, d.grid, path, true,
                                     output::ExportEnvironment::standard());
    state.counters["records"] = d.core.views.TableDataSourceDayData.recordCount();
    state.counters["MB"] = static_cast<double>(QFileInfo(path).size()) / 1e6;
}

void BM_ExportHtml(benchmark::State& s) {
    exportDay(s, output::ExportKind::Html, "day.htm");
}
void BM_ExportRtf(benchmark::State& s) {
    exportDay(s, output::ExportKind::Rtf, "day.rtf");
}
void BM_ExportXls(benchmark::State& s) {
    exportDay(s, output::ExportKind::Xls, "day.xls");
}
void BM_ExportText(benchmark::State& s) {
    exportDay(s, output::ExportKind::Text, "day.txt");
}
void BM_ExportXlsx(benchmark::State& s) {
    exportDay(s, output::ExportKind::Xlsx, "day.xlsx");
}
BENCHMARK(BM_ExportHtml)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ExportRtf)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ExportXls)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ExportText)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ExportXlsx)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
