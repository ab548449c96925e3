// The program's timings on screen: the date dialog opening by itself after the message loop
// starts (target: about a second, at most two) and the About window unfolding (target: a
// second and a half). Runs offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <optional>

#include "Dialogs.h"
#include "FormAbout.h"
#include "FormMain.h"
#include "MessageLoop.h"
#include "ProgramFolder.h"
#include "Startup.h"

namespace {

// Counts the date dialogs and cancels each.
class CountingDialogs : public base::Dialogs {
public:
    int messageBox(const QString&, const QString&, int, bool) override { return base::IDOK; }
    std::optional<QDate> chooseDate(const QString&) override {
        ++dateDialogs;
        return std::nullopt;
    }
    int dateDialogs = 0;
};

void BM_DateDialogAfterTheLoopStarts(benchmark::State& state) {
    for (auto _ : state) {
        testing_support::ProgramFolder folder;
        CountingDialogs dialogs;
        app::setMessageLoopRunning(false);
        app::setStartDateChoicePending(true);
        app::ProgramWindows windows = app::createWindows(dialogs, folder.path());
        QElapsedTimer clock;
        clock.start();
        app::setMessageLoopRunning(true);
        if (!QTest::qWaitFor([&] { return dialogs.dateDialogs > 0; }, 10000)) std::abort();
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    }
    app::setMessageLoopRunning(false);
}
BENCHMARK(BM_DateDialogAfterTheLoopStarts)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

void BM_AboutUnfolds(benchmark::State& state) {
    for (auto _ : state) {
        windows::TFormAbout about;
        about.show();
        if (!QTest::qWaitFor([&] { return about.mask().isEmpty(); }, 10000)) std::abort();
    }
}
BENCHMARK(BM_AboutUnfolds)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
