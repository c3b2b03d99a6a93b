// spiffs_builder: packs a folder into a SPIFFS image for the ESP8266 Arduino core, lists an image
// and unpacks it. Exit status 0 done, 1 failed, 2 bad command line; see options.cpp for the usage.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "disk.h"
#include "options.h"
#include "spiffs_image.h"

#ifndef SPIFFS_BUILDER_VERSION
#define SPIFFS_BUILDER_VERSION "unknown"
#endif

namespace fs = std::filesystem;
using namespace spiffs;

namespace {

constexpr int failed = 1;
constexpr int usageError = 2;

// The scripts show the text of the last line on stderr after "spiffs_builder: " as the reason for
// a failure, so a message is one line in plain words, the most useful part first.
int failure(const std::string &message)
{
    std::fprintf(stderr, "spiffs_builder: %s\n", message.c_str());
    return failed;
}

// The line that ends a successful create: how much went in and how full the file system is.
void printSummary(const std::vector<ImageFile> &files, const Built &built, const Geometry &g,
                  const fs::path &image)
{
    uint64_t bytes = 0;
    for (const ImageFile &file : files)
        bytes += file.data.size();
    const uint64_t pages = built.pagesUsed, usable = g.usablePages;
    std::printf("%zu file%s, %llu bytes, in %llu of %llu pages of %u bytes (%llu percent); image "
                "of %u bytes written to %s\n",
                files.size(), files.size() == 1 ? "" : "s", (unsigned long long)bytes,
                (unsigned long long)pages, (unsigned long long)usable, g.pageSize,
                (unsigned long long)((pages * 100 + usable - 1) / usable), g.imageSize,
                display(image).c_str());
}

int create(const Options &options)
{
    const Result<Geometry> g = geometry(options.layout);
    if (!g)
        return failure(g.error);
    const Result<Folder> folder = readFolder(options.folder, g.value);
    if (!folder)
        return failure(folder.error);
    for (const std::string &name : folder.value.skipped)
        std::fprintf(stderr, "skipping %s\n", printable(name).c_str());
    const Result<Built> built = build(folder.value.files, options.layout);
    if (!built)
        return failure(built.error);
    const std::string written = writeFileAtomically(options.image, built.value.image);
    if (!written.empty())
        return failure(written);
    // Only now, so that the list names files that are in the image.
    for (const ImageFile &file : folder.value.files)
        std::printf("%s\n", file.name.c_str());
    printSummary(folder.value.files, built.value, g.value, options.image);
    return 0;
}

// -l and -u.
int readImage(const Options &options)
{
    std::error_code error;
    const uint64_t fileSize = fs::file_size(options.image, error);
    if (error)
        return failure("cannot read " + display(options.image) + ": " + error.message());
    Layout layout = options.layout;
    if (!options.sizeGiven)
        layout.size = fileSize;
    const Result<Geometry> g = geometry(layout);
    if (!g)
        return failure(g.error);
    if (fileSize != layout.size)
        return failure(display(options.image) + " is " + std::to_string(fileSize)
                       + " bytes, not the " + std::to_string(layout.size) + " given with -s");
    const Result<std::vector<uint8_t>> image = readFile(options.image, layout.size);
    if (!image)
        return failure(image.error);
    const Result<std::vector<ImageFile>> files = read(image.value, layout);
    if (!files)
        return failure(display(options.image) + ": " + files.error);

    if (options.action == Options::List) {
        for (const ImageFile &file : files.value)
            std::printf("%zu\t%s\n", file.data.size(), file.name.c_str());
        return 0;
    }
    fs::create_directories(options.folder, error);
    if (error)
        return failure("cannot make the folder " + display(options.folder) + ": "
                       + error.message());
    int status = 0;
    for (const ImageFile &file : files.value) {
        const std::string unpacked = unpackFile(options.folder, file);
        if (unpacked.empty())
            std::printf("%s\n", file.name.c_str());
        else
            status = failure(unpacked);
    }
    return status;
}

int run(const std::vector<fs::path> &arguments)
{
    const ParsedOptions parsed = parseOptions(arguments);
    if (!parsed.error.empty()) {
        // One line: the scripts show the last line of stderr as the reason.
        std::fprintf(stderr, "spiffs_builder: %s. Run \"spiffs_builder --help\" for the usage.\n",
                     parsed.error.c_str());
        return usageError;
    }
    switch (parsed.options.action) {
    case Options::Help:
        std::fputs(usageText, stdout);
        return 0;
    case Options::Version:
        std::printf("spiffs_builder %s\nSPIFFS images for the ESP8266 Arduino core, as its mkspiffs"
                    " (arduino-esp8266) makes them:\nnames of 32 bytes, no metadata, block magic,"
                    " aligned object index tables.\n",
                    SPIFFS_BUILDER_VERSION);
        return 0;
    case Options::Create:
        return create(parsed.options);
    default:
        return readImage(parsed.options);
    }
}

template<class Char>
int runGuarded(int argc, Char **argv)
{
    try {
        // On Windows the arguments arrive as UTF-16 and stay so in the paths.
        const std::vector<fs::path> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
        const int status = run(arguments);
        return std::fflush(stdout) == 0 || status != 0 ? status
                                                       : failure("cannot write the output");
    } catch (const std::bad_alloc &) {
        return failure("not enough memory");
    } catch (const std::exception &exception) {
        return failure(exception.what());
    }
}

} // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t **argv)
#else
int main(int argc, char **argv)
#endif
{
    return runGuarded(argc, argv);
}
