// The command line, compatible with mkspiffs for what the scripts pass:
//   spiffs_builder -c DIR -p PAGE -b BLOCK -s SIZE IMAGE
//   spiffs_builder -l [-p PAGE] [-b BLOCK] [-s SIZE] IMAGE
//   spiffs_builder -u DIR [-p PAGE] [-b BLOCK] [-s SIZE] IMAGE
//   spiffs_builder --version | --help

#ifndef SPIFFS_BUILDER_OPTIONS_H
#define SPIFFS_BUILDER_OPTIONS_H

#include <filesystem>
#include <string>
#include <vector>

#include "spiffs_image.h"

namespace spiffs {

struct Options
{
    enum Action { Create, List, Unpack, Version, Help };
    Action action = Help;
    std::filesystem::path folder; // -c DIR, -u DIR
    std::filesystem::path image;
    Layout layout; // -p, -b and -s; the size stays 0 when -s is not given
    bool sizeGiven = false;
};

struct ParsedOptions
{
    Options options;
    std::string error; // a usage error; empty when the command line is good
};

// `arguments` without the program's name. Paths are kept as given (UTF-16 on Windows).
ParsedOptions parseOptions(const std::vector<std::filesystem::path> &arguments);

extern const char *const usageText;

} // namespace spiffs

#endif // SPIFFS_BUILDER_OPTIONS_H
