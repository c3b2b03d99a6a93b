#include "disk.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX // no min() and max() macros
#endif
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace spiffs {

namespace {

// The C library's files, opened by a wide name on Windows: plain, and no locale in the way.
FILE *openFile(const fs::path &path, bool write)
{
#ifdef _WIN32
    return _wfopen(path.c_str(), write ? L"wb" : L"rb");
#else
    return std::fopen(path.c_str(), write ? "wb" : "rb");
#endif
}

// Flushes a written file's data to the disk, so that a rename after it cannot leave it short.
bool syncFile(FILE *file)
{
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

// Replaces `to` by `from` in one step. Returns why it could not, or nothing.
std::string replaceFile(const fs::path &from, const fs::path &to)
{
#ifdef _WIN32
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return {};
    return "Windows error " + std::to_string(GetLastError());
#else
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return {};
    return std::strerror(errno);
#endif
}

int processId()
{
#ifdef _WIN32
    return _getpid();
#else
    return getpid();
#endif
}

std::string lastError()
{
    return std::strerror(errno);
}

// Writes `bytes` into `file` and closes it; with `sync`, flushes the data to the disk first, so
// that a rename after it cannot leave the file short. Returns why it failed, or nothing.
std::string writeAndClose(FILE *file, const std::vector<uint8_t> &bytes, bool sync)
{
    // An empty vector's data() may be null, which fwrite() must not be given.
    bool written
            = (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size())
            && (!sync || (std::fflush(file) == 0 && syncFile(file)));
    std::string failure = written ? std::string() : lastError();
    if (std::fclose(file) != 0 && written)
        failure = lastError();
    return failure;
}

bool isSkipped(const std::string &name)
{
    return name == ".gitignore" || name == ".DS_Store" || name == ".git" || name == ".gitmodules";
}

struct Found
{
    std::string name; // as stored
    fs::path path;
    uint64_t size;
};

// Walks one folder, depth first; `prefix` is the stored name of the folder ("" at the top).
std::string walk(const fs::path &folder, const std::string &prefix, std::vector<Found> &found,
                 std::vector<std::string> &skipped)
{
    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const fs::path &path = it->path();
        const std::string name = prefix + "/" + path.filename().u8string();
        if (isSkipped(path.filename().u8string())) {
            skipped.push_back(name);
            continue;
        }
        const fs::file_status status = it->status(error); // through a symbolic link
        if (status.type() == fs::file_type::not_found)
            return "cannot read " + display(path) + ": it is a symbolic link to nothing, or gone";
        if (error)
            return "cannot read " + display(path) + ": " + error.message();
        if (fs::is_directory(status)) {
            if (it->is_symlink(error)) {
                skipped.push_back(name + " (a link to a folder)");
                continue;
            }
            const std::string failed = walk(path, name, found, skipped);
            if (!failed.empty())
                return failed;
        } else if (fs::is_regular_file(status)) {
            const uint64_t size = it->file_size(error);
            if (error)
                return "cannot read " + display(path) + ": " + error.message();
            found.push_back({name, path, size});
        } else {
            skipped.push_back(name + " (not a regular file)"); // a device, socket or pipe
        }
    }
    if (error)
        return "cannot read the folder " + display(folder) + ": " + error.message();
    return {};
}

} // namespace

std::string display(const fs::path &path)
{
    return printable(path.u8string());
}

Result<Folder> readFolder(const fs::path &folder, const Geometry &geometry)
{
    Result<Folder> result;
    std::error_code error;
    const fs::file_status status = fs::status(folder, error);
    if (!fs::is_directory(status)) {
        result.error = fs::exists(status) ? "cannot read " + display(folder) + ": not a folder"
                                          : "the folder " + display(folder) + " does not exist";
        return result;
    }
    std::vector<Found> found;
    result.error = walk(folder, "", found, result.value.skipped);
    if (!result)
        return result;
    std::sort(found.begin(), found.end(),
              [](const Found &a, const Found &b) { return a.name < b.name; });

    // Names and sizes first: input that cannot go in is refused before anything is read.
    std::vector<FileSize> sizes;
    for (const Found &file : found)
        sizes.push_back({file.name, file.size});
    result.error = checkFiles(sizes, geometry);
    if (!result)
        return result;
    // A file that grows meanwhile still cannot make this read more than the image holds.
    const uint64_t limit = uint64_t(geometry.usablePages) * geometry.dataPerPage;
    for (const Found &file : found) {
        Result<std::vector<uint8_t>> content = readFile(file.path, limit);
        if (!content) {
            result.error = content.error;
            result.value.files.clear();
            return result;
        }
        result.value.files.push_back({file.name, std::move(content.value)});
    }
    return result;
}

Result<std::vector<uint8_t>> readFile(const fs::path &path, uint64_t limit)
{
    Result<std::vector<uint8_t>> result;
    FILE *file = openFile(path, false);
    if (!file) {
        result.error = "cannot read " + display(path) + ": " + lastError();
        return result;
    }
    std::vector<uint8_t> &data = result.value;
    uint8_t buffer[65536];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        if (data.size() + count > limit) {
            result.error = "cannot read " + display(path) + ": it is larger than "
                    + std::to_string(limit) + " bytes";
            break;
        }
        data.insert(data.end(), buffer, buffer + count);
    }
    if (result && std::ferror(file))
        result.error = "cannot read " + display(path) + ": " + lastError();
    std::fclose(file);
    if (!result)
        data.clear();
    return result;
}

