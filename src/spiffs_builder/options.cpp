#include "options.h"

namespace spiffs {

const char *const usageText
        = "Usage:\n"
          "  spiffs_builder -c DIR -p PAGE -b BLOCK -s SIZE IMAGE     pack the files below DIR\n"
          "  spiffs_builder -l [-p PAGE] [-b BLOCK] [-s SIZE] IMAGE   list the files of IMAGE\n"
          "  spiffs_builder -u DIR [-p PAGE] [-b BLOCK] [-s SIZE] IMAGE  unpack them into DIR\n"
          "  spiffs_builder --version | --help\n"
          "\n"
          "Makes and reads SPIFFS file system images for the ESP8266 Arduino core, like the\n"
          "\"arduino-esp8266\" build of mkspiffs.\n"
          "\n"
          "  -c DIR    every file below DIR goes in, as \"/name\" or \"/sub/name\"; entries\n"
          "            named .gitignore, .DS_Store, .git and .gitmodules are left out\n"
          "  -l        prints \"SIZE<TAB>NAME\" for each file\n"
          "  -u DIR    writes each file below DIR, making DIR and its subfolders\n"
          "  -p PAGE   page size in bytes (default 256)\n"
          "  -b BLOCK  block size in bytes (default 8192)\n"
          "  -s SIZE   file system size in bytes, a multiple of BLOCK; required with -c,\n"
          "            otherwise the size of IMAGE\n"
          "Numbers are decimal, or hexadecimal after 0x. The long forms --create, --list,\n"
          "--unpack, --page, --block and --size work too; -- ends the options.\n"
          "\n"
          "The files must fit with two blocks left free, as SPIFFS needs; a name holds at\n"
          "most 31 bytes with its leading \"/\". Names that would not unpack are refused: a\n"
          "colon, a backslash, a control character, or a part of only dots and blanks.\n"
          "IMAGE is replaced only once it is complete.\n"
          "\n"
          "Exit status: 0 done, 1 failed (no image written), 2 bad command line.\n";

namespace {

// A decimal or 0x-hexadecimal number up to 2^32 - 1, all of the text.
bool toNumber(const std::string &text, uint64_t &value)
{
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const size_t start = hex ? 2 : 0;
    if (text.size() == start || text.size() - start > 10)
        return false;
    value = 0;
    for (size_t i = start; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        value = value * (hex ? 16 : 10) + uint64_t(digit);
    }
    return value <= 0xFFFFFFFF;
}

} // namespace

ParsedOptions parseOptions(const std::vector<std::filesystem::path> &arguments)
{
    ParsedOptions parsed;
    Options &options = parsed.options;
    const auto fail = [&parsed](const std::string &error) {
        parsed.error = error;
        return parsed;
    };
    std::string action; // the option that chose the action, for messages
    bool imageGiven = false, pageGiven = false, blockGiven = false, optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string argument = arguments[i].u8string();
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            if (imageGiven)
                return fail("only one image file, please: \"" + options.image.u8string()
                            + "\" and \"" + argument + "\" were given");
            options.image = arguments[i];
            imageGiven = true;
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const auto is = [&argument](const char *shortName, const char *longName) {
            return argument == shortName || argument == longName;
        };
        const bool takesValue = is("-c", "--create") || is("-u", "--unpack") || is("-p", "--page")
                || is("-b", "--block") || is("-s", "--size");
        if (takesValue && i + 1 == arguments.size())
            return fail(argument + " needs a value");
        const auto setAction = [&](Options::Action chosen) {
            if (!action.empty())
                return false;
            action = argument;
            options.action = chosen;
            return true;
        };
        const auto setNumber = [&](uint64_t &value, bool &given) {
            const std::string text = arguments[i + 1].u8string();
            if (given)
                parsed.error = argument + " is given twice";
            else if (!toNumber(text, value))
                parsed.error = argument + " needs a number of bytes, not \"" + text + "\"";
            given = true;
            ++i;
            return parsed.error.empty();
        };
        bool ok = true;
        if (is("-c", "--create") || is("-u", "--unpack")) {
            ok = setAction(is("-c", "--create") ? Options::Create : Options::Unpack);
            options.folder = arguments[++i];
        } else if (is("-l", "--list")) {
            ok = setAction(Options::List);
        } else if (is("-h", "--help")) {
            ok = setAction(Options::Help);
        } else if (argument == "--version") {
            ok = setAction(Options::Version);
        } else if (is("-p", "--page")) {
            if (!setNumber(options.layout.page, pageGiven))
                return parsed;
        } else if (is("-b", "--block")) {
            if (!setNumber(options.layout.block, blockGiven))
                return parsed;
        } else if (is("-s", "--size")) {
            if (!setNumber(options.layout.size, options.sizeGiven))
                return parsed;
        } else {
            return fail("unknown option " + argument);
        }
        if (!ok)
            return fail("choose one action: " + action + " and " + argument + " were both given");
    }

    if (action.empty())
        return fail("no action given: -c DIR creates an image, -l lists it, -u DIR unpacks it");
    if (options.action == Options::Help || options.action == Options::Version) {
        if (arguments.size() > 1)
            return fail(action + " goes alone");
        return parsed;
    }
    if (!imageGiven)
        return fail("no image file given");
    if (options.action == Options::Create && !options.sizeGiven)
        return fail("-c needs the file system size: -s SIZE");
    return parsed;
}

} // namespace spiffs
