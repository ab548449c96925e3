// Printing figures: the day register of 10,000 expenses (about 300 pages) laid out into the
// print preview. Reports the time to the first complete page (when the preview window shows
// it), the whole layout, the page count and the peak memory of the process.
// The program folder is made from the build's templates in $TMPDIR/platoris-print-bench.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>

#include "BenchDialogs.h"
#include "DayGridModels.h"
#include "DayRegisterPrintout.h"
#include "GridPrinter.h"
#include "PrinterPreview.h"
#include "RegisterCore.h"
#include "engine/SyncScope.h"
#include "engine/TableRegistry.h"

namespace {

constexpr int kRecords = 10000;
const QDate kDay(2008, 10, 13);

// Notes when the first page is complete.
class FirstPageClock : public print::PreviewViewer {
public:
    explicit FirstPageClock(QElapsedTimer& clock) : clock_(clock) {}
    void documentBegun() override { firstPageMs = -1; }
    void pageCompleted() override {
        if (firstPageMs < 0) firstPageMs = static_cast<double>(clock_.nsecsElapsed()) / 1e6;
    }
    void documentEnded(print::DocumentSource) override {}
    double firstPageMs = -1;

private:
    QElapsedTimer& clock_;
};

QString programFolder() {
    const QString dir = QDir::tempPath() + QStringLiteral("/platoris-print-bench");
    QDir(dir).removeRecursively();
    const QString templates = QStringLiteral(PLATORIS_TEMPLATE_DIR);
    QDirIterator it(templates, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString to = dir + "/Template/" + QDir(templates).relativeFilePath(from);
        QDir().mkpath(QFileInfo(to).path());
        QFile::copy(from, to);
        QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
    }
    return dir;
}

void BM_LayOutTenThousandRecords(benchmark::State& state) {
    bench::BenchDialogs dialogs(kDay);
    reg::RegisterCore core(programFolder(), dialogs);
    core.currentDay.ActionDateSelectExecute();
    QString code;
    for (const QString& c : core.KindCodeList)
        if (code.isEmpty() && !c.startsWith("001") && !c.startsWith("100")) code = c;
    {
        auto table = engine::TableRegistry::find(core.DayDir + "/DayData.DBF");
        engine::SyncScope bulk(engine::SyncScope::Bulk);
        for (int i = 0; i < kRecords; ++i)
            table->appendRecord({i % 9999 + 1, QStringLiteral("ООО Поставщик номер %1").arg(i), QStringLiteral("Оплата по счёту %1").arg(i),
                                 100.0 + i, QStringLiteral("Сбербанк"), kDay, code, QVariant()});
        bulk.commit();
    }
    core.views.TableDataSourceDayData.refresh();

    print::GridPrinter printer;
    printer.setGrid(print::dayRegisterColumns(reg::expenseGridModel(core.views)));
    print::setUpDayRegisterPrinter(printer, true);
    printer.SetSubstitutes(print::dayRegisterSubstitutes(QStringLiteral("Завод"), QStringLiteral("за 13.10.2008"),
                                                         QStringLiteral("Иванов И.И."), QStringLiteral("Петрова А.А.")));
    print::TPrinterPreview preview;
    QElapsedTimer clock;
    auto viewer = std::make_unique<FirstPageClock>(clock);
    FirstPageClock* firstPage = viewer.get();
    preview.setViewer(std::move(viewer));
    double layoutMs = 0;
    for (auto _ : state) {
        clock.start();
        printer.PrintTo(preview);
        layoutMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    }
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["pages"] = preview.pageCount();
    state.counters["first page ms"] = firstPage->firstPageMs;
    state.counters["layout ms"] = layoutMs;
    state.counters["peak MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_LayOutTenThousandRecords)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
