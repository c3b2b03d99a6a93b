// The builder's side of the disk: a folder of files in, an image file out, and unpacking an
// image's files into a folder. Every path is a std::filesystem::path, which holds UTF-16 on
// Windows, so names outside ASCII work there too; names inside an image are UTF-8.

#ifndef SPIFFS_BUILDER_DISK_H
#define SPIFFS_BUILDER_DISK_H

#include <filesystem>
#include <string>
#include <vector>

#include "spiffs_image.h"

namespace spiffs {

// The files to store from `folder`: every regular file below it, named "/sub/name", sorted by name
// as bytes. Entries named .gitignore, .DS_Store, .git and .gitmodules are left out at every depth;
// a symbolic link to a file counts as that file, one to a folder is not entered. Names and sizes
// are checked against the geometry (checkFiles()) before any content is read.
struct Folder
{
    std::vector<ImageFile> files;
    std::vector<std::string> skipped; // "/.gitignore", "/x (a link to a folder)": for the user
};
Result<Folder> readFolder(const std::filesystem::path &folder, const Geometry &geometry);

// A whole file, refused when it is larger than `limit` bytes.
Result<std::vector<uint8_t>> readFile(const std::filesystem::path &path, uint64_t limit);

// Writes `bytes` into a temporary file beside `path`, flushes it to the disk and renames it over
// `path`: `path` is either untouched or complete. Returns an error message, or nothing.
std::string writeFileAtomically(const std::filesystem::path &path,
                                const std::vector<uint8_t> &bytes);

// Where an image's file goes below `folder`, or why it may not go anywhere: names that
// whyNameDoesNotUnpack() refuses (an empty, "." or ".." component, a backslash, a colon, a control
// character...), so that nothing is ever written outside `folder`.
Result<std::filesystem::path> unpackPath(const std::filesystem::path &folder,
                                         const std::string &name);

// Writes one file of an image below `folder` (which must exist), making its subfolders. Never
// follows a symbolic link below `folder`. Returns an error message, or nothing.
std::string unpackFile(const std::filesystem::path &folder, const ImageFile &file);

// The UTF-8 form of a path, for messages (control characters as \xNN).
std::string display(const std::filesystem::path &path);

} // namespace spiffs

#endif // SPIFFS_BUILDER_DISK_H
