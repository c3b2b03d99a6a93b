// A style click and a custom compile through the window's own slots, each against the bare codec
// work that it cannot do without.

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QMetaObject>
#include <QPainter>
#include <QSize>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <ctime>

#include "bench_folder.h"
#include "figures.h"
#include "process_memory.h"
#include "style_catalogue.h"
#include "toolchain_folder.h"
#include "window_probe.h"

namespace {

constexpr int style = 7;

// Wall time is what the user waits for, but on a busy machine it mostly measures the others; the
// process's CPU time (all threads) tells the work apart. Both are kept per benchmark.
class Timing
{
public:
    explicit Timing(benchmark::State &state)
        : state(state)
    { }
    ~Timing()
    {
        state.counters["cpu_ms"]
                = benchmark::Counter(cpuSeconds * 1e3, benchmark::Counter::kAvgIterations);
    }

    template<typename Work>
    void time(Work work)
    {
        QElapsedTimer wall;
        const std::clock_t cpu = std::clock();
        wall.start();
        work();
        state.SetIterationTime(double(wall.nsecsElapsed()) * 1e-9);
        cpuSeconds += double(std::clock() - cpu) / CLOCKS_PER_SEC;
    }

private:
    benchmark::State &state;
    double cpuSeconds = 0;
};

// Times one call of a window slot. Manual timing leaves the clean-up after each call untimed.
// A slot that is not there (renamed, say) stops the benchmark instead of timing nothing.
bool timeSlot(benchmark::State &state, Timing &timing, Electronic_Clock &window, const char *slot)
{
    bool called = false;
    timing.time([&] { called = QMetaObject::invokeMethod(&window, slot, Qt::DirectConnection); });
    if (!called)
        state.SkipWithError("the window has no such slot");
    return called;
}

// The floor: decode every picture, and encode the ten digits at quality 100 into files, as plain
// QImage calls. The folder is beside the program's data folder, on the same file system.
void timeCodecFloor(Timing &timing, const QString &decodedOnly, const QStringList &digits,
                    const QTemporaryDir &folder)
{
    timing.time([&] {
        if (!decodedOnly.isEmpty()) {
            QImage preview(decodedOnly);
            benchmark::DoNotOptimize(preview.constBits());
        }
        for (int digit = 0; digit < digits.size(); ++digit) {
            const QImage picture(digits.at(digit));
            picture.save(folder.filePath(QStringLiteral("%1.jpg").arg(digit)), "JPG", 100);
        }
    });
}

// The floor of a compile: each picture decoded at the smallest JPEG scale (1/8, 1/4, 1/2) that
// still covers its fit on the 135 x 240 panel, smoothly scaled to the fit, centred on black and
// encoded at quality 100 into a file, as plain Qt calls. A picture of the panel's size is only
// decoded and encoded.
void timeFittedCodecFloor(Timing &timing, const QStringList &pictures, const QTemporaryDir &folder)
{
    const QSize panel(135, 240);
    timing.time([&] {
        for (int digit = 0; digit < pictures.size(); ++digit) {
            QImageReader reader(pictures.at(digit));
            const QSize stored = reader.size();
            const QSize fitted = stored.scaled(panel, Qt::KeepAspectRatio);
            int divisor = 8;
            while (divisor > 1
                   && (stored.width() / divisor < fitted.width()
                       || stored.height() / divisor < fitted.height()))
                divisor /= 2;
            if (divisor > 1)
                reader.setScaledSize(QSize(stored.width() / divisor, stored.height() / divisor));
            QImage picture = reader.read();
            if (picture.size() != panel) {
                QImage onPanel(panel, QImage::Format_RGB32);
                onPanel.fill(Qt::black);
                QPainter painter(&onPanel);
                painter.drawImage(
                        QPoint((panel.width() - fitted.width()) / 2,
                               (panel.height() - fitted.height()) / 2),
                        picture.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
                painter.end();
                picture = onPanel;
            }
            picture.save(folder.filePath(QStringLiteral("%1.jpg").arg(digit)), "JPG", 100);
        }
    });
}

// A figure of this process's memory ("VmRSS:", "VmHWM:"), in MB; 0 if it cannot be read.
double statusMB(const QByteArray &field)
{
    return qMax(0LL, processStatusKib(field)) * 1024 / 1e6;
}

// Lets VmHWM start again from the current resident size (Linux 4.0 and later).
bool resetPeakMemory()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

QStringList styleDigits()
{
    QStringList digits;
    for (int digit = 0; digit <= 9; ++digit)
        digits << StyleCatalogue::digitPath(style, digit);
    return digits;
}

QStringList customSet()
{
    QStringList digits;
    for (int digit = 0; digit <= 9; ++digit)
        digits << ToolchainFolder::customPicturePath(BenchFolder::path(), digit);
    return digits;
}

void styleClick(benchmark::State &state)
{
    Electronic_Clock window;
    Timing timing(state);
    for (auto _ : state) {
        if (!timeSlot(state, timing, window, "on_pushButtonJPG7_clicked"))
            break;
    }
}

void styleClickFloor(benchmark::State &state)
{
    const QTemporaryDir folder(BenchFolder::path() + QStringLiteral("/floor-XXXXXX"));
    Timing timing(state);
    for (auto _ : state)
        timeCodecFloor(timing, StyleCatalogue::previewPath(style), styleDigits(), folder);
}

// Besides the time, the compile's peak memory: the highest resident size during the click
// ("peak_MB") against the resident size just before it ("base_MB").
void compile(benchmark::State &state, const QString &photoSet)
{
    if (!BenchFolder::installCustomSet(photoSet)) {
        state.SkipWithError("cannot copy the photo set into img/");
        return;
    }
    Electronic_Clock window;
    WindowProbe probe(window);
    double peakMB = 0, baseMB = 0;
    {
        Timing timing(state);
        for (auto _ : state) {
            if (!resetPeakMemory()) {
                state.SkipWithError("cannot reset the peak memory figure");
                break;
            }
            baseMB += statusMB("VmRSS:");
            if (!timeSlot(state, timing, window, "on_pushButtonCompile_clicked"))
                break;
            peakMB += statusMB("VmHWM:");
            // The animation is not part of the work; the builder script must end before the
            // next run.
            probe.compileTimer()->stop();
            if (!probe.waitForScripts()) {
                state.SkipWithError("the builder script did not end");
                break;
            }
        }
    }
    state.counters["peak_MB"] = benchmark::Counter(peakMB, benchmark::Counter::kAvgIterations);
    state.counters["base_MB"] = benchmark::Counter(baseMB, benchmark::Counter::kAvgIterations);
}

void compileFloor(benchmark::State &state, const QString &photoSet)
{
    if (!BenchFolder::installCustomSet(photoSet)) {
        state.SkipWithError("cannot copy the photo set into img/");
        return;
    }
    const QTemporaryDir folder(BenchFolder::path() + QStringLiteral("/floor-XXXXXX"));
    Timing timing(state);
    for (auto _ : state)
        timeFittedCodecFloor(timing, customSet(), folder);
}

void registerCompile(const QSize &size, int iterations)
{
    const QString photos = BenchFolder::photoSet(size);
    const std::string name
            = "compile_" + std::to_string(size.width()) + "x" + std::to_string(size.height());
    for (auto *b :
         {benchmark::RegisterBenchmark((name + "/slot").c_str(), compile, photos),
          benchmark::RegisterBenchmark((name + "/codec_floor").c_str(), compileFloor, photos)}) {
        b->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Repetitions(3)
                ->ReportAggregatesOnly(true);
        if (iterations > 0)
            b->Iterations(iterations);
    }
}

} // namespace

void registerWindowBenchmarks()
{
    for (auto *b : {benchmark::RegisterBenchmark("style_click/slot", styleClick),
                    benchmark::RegisterBenchmark("style_click/codec_floor", styleClickFloor)})
        b->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Repetitions(5)
                ->ReportAggregatesOnly(true);
    registerCompile(QSize(135, 240), 0);
    // A compile of ten camera photos takes a quarter of a second; a few runs tell enough.
    registerCompile(QSize(4000, 3000), 3);
}
