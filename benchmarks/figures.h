#ifndef BENCHMARKS_FIGURES_H
#define BENCHMARKS_FIGURES_H

// The benchmarks, in pairs: what the program does, and the floor that the same work costs with
// QImage or Qt alone. summary.cpp pairs them up by these names.

// "style_click/{slot,codec_floor}", "compile_<w>x<h>/{slot,codec_floor}". Needs the benchmark
// folder laid out and the photo sets written.
void registerWindowBenchmarks();

// "start_up/{clock,own_work,minimal_without_opengl}" and "scroll_styles/clock": separate
// processes, timed from their start to their first painted frame, with their peak memory as the
// counter "peak_MB". "start_up/clock" launches the empty window in turns with the program's, and
// "start_up/own_work" the empty window without OpenGL, as the program runs; both count the empty
// window's times as "floor_ms" and "floor_cpu_ms". With CLOCK_BASELINE_FIRST_PAINT set to
// another build's clock_first_paint, "start_up/against_baseline" launches that one in turns with
// this build's and counts its times the same way.
//
// Every benchmark also counts "cpu_ms", the CPU time of the work, for a busy machine.
void registerProcessBenchmarks();

// "spiffs_builder/{process,floor,in_process}": the image builder packing the ten sample pictures
// as a new process, the least a process does with that input and output, and the builder's work
// alone; with "peak_MB" and "cpu_ms". Defined in builder_benchmarks.cpp.
void registerBuilderBenchmarks();

#endif // BENCHMARKS_FIGURES_H
