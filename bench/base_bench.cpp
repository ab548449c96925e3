// How long the program waits for the commands it runs: a command that ends at once (target:
// the call returns within a second), one that runs on past the wait limit (target: the call
// returns after the limit, within a second and a half) and one not waited for.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <unistd.h>

#include <QDate>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>

#include "BenchDialogs.h"
#include "ProcessUtils.h"

using namespace std::chrono_literals;

namespace {

struct CommandFolder {
    CommandFolder() {
        script("talk", "#!/bin/sh\necho to-out\necho to-err >&2\ncat\n");
        script("slow", "#!/bin/sh\necho $$ > \"$1\"\nexec sleep 30\n");
    }
    void script(const QString& name, const QByteArray& text) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size()) std::abort();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    }
    // Ends the slow command the last call started.
    void endSlow() {
        QFile f(dir.filePath("slow.pid"));
        for (int i = 0; i < 200 && !(f.open(QIODevice::ReadOnly) && f.size() > 0); ++i)
            ::usleep(10000);
        if (const pid_t pid = f.readAll().trimmed().toInt(); pid > 0) ::kill(pid, SIGKILL);
        QFile::remove(dir.filePath("slow.pid"));
    }
    QTemporaryDir dir;
    bench::BenchDialogs dialogs{QDate(2008, 10, 13)};
};

void BM_RunQuickCommand(benchmark::State& state) {
    CommandFolder folder;
    for (auto _ : state)
        if (!base::RunCommand(folder.dialogs, folder.dir.path(), "talk", 0, true, true))
            std::abort();
}
BENCHMARK(BM_RunQuickCommand)->Unit(benchmark::kMillisecond)->Iterations(20);

// A command that runs on (it sleeps half a minute), waited for at most waitLimit or not at all.
void BM_RunSlowCommand(benchmark::State& state, bool waitAndLog,
                       std::chrono::milliseconds waitLimit) {
    CommandFolder folder;
    for (auto _ : state) {
        if (!base::runCommandWithin(folder.dialogs, folder.dir.path(),
                                    "slow " + folder.dir.filePath("slow.pid"), true, waitAndLog,
                                    waitLimit))
            std::abort();
        state.PauseTiming();
        folder.endSlow();
        state.ResumeTiming();
    }
}
BENCHMARK_CAPTURE(BM_RunSlowCommand, PastA300msWaitLimit, true, 300ms)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_RunSlowCommand, NotWaitedFor, false, 1h)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
