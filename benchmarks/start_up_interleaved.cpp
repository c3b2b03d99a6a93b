// Start-up of the program's window against the empty window, launched in turns: clock, empty,
// clock, empty... The benchmark (process_benchmarks.cpp) runs all the launches of one and then
// all of the other, so a change in a shared machine's load during the run tilts its ratio either
// way; taken in turns, both meet the same load.
//
// Usage: start_up_interleaved [pairs]   (default 40)
// It runs the two launchers beside it and prints the median wall and CPU time of each, and the
// ratios. Under Xvfb: xvfb-run -a build-bench/benchmarks/start_up_interleaved

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Launcher
{
    const char *name;
    std::vector<double> wallMs;
    std::vector<double> cpuMs;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// One launch, timed from its start to its exit right after its first frame (first_paint.cpp).
bool launch(Launcher &launcher)
{
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(QCoreApplication::applicationDirPath() + '/' + launcher.name, QStringList());
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed:\n%s\n", launcher.name,
                     process.readAllStandardError().constData());
        return false;
    }
    launcher.wallMs.push_back(double(clock.nsecsElapsed()) * 1e-6);
    for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
        if (line.startsWith("cpu-ms "))
            launcher.cpuMs.push_back(line.mid(7).toDouble());
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const int pairs = argc > 1 ? std::max(1, atoi(argv[1])) : 40;
    // Without a display, the launchers paint in memory, as in the benchmark.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Launcher clock {"clock_first_paint", {}, {}};
    Launcher minimal {"minimal_first_paint", {}, {}};
    for (int i = 0; i < pairs; ++i) {
        if (!launch(clock) || !launch(minimal))
            return 1;
    }
    for (const Launcher *launcher : {&clock, &minimal}) {
        std::printf("%-20s wall %6.1f ms  cpu %6.1f ms\n", launcher->name, median(launcher->wallMs),
                    median(launcher->cpuMs));
    }
    std::printf("ratio                wall %5.2fx    cpu %5.2fx   (medians of %d pairs)\n",
                median(clock.wallMs) / median(minimal.wallMs),
                median(clock.cpuMs) / median(minimal.cpuMs), pairs);
    return 0;
}
