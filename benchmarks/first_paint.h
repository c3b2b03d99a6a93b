#ifndef BENCHMARKS_FIRST_PAINT_H
#define BENCHMARKS_FIRST_PAINT_H

#include <functional>

class QWidget;

// The start-up launchers' common end: show the window, and as soon as its first frame is painted,
// run `afterFirstFrame` (if any), print the process's peak resident memory and leave at once.
// Leaving without tearing the window down keeps the parent's timing to start-up alone.
//
// Output on stdout: what `afterFirstFrame` printed, then "peak-kib <VmHWM in KiB>" and
// "cpu-ms <CPU time of the process so far>". A non-zero exit means that the measurement did not
// happen as intended.
int runToFirstPaint(QWidget &window, const std::function<bool()> &afterFirstFrame = {});

#endif // BENCHMARKS_FIRST_PAINT_H
