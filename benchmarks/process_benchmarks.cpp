// Start-up, timed from outside: each run is a new process of a launcher that leaves right after
// its first painted frame (first_paint.cpp), so loading, linking and Qt's own set-up count too.

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <cstdio>

#include "figures.h"
#include "program_folder.h"

namespace {

struct Launch
{
    bool ok = false;
    double seconds = 0;
    double peakKib = 0;
    double cpuMs = 0;
};

Launch launch(const QString &launcher, const QStringList &arguments)
{
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(BenchFolder::path() + QLatin1Char('/') + launcher, arguments);
    const bool finished = process.waitForFinished(60000);
    Launch run;
    run.seconds = double(clock.nsecsElapsed()) * 1e-9;
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed:\n%s%s\n", qPrintable(launcher),
                     process.readAllStandardOutput().constData(),
                     process.readAllStandardError().constData());
        return run;
    }
    for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
        if (line.startsWith("peak-kib "))
            run.peakKib = line.mid(9).toDouble();
        else if (line.startsWith("cpu-ms "))
            run.cpuMs = line.mid(7).toDouble();
    }
    run.ok = run.peakKib > 0;
    return run;
}

void startUp(benchmark::State &state, const QString &launcher, const QStringList &arguments)
{
    double peakKib = 0, cpuMs = 0;
    for (auto _ : state) {
        const Launch run = launch(launcher, arguments);
        if (!run.ok) {
            state.SkipWithError("the launcher did not report its first frame");
            break;
        }
        state.SetIterationTime(run.seconds);
        peakKib += run.peakKib;
        cpuMs += run.cpuMs;
    }
    state.counters["peak_MB"]
            = benchmark::Counter(peakKib * 1024 / 1e6, benchmark::Counter::kAvgIterations);
    state.counters["cpu_ms"] = benchmark::Counter(cpuMs, benchmark::Counter::kAvgIterations);
}

} // namespace

void registerProcessBenchmarks()
{
    const QStringList none;
    for (auto *b : {benchmark::RegisterBenchmark("start_up/clock", startUp,
                                                 QStringLiteral("clock_first_paint"), none),
                    benchmark::RegisterBenchmark("start_up/minimal", startUp,
                                                 QStringLiteral("minimal_first_paint"), none),
                    benchmark::RegisterBenchmark("scroll_styles/clock", startUp,
                                                 QStringLiteral("clock_first_paint"),
                                                 QStringList {QStringLiteral("--scroll")})})
        b->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(10)
                ->Repetitions(3)
                ->ReportAggregatesOnly(true);
}
