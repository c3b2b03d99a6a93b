#ifndef BENCHMARKS_SUMMARY_H
#define BENCHMARKS_SUMMARY_H

#include <benchmark/benchmark.h>

#include <map>
#include <string>

// Prints the runs as usual and keeps each benchmark's median, so that the run can end with every
// figure set against its floor.
class SummaryReporter : public benchmark::ConsoleReporter
{
public:
    struct Median
    {
        double milliseconds = 0; // wall time
        double cpuMs = 0;
        double peakMB = 0;
        double baseMB = 0;  // resident memory before the work, where the peak is the work's own
        double floorMs = 0; // the floor's wall and CPU time, where it was timed in turns with it
        double floorCpuMs = 0;
    };

    // Plain text: the output is as often kept in a file as read on a terminal.
    SummaryReporter()
        : ConsoleReporter(OO_Tabular)
    { }

    void ReportRuns(const std::vector<Run> &runs) override;

    // The table of figures, ratios and targets.
    void printSummary() const;

private:
    std::map<std::string, Median> medians; // by benchmark name, e.g. "style_click/slot"
};

#endif // BENCHMARKS_SUMMARY_H
