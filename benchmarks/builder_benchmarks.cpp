// spiffs_builder, timed as mkspiffs.bat runs it: a new process that packs the ten digit pictures
// of the sample set into a 1,024,000-byte image. Most of its time is process start-up, so its
// floor is a process too: builder_floor, built from this file with BUILDER_FLOOR defined, a plain
// C++ program linked like the builder that reads the same ten files and writes 1,024,000 bytes the
// way the builder does (a temporary file, synced, then renamed into place). Both are started with
// posix_spawn, so the benchmark's own size does not slow their start.
//
// Peak memory cannot come from wait4(): Linux carries the parent's peak into an exec'd child's
// ru_maxrss. The child is traced instead and its VmHWM read when it is about to exit.

#ifdef BUILDER_FLOOR

#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

// builder_floor IMAGE FILE...: the least work of a builder with the same input and output.
int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    std::vector<unsigned char> image(1024000, 0xFF);
    size_t used = 0;
    for (int i = 2; i < argc; ++i) {
        FILE *in = std::fopen(argv[i], "rb");
        if (!in)
            return 1;
        size_t count;
        while (used < image.size()
               && (count = std::fread(&image[used], 1, image.size() - used, in)) > 0)
            used += count;
        std::fclose(in);
    }
    const std::string temporary = std::string(argv[1]) + ".tmp";
    FILE *out = std::fopen(temporary.c_str(), "wb");
    if (!out)
        return 1;
    const bool written = std::fwrite(image.data(), 1, image.size(), out) == image.size()
            && std::fflush(out) == 0 && fsync(fileno(out)) == 0;
    if (std::fclose(out) != 0 || !written)
        return 1;
    return std::rename(temporary.c_str(), argv[1]) == 0 ? 0 : 1;
}

#else

#include <QDir>
#include <QFile>
#include <QString>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "bench_folder.h"
#include "disk.h"
#include "figures.h"
#include "spiffs_image.h"

extern char **environ;

namespace {

struct Run
{
    bool ok = false;
    double seconds = 0;
    double cpuMs = 0;
};

// Starts a program with its output to /dev/null and waits for it.
Run spawn(const std::vector<std::string> &command)
{
    std::vector<char *> argv;
    for (const std::string &argument : command)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    Run run;
    pid_t pid;
    const auto start = std::chrono::steady_clock::now();
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    int status = 0;
    rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
            + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-3;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// The peak resident memory (VmHWM) of a run of the program, in KiB; 0 if it cannot be had.
double peakKib(const std::vector<std::string> &command)
{
    std::vector<char *> argv;
    for (const std::string &argument : command)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    double peak = 0;
    // Stopped after exec: ask for a stop at exit, while the memory is still there to be read.
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFSTOPPED(status)) {
        ptrace(PTRACE_SETOPTIONS, pid, nullptr, reinterpret_cast<void *>(PTRACE_O_TRACEEXIT));
        ptrace(PTRACE_CONT, pid, nullptr, nullptr);
        while (waitpid(pid, &status, 0) == pid && WIFSTOPPED(status)) {
            if (status >> 8 == (SIGTRAP | PTRACE_EVENT_EXIT << 8)) {
                std::ifstream proc("/proc/" + std::to_string(pid) + "/status");
                for (std::string line; std::getline(proc, line);) {
                    if (line.rfind("VmHWM:", 0) == 0)
                        peak = std::stod(line.substr(6));
                }
            }
            // Signals other than the trap go on to the program.
            const int signal = WSTOPSIG(status) == SIGTRAP ? 0 : WSTOPSIG(status);
            ptrace(PTRACE_CONT, pid, nullptr, reinterpret_cast<void *>(intptr_t(signal)));
        }
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? peak : 0;
}

// The folder the builder packs: the ten sample digit pictures.
QString folder()
{
    return BenchFolder::path() + QStringLiteral("/builder");
}

bool layOutData(std::vector<std::string> &pictures)
{
    const QString data = folder() + QStringLiteral("/data");
    if (!QDir().mkpath(data))
        return false;
    pictures.clear();
    for (int digit = 0; digit <= 9; ++digit) {
        const QString name = QString::number(digit) + QStringLiteral(".jpg");
        QFile::remove(data + '/' + name);
        if (!QFile::copy(QStringLiteral(BUILDER_SAMPLE_PICTURES "/") + name, data + '/' + name))
            return false;
        pictures.push_back((data + '/' + name).toStdString());
    }
    return true;
}

void timeProcess(benchmark::State &state, bool builder)
{
    std::vector<std::string> pictures;
    if (!layOutData(pictures)) {
        state.SkipWithError("cannot lay out the data folder");
        return;
    }
    const std::string image = (folder() + QStringLiteral("/spiffs.bin")).toStdString();
    std::vector<std::string> command;
    if (builder) {
        command = {SPIFFS_BUILDER_PROGRAM,
                   "-c",
                   (folder() + QStringLiteral("/data")).toStdString(),
                   "-p",
                   "256",
                   "-b",
                   "8192",
                   "-s",
                   "1024000",
                   image};
    } else {
        command = {BUILDER_FLOOR_PROGRAM, image};
        command.insert(command.end(), pictures.begin(), pictures.end());
    }
    const double peak = peakKib(command);
    if (peak <= 0) {
        state.SkipWithError("the program failed");
        return;
    }
    double cpuMs = 0;
    for (auto _ : state) {
        const Run run = spawn(command);
        if (!run.ok) {
            state.SkipWithError("the program failed");
            break;
        }
        state.SetIterationTime(run.seconds);
        cpuMs += run.cpuMs;
    }
    state.counters["peak_MB"] = benchmark::Counter(peak * 1024 / 1e6);
    state.counters["cpu_ms"] = benchmark::Counter(cpuMs, benchmark::Counter::kAvgIterations);
}

// The builder's own work without a process around it: read the folder, build, write the image.
void timeInProcess(benchmark::State &state)
{
    std::vector<std::string> pictures;
    if (!layOutData(pictures)) {
        state.SkipWithError("cannot lay out the data folder");
        return;
    }
    const spiffs::Layout layout {256, 8192, 1024000};
    const spiffs::Geometry geometry = spiffs::geometry(layout).value;
    const std::filesystem::path data = (folder() + QStringLiteral("/data")).toStdString();
    const std::filesystem::path image = (folder() + QStringLiteral("/spiffs.bin")).toStdString();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const auto files = spiffs::readFolder(data, geometry);
        const auto built = spiffs::build(files.value.files, layout);
        if (!files || !built || !spiffs::writeFileAtomically(image, built.value.image).empty()) {
            state.SkipWithError("the build failed");
            break;
        }
        state.SetIterationTime(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}

} // namespace

void registerBuilderBenchmarks()
{
    for (auto *b : {benchmark::RegisterBenchmark("spiffs_builder/process", timeProcess, true),
                    benchmark::RegisterBenchmark("spiffs_builder/floor", timeProcess, false),
                    benchmark::RegisterBenchmark("spiffs_builder/in_process", timeInProcess)})
        b->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(40)
                ->Repetitions(5)
                ->ReportAggregatesOnly(true);
}

#endif // BUILDER_FLOOR
