#include "summary.h"

#include <cstdio>

namespace {

// How a figure is set against its floor.
enum class Kind {
    Time,        // by the ratio of the wall times
    TimeInTurns, // the same, with the floor's time counted in turns with the measured one
    Memory,      // by the difference of the peak memory of two benchmarks
    Growth       // by the difference of one benchmark's peak memory and its memory before the work
};

// A figure and its floor.
struct Figure
{
    const char *label;
    const char *measured;
    const char *floor;
    Kind kind;
    double target; // the largest acceptable ratio or difference in MB; 0 for none
};

const Figure figures[] = {
        {"style click (slot / codec)", "style_click/slot", "style_click/codec_floor", Kind::Time,
         1.15},
        {"compile, ten 135x240 (slot / codec)", "compile_135x240/slot",
         "compile_135x240/codec_floor", Kind::Time, 0},
        {"compile, ten 4000x3000 (slot / fitted codec)", "compile_4000x3000/slot",
         "compile_4000x3000/codec_floor", Kind::Time, 1.3},
        {"start-up to first frame (clock / minimal)", "start_up/clock", "start_up/clock",
         Kind::TimeInTurns, 1.3},
        {"start-up, both without OpenGL (own work)", "start_up/own_work", "start_up/own_work",
         Kind::TimeInTurns, 0},
        // Only with CLOCK_BASELINE_FIRST_PAINT set: this build against another one.
        {"start-up (this build / baseline build)", "start_up/against_baseline",
         "start_up/against_baseline", Kind::TimeInTurns, 0},
        // Against the empty window without OpenGL, which alone maps 50 MB, as the program does not.
        {"peak RSS after start-up (clock - minimal)", "start_up/clock",
         "start_up/minimal_without_opengl", Kind::Memory, 25},
        {"peak RSS after scrolling 23 styles", "scroll_styles/clock",
         "start_up/minimal_without_opengl", Kind::Memory, 25},
        {"peak RSS in compile, 4000x3000 (- before)", "compile_4000x3000/slot",
         "compile_4000x3000/slot", Kind::Growth, 25},
        {"image builder, ten pictures (process/floor)", "spiffs_builder/process",
         "spiffs_builder/floor", Kind::Time, 1.5},
        // No "base_MB" is counted for a process, so this is its whole peak.
        {"peak RSS of the image builder process", "spiffs_builder/process",
         "spiffs_builder/process", Kind::Growth, 8},
};

} // namespace

void SummaryReporter::ReportRuns(const std::vector<Run> &runs)
{
    for (const Run &run : runs) {
        if (run.error_occurred || run.run_type != Run::RT_Aggregate
            || run.aggregate_name != "median")
            continue;
        // A counter that a benchmark does not count is 0.
        const auto counter = [&run](const char *name) {
            const auto found = run.counters.find(name);
            return found == run.counters.end() ? 0.0 : double(found->second.value);
        };
        Median &median = medians[run.run_name.function_name];
        // Every benchmark here reports in milliseconds.
        median.milliseconds = run.GetAdjustedRealTime();
        median.cpuMs = counter("cpu_ms");
        median.peakMB = counter("peak_MB");
        median.baseMB = counter("base_MB");
        median.floorMs = counter("floor_ms");
        median.floorCpuMs = counter("floor_cpu_ms");
    }
    ConsoleReporter::ReportRuns(runs);
}

void SummaryReporter::printSummary() const
{
    std::printf("\n%-44s %10s %10s %8s %8s %8s  %s\n", "figure (medians)", "measured", "floor",
                "ratio", "target", "CPU", "met");
    for (const Figure &figure : figures) {
        const auto measured = medians.find(figure.measured);
        const auto floor = medians.find(figure.floor);
        if (measured == medians.end() || floor == medians.end()) {
            std::printf("%-44s %10s\n", figure.label, "not run");
            continue;
        }
        const Median &m = measured->second;
        Median f = floor->second;
        if (figure.kind == Kind::TimeInTurns) {
            f.milliseconds = m.floorMs;
            f.cpuMs = m.floorCpuMs;
        }
        // Memory is compared by the difference, time by the ratio; the CPU ratio is context.
        const bool memory = figure.kind == Kind::Memory || figure.kind == Kind::Growth;
        const double floorMB = figure.kind == Kind::Growth ? f.baseMB : f.peakMB;
        const double result = memory ? m.peakMB - floorMB : m.milliseconds / f.milliseconds;
        const bool met = figure.target <= 0 || result <= figure.target;
        char target[16] = "-";
        if (figure.target > 0 && memory)
            std::snprintf(target, sizeof target, "+%.0f MB", figure.target);
        else if (figure.target > 0)
            std::snprintf(target, sizeof target, "%.2fx", figure.target);
        const char *verdict = figure.target <= 0 ? "-" : met ? "yes" : "NO";
        if (memory) {
            std::printf("%-44s %7.1f MB %7.1f MB %+5.1f MB %8s %8s  %s\n", figure.label, m.peakMB,
                        floorMB, result, target, "", verdict);
        } else {
            std::printf("%-44s %7.1f ms %7.1f ms %7.2fx %8s %7.2fx  %s\n", figure.label,
                        m.milliseconds, f.milliseconds, result, target, m.cpuMs / f.cpuMs, verdict);
        }
    }
}
