// The program's costs against their floors, in one run. Built with the project, never run by CTest:
// timings depend on the machine and its load, so they are read by people, not asserted.

#include <QApplication>
#include <QSize>

#include <benchmark/benchmark.h>

#include <cstdio>

#include "bench_folder.h"
#include "figures.h"
#include "summary.h"

namespace {

QtMessageHandler standardHandler = nullptr;

// The compile slot logs every click; thousands of lines would drown the results.
void quietDebug(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtDebugMsg)
        standardHandler(type, context, message);
}

} // namespace

int main(int argc, char *argv[])
{
    benchmark::Initialize(&argc, argv);
    // The launchers inherit this too. Without a display, the offscreen platform paints in memory.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    standardHandler = qInstallMessageHandler(quietDebug);

    std::fprintf(stderr, "Preparing %s and its photo sets...\n", qPrintable(BenchFolder::path()));
    if (!BenchFolder::layOut() || BenchFolder::photoSet(QSize(135, 240)).isEmpty()
        || BenchFolder::photoSet(QSize(4000, 3000)).isEmpty()) {
        std::fprintf(stderr, "Cannot lay out the benchmark folder.\n");
        return 1;
    }
    registerWindowBenchmarks();
    registerProcessBenchmarks();
    registerBuilderBenchmarks();

    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printSummary();
    benchmark::Shutdown();
    return 0;
}
