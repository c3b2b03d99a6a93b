// The SPIFFS image format of the ESP8266 Arduino core (mkspiffs "arduino-esp8266": names of 32
// bytes with the NUL, no metadata, block magic on and independent of the length, aligned object
// index tables). Pure: files in, image bytes out, and back. No disk,
// no console; errors come back as text.

#ifndef SPIFFS_BUILDER_SPIFFS_IMAGE_H
#define SPIFFS_BUILDER_SPIFFS_IMAGE_H

#include <cstdint>
#include <string>
#include <vector>

namespace spiffs {

// A file as stored: its whole path with a leading "/" ("/0.jpg", "/sub/x.bin"), as bytes (UTF-8).
struct ImageFile
{
    std::string name;
    std::vector<uint8_t> data;
};

// The three numbers a user gives, in bytes.
struct Layout
{
    uint64_t page = 256;
    uint64_t block = 8192;
    uint64_t size = 0;
};

// Everything that follows from a layout the format supports.
struct Geometry
{
    uint32_t pageSize = 0;
    uint32_t blockSize = 0;
    uint32_t imageSize = 0;
    uint32_t blocks = 0;
    uint32_t pagesPerBlock = 0;   // lookup page + object pages
    uint32_t pages = 0;           // all pages of the image, lookup pages included
    uint32_t entriesPerBlock = 0; // object pages per block: pagesPerBlock - 1
    uint32_t dataPerPage = 0;     // file bytes in a data page
    uint32_t headerEntries = 0;   // page numbers in an index header page
    uint32_t indexEntries = 0;    // page numbers in a further index page
    uint32_t usablePages = 0;     // object pages a writer may fill: all but two blocks' worth
    uint16_t magic = 0;

    static constexpr uint16_t maxObjectId = 0x7FFE; // ids run from 1: at most this many files

    // Offsets in an object page (FORMAT.md, sections 4 to 7).
    static constexpr uint32_t pageHeaderSize = 5;     // id, span, flags; a data page's bytes follow
    static constexpr uint32_t sizeOffset = 8;         // index header: the file's size
    static constexpr uint32_t typeOffset = 12;        // index header: the object type
    static constexpr uint32_t nameOffset = 13;        // index header: the name field
    static constexpr uint32_t nameFieldSize = 32;     // with the terminating NUL
    static constexpr uint32_t headerTableOffset = 46; // index header: its data page numbers
    static constexpr uint32_t indexTableOffset = 8;   // further index page: its data page numbers
};

template<class T>
struct Result
{
    T value {};
    std::string error; // empty on success

    explicit operator bool() const { return error.empty(); }
};

// The geometry of a layout, or why the format cannot have it.
Result<Geometry> geometry(const Layout &layout);

// Pages a file of `size` bytes takes: header, data pages and further index pages.
uint64_t pagesFor(uint64_t size, const Geometry &geometry);

// The components of a stored name: "/a/b" -> "a", "b"; "/a//b/" -> "a", "", "b", "".
std::vector<std::string> nameComponents(const std::string &name);

// Why a file of this name cannot be unpacked, or nothing. A name must start with "/", and no
// component may be empty, be only dots and blanks ("." and "..", and what Windows makes of "..."
// or ". ." by dropping dots and blanks at the end), or hold a backslash, a colon (a drive letter
// or stream on Windows) or a control character. Packing refuses such names too, so that every
// image the builder writes unpacks.
std::string whyNameDoesNotUnpack(const std::string &name);

// A text for a message: control characters (and DEL) as \xNN, so that the message stays on one
// line.
std::string printable(const std::string &text);

// What build() would refuse, known from the names and sizes alone: bad, unpackable or duplicate
// names, too many files, more pages than the layout holds (whyFilesDoNotFit() in capacity.h). Empty
// when the files fit.
struct FileSize
{
    std::string name;
    uint64_t size = 0;
};
std::string checkFiles(const std::vector<FileSize> &files, const Geometry &geometry);

// The image of these files: sorted by name as bytes, ids 1, 2, 3..., packed from page 1 upward;
// every other byte erased (0xFF). The order of `files` does not matter.
struct Built
{
    std::vector<uint8_t> image;
    uint64_t pagesUsed = 0;
};
Result<Built> build(const std::vector<ImageFile> &files, const Layout &layout);

// The files of an image, in the order of their index headers in it. Checks every page it uses
// and fails with a message on anything the SPIFFS library would not read.
Result<std::vector<ImageFile>> read(const std::vector<uint8_t> &image, const Layout &layout);

} // namespace spiffs

#endif // SPIFFS_BUILDER_SPIFFS_IMAGE_H