std::string writeFileAtomically(const fs::path &path, const std::vector<uint8_t> &bytes)
{
    fs::path temporary = path;
    temporary += ".spiffs_builder-" + std::to_string(processId()) + ".tmp";
    // The messages name `path`: the temporary file is no business of the user's.
    FILE *file = openFile(temporary, true);
    if (!file)
        return "cannot write " + display(path) + ": " + lastError();
    std::string failure = writeAndClose(file, bytes, true);
    if (failure.empty())
        failure = replaceFile(temporary, path);
    if (!failure.empty()) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return "cannot write " + display(path) + ": " + failure;
    }
    return {};
}

Result<fs::path> unpackPath(const fs::path &folder, const std::string &name)
{
    Result<fs::path> result;
    const std::string unpackable = whyNameDoesNotUnpack(name);
    if (!unpackable.empty()) {
        result.error = "refusing to unpack \"" + printable(name) + "\": the name " + unpackable;
        return result;
    }
    result.value = folder;
    for (const std::string &part : nameComponents(name))
        result.value /= fs::u8path(part);
    return result;
}

std::string unpackFile(const fs::path &folder, const ImageFile &file)
{
    const Result<fs::path> target = unpackPath(folder, file.name);
    if (!target)
        return target.error;
    const auto isLink = [](const fs::path &path) {
        std::error_code ignored;
        return fs::is_symlink(fs::symlink_status(path, ignored));
    };
    const auto linkError = [&file](const fs::path &path) {
        return "refusing to unpack \"" + printable(file.name) + "\": " + display(path)
                + " is a symbolic link";
    };
    // Every folder on the way is made, or must not be a link to elsewhere.
    const std::vector<std::string> parts = nameComponents(file.name);
    fs::path at = folder;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        at /= fs::u8path(parts[i]);
        if (isLink(at))
            return linkError(at);
        std::error_code error;
        if (!fs::create_directory(at, error) && error)
            return "cannot make the folder " + display(at) + ": " + error.message();
    }
    if (isLink(target.value))
        return linkError(target.value);
    FILE *out = openFile(target.value, true);
    if (!out)
        return "cannot write " + display(target.value) + ": " + lastError();
    const std::string failure = writeAndClose(out, file.data, false);
    if (!failure.empty())
        return "cannot write " + display(target.value) + ": " + failure;
    return {};
}

} // namespace spiffs
