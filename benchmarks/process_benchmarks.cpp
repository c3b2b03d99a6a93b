// Start-up, timed from outside: each run is a new process of a launcher that leaves right after
// its first painted frame (first_paint.cpp), so loading, linking and Qt's own set-up count too.

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "bench_folder.h"
#include "figures.h"

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
    // A launcher of another build is named by its absolute path.
    process.start(QDir(BenchFolder::path()).filePath(launcher), arguments);
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

// Each iteration times one launch. With a floor launcher, it launches that one too, in turns
// with the measured one: on a shared machine the load changes from second to second, and
// launches taken in turns meet the same load, where all the launches of one and then all of the
// other could each meet another. Which of the two goes first alternates from one iteration (here:
// one repetition) to the next: the second of a pair starts about 4 ms slower, even when both are
// the same program. The floor's times are the counters "floor_ms" and "floor_cpu_ms", and
// "over_floor_ms" is the measured launch's time less the floor's of the same turn: its median
// leaves out most of the load that both launches of a turn met.
void startUp(benchmark::State &state, const QString &launcher, const QStringList &arguments,
             const QString &floorLauncher, const QStringList &floorArguments)
{
    static bool floorFirst = true; // across repetitions, which call this anew
    double peakKib = 0, cpuMs = 0, floorMs = 0, floorCpuMs = 0, overFloorMs = 0;
    for (auto _ : state) {
        const auto launchFloor = [&] {
            return floorLauncher.isEmpty() ? Launch {true} : launch(floorLauncher, floorArguments);
        };
        Launch floor, run;
        if (floorFirst) {
            floor = launchFloor();
            run = launch(launcher, arguments);
        } else {
            run = launch(launcher, arguments);
            floor = launchFloor();
        }
        floorFirst = !floorFirst;
        if (!run.ok || !floor.ok) {
            state.SkipWithError("a launcher did not report its first frame");
            break;
        }
        state.SetIterationTime(run.seconds);
        peakKib += run.peakKib;
        cpuMs += run.cpuMs;
        floorMs += floor.seconds * 1e3;
        floorCpuMs += floor.cpuMs;
        overFloorMs += (run.seconds - floor.seconds) * 1e3;
    }
    const auto average = [](double sum) {
        return benchmark::Counter(sum, benchmark::Counter::kAvgIterations);
    };
    state.counters["peak_MB"] = average(peakKib * 1024 / 1e6);
    state.counters["cpu_ms"] = average(cpuMs);
    if (!floorLauncher.isEmpty()) {
        state.counters["floor_ms"] = average(floorMs);
        state.counters["floor_cpu_ms"] = average(floorCpuMs);
        state.counters["over_floor_ms"] = average(overFloorMs);
    }
}

} // namespace

void registerProcessBenchmarks()
{
    const QString clock = QStringLiteral("clock_first_paint");
    const QString minimal = QStringLiteral("minimal_first_paint");
    const QStringList none;
    // The program leaves OpenGL out (StartUp::drawWithoutOpenGl()); an empty window that leaves it
    // out too is the floor of the program's own work.
    const QStringList withoutOpenGl {QStringLiteral("--no-opengl")};
    std::vector<benchmark::internal::Benchmark *> launches
            = {benchmark::RegisterBenchmark("start_up/clock", startUp, clock, none, minimal, none),
               benchmark::RegisterBenchmark("start_up/own_work", startUp, clock, none, minimal,
                                            withoutOpenGl),
               benchmark::RegisterBenchmark("start_up/minimal_without_opengl", startUp, minimal,
                                            withoutOpenGl, QString(), none),
               benchmark::RegisterBenchmark("scroll_styles/clock", startUp, clock,
                                            QStringList {QStringLiteral("--scroll")}, QString(),
                                            none)};
    // A change to start-up, set against the build before it: CLOCK_BASELINE_FIRST_PAINT names that
    // build's clock_first_paint, which runs in its own benchmark folder, in turns with this one, as
    // the floors do. Its times are this benchmark's "floor_ms".
    const QString baseline = qEnvironmentVariable("CLOCK_BASELINE_FIRST_PAINT");
    if (!baseline.isEmpty()) {
        launches.push_back(
                benchmark::RegisterBenchmark("start_up/against_baseline", startUp, clock, none,
                                             QFileInfo(baseline).absoluteFilePath(), none));
    }
    for (auto *b : launches) {
        // One launch a repetition, so that the median is that of the launches themselves: the
        // mean of several would carry a launch that the machine's other work slowed down.
        b->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1)
                ->Repetitions(30)
                ->ReportAggregatesOnly(true);
    }
}
