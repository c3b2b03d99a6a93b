#include "spiffs_image.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "capacity.h"

namespace spiffs {

namespace {

constexpr uint16_t freeEntry = 0xFFFF;
constexpr uint16_t deletedEntry = 0x0000;
constexpr uint16_t indexMarker = 0x8000;
constexpr uint16_t noPage = 0xFFFF;
constexpr uint32_t emptyFileSize = 0xFFFFFFFF; // "never written": what the library leaves
constexpr uint8_t typeFile = 1;

// Page flags: a flag holds when its bit is 0, since flash programming only clears bits.
constexpr uint8_t flagUsed = 0x01;
constexpr uint8_t flagFinal = 0x02;
constexpr uint8_t flagIndex = 0x04;
constexpr uint8_t flagRemoving = 0x40;
constexpr uint8_t flagDeleted = 0x80;
constexpr uint8_t flagsData = 0xFC;  // used, final, data
constexpr uint8_t flagsIndex = 0xF8; // used, final, index

uint16_t get16(const uint8_t *at)
{
    return uint16_t(at[0] | at[1] << 8);
}

uint32_t get32(const uint8_t *at)
{
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

void put16(uint8_t *at, uint16_t value)
{
    at[0] = uint8_t(value);
    at[1] = uint8_t(value >> 8);
}

void put32(uint8_t *at, uint32_t value)
{
    put16(at, uint16_t(value));
    put16(at + 2, uint16_t(value >> 16));
}

uint64_t divideUp(uint64_t a, uint64_t b)
{
    return (a + b - 1) / b;
}

std::string number(uint64_t value)
{
    return std::to_string(value);
}

std::string hexByte(uint8_t value)
{
    const char *digits = "0123456789ABCDEF";
    return std::string {'0', 'x', digits[value >> 4], digits[value & 15]};
}

std::string quoted(const std::string &name)
{
    return '"' + printable(name) + '"';
}

// The page header of every object page: id, span index, flags.
struct PageHeader
{
    uint16_t id;
    uint16_t span;
    uint8_t flags;
};

} // namespace

std::vector<std::string> nameComponents(const std::string &name)
{
    std::vector<std::string> parts;
    size_t start = 1;
    for (size_t end; (end = name.find('/', start)) != std::string::npos; start = end + 1)
        parts.push_back(name.substr(start, end - start));
    parts.push_back(name.substr(start));
    return parts;
}

std::string whyNameDoesNotUnpack(const std::string &name)
{
    if (name.empty() || name[0] != '/')
        return "does not start with \"/\"";
    for (const std::string &part : nameComponents(name)) {
        if (part.empty())
            return "has an empty path component";
        if (part.find_first_not_of(". ") == std::string::npos)
            return "has the path component " + quoted(part);
        for (const char c : part) {
            if (c == '\\')
                return "holds a backslash";
            if (c == ':')
                return "holds a colon";
            if (static_cast<unsigned char>(c) < 0x20)
                return "holds a control character";
        }
    }
    return {};
}

std::string printable(const std::string &text)
{
    std::string shown;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            shown += "\\x" + hexByte(uint8_t(c)).substr(2);
        else
            shown += c;
    }
    return shown;
}

Result<Geometry> geometry(const Layout &layout)
{
    Result<Geometry> result;
    const uint64_t page = layout.page, block = layout.block, size = layout.size;
    if (page < 64 || page > 8192 || (page & (page - 1)) != 0) {
        result.error = "page size " + number(page)
                + " is not supported: it must be a power of two from 64 to 8192 (usually 256)";
        return result;
    }
    if (block == 0 || block % page != 0) {
        result.error = "block size " + number(block) + " is not a multiple of the page size "
                + number(page);
        return result;
    }
    // One lookup page per block: its entries, then the magic and the erase count (2 bytes each).
    const uint64_t pagesPerBlock = block / page, maxPagesPerBlock = page / 2 - 1;
    if (pagesPerBlock < 2 || pagesPerBlock > maxPagesPerBlock) {
        result.error = "block size " + number(block) + " is not supported with pages of "
                + number(page) + " bytes: a block must hold 2 to " + number(maxPagesPerBlock)
                + " pages, so that one lookup page describes it (usually 8192)";
        return result;
    }
    if (size == 0 || size % block != 0) {
        result.error = "file system size " + number(size) + " is not a multiple of the block size "
                + number(block);
        return result;
    }
    if (size / block < 3) {
        result.error = "file system size " + number(size) + " holds only " + number(size / block)
                + " blocks of " + number(block)
                + " bytes; SPIFFS needs at least 3, two of them kept free for garbage collection";
        return result;
    }
    // Page numbers are 16 bits, and 0xFFFF means "no page".
    if (size / page > 0xFFFF) {
        result.error = "file system size " + number(size) + " has " + number(size / page)
                + " pages of " + number(page) + " bytes; SPIFFS page numbers allow at most "
                + number(0xFFFF / pagesPerBlock * block) + " bytes with these page and block sizes";
        return result;
    }
    Geometry &g = result.value;
    g.pageSize = uint32_t(page);
    g.blockSize = uint32_t(block);
    g.imageSize = uint32_t(size);
    g.blocks = uint32_t(size / block);
    g.pagesPerBlock = uint32_t(pagesPerBlock);
    g.pages = g.blocks * g.pagesPerBlock;
    g.entriesPerBlock = g.pagesPerBlock - 1;
    g.dataPerPage = g.pageSize - Geometry::pageHeaderSize;
    g.headerEntries = (g.pageSize - Geometry::headerTableOffset) / 2;
    g.indexEntries = (g.pageSize - Geometry::indexTableOffset) / 2;
    g.usablePages = (g.blocks - 2) * g.entriesPerBlock;
    g.magic = uint16_t(0x20140529 ^ g.pageSize);
    return result;
}

uint64_t pagesFor(uint64_t size, const Geometry &g)
{
    const uint64_t data = divideUp(size, g.dataPerPage);
    const uint64_t index
            = data <= g.headerEntries ? 0 : divideUp(data - g.headerEntries, g.indexEntries);
    return 1 + data + index;
}

std::string checkFiles(const std::vector<FileSize> &files, const Geometry &g)
{
    std::vector<const std::string *> names;
    std::vector<uint64_t> sizes;
    for (const FileSize &file : files) {
        const std::string &name = file.name;
        if (name.size() < 2 || name[0] != '/' || name.find('\0') != std::string::npos)
            return "the name " + quoted(name) + " is not a SPIFFS file name (\"/\" and a path)";
        if (name.size() >= Geometry::nameFieldSize)
            return "the name " + quoted(name) + " is " + number(name.size())
                    + " bytes long; SPIFFS names hold at most "
                    + number(Geometry::nameFieldSize - 1) + " bytes with the leading \"/\"";
        const std::string unpackable = whyNameDoesNotUnpack(name);
        if (!unpackable.empty())
            return "the name " + quoted(name) + " " + unpackable
                    + ", and an image with it would not unpack; rename the file";
        names.push_back(&name);
        sizes.push_back(file.size);
    }
    std::sort(names.begin(), names.end(),
              [](const std::string *a, const std::string *b) { return *a < *b; });
    const auto twice = std::adjacent_find(
            names.begin(), names.end(),
            [](const std::string *a, const std::string *b) { return *a == *b; });
    if (twice != names.end())
        return "the name " + quoted(**twice) + " is given twice";
    return whyFilesDoNotFit(sizes, g);
}

namespace {

// A freshly formatted image: erased, with the magic and erase count 0 in every block.
std::vector<uint8_t> formattedImage(const Geometry &g)
{
    std::vector<uint8_t> image(g.imageSize, 0xFF);
    for (uint32_t block = 0; block < g.blocks; ++block) {
        uint8_t *tail = &image[size_t(block) * g.blockSize + g.pageSize - 4];
        put16(tail, g.magic);
        put16(tail + 2, 0);
    }
    return image;
}

// Hands out the object pages in increasing order from page 1, skipping the lookup pages, and
// writes each one's lookup entry and page header. checkFiles() made sure that they stay below the
// last two blocks.
class PagePlacer
{
public:
    PagePlacer(std::vector<uint8_t> &image, const Geometry &g)
        : image(image)
        , g(g)
    { }

    // The next free object page, now holding this page header; its number.
    uint32_t place(uint16_t id, uint16_t span, uint8_t flags)
    {
        const uint32_t block = placed / g.entriesPerBlock, index = placed % g.entriesPerBlock;
        ++placed;
        put16(&image[size_t(block) * g.blockSize + 2 * index], id);
        const uint32_t page = block * g.pagesPerBlock + 1 + index;
        uint8_t *at = pageAt(page);
        put16(at, id);
        put16(at + 2, span);
        at[4] = flags;
        return page;
    }

    uint8_t *pageAt(uint32_t page) { return &image[size_t(page) * g.pageSize]; }
    uint32_t pagesPlaced() const { return placed; }

private:
    std::vector<uint8_t> &image;
    const Geometry &g;
    uint32_t placed = 0;
};

// One file's pages: its index header, then its data pages, each further index page right before
// the first data page it lists.
void placeFile(const ImageFile &file, uint16_t id, PagePlacer &placer, const Geometry &g)
{
    const uint16_t indexId = uint16_t(id | indexMarker);
    const size_t size = file.data.size();
    uint8_t *header = placer.pageAt(placer.place(indexId, 0, flagsIndex));
    put32(header + Geometry::sizeOffset, size == 0 ? emptyFileSize : uint32_t(size));
    header[Geometry::typeOffset] = typeFile;
    uint8_t *name = header + Geometry::nameOffset;
    std::fill(name, name + Geometry::nameFieldSize, 0);
    std::copy(file.name.begin(), file.name.end(), name);

    uint8_t *table = header + Geometry::headerTableOffset;
    uint16_t indexSpan = 0;
    const uint32_t dataPages = uint32_t(divideUp(size, g.dataPerPage));
    for (uint32_t span = 0; span < dataPages; ++span) {
        uint32_t entry = span;
        if (span >= g.headerEntries) {
            entry = (span - g.headerEntries) % g.indexEntries;
            if (entry == 0)
                table = placer.pageAt(placer.place(indexId, ++indexSpan, flagsIndex))
                        + Geometry::indexTableOffset;
        }
        const uint32_t page = placer.place(id, uint16_t(span), flagsData);
        put16(table + 2 * entry, uint16_t(page));
        const size_t from = size_t(span) * g.dataPerPage;
        const size_t count = std::min<size_t>(g.dataPerPage, size - from);
        std::copy_n(file.data.begin() + from, count,
                    placer.pageAt(page) + Geometry::pageHeaderSize);
    }
}

} // namespace

Result<Built> build(const std::vector<ImageFile> &files, const Layout &layout)
{
    Result<Built> result;
    const Result<Geometry> layoutGeometry = geometry(layout);
    if (!layoutGeometry) {
        result.error = layoutGeometry.error;
        return result;
    }
    const Geometry &g = layoutGeometry.value;
    std::vector<FileSize> sizes;
    for (const ImageFile &file : files)
        sizes.push_back({file.name, file.data.size()});
    result.error = checkFiles(sizes, g);
    if (!result)
        return result;

    std::vector<const ImageFile *> sorted;
    for (const ImageFile &file : files)
        sorted.push_back(&file);
    std::sort(sorted.begin(), sorted.end(),
              [](const ImageFile *a, const ImageFile *b) { return a->name < b->name; });

    result.value.image = formattedImage(g);
    PagePlacer placer(result.value.image, g);
    uint16_t id = 0;
    for (const ImageFile *file : sorted)
        placeFile(*file, ++id, placer, g);
    result.value.pagesUsed = placer.pagesPlaced();
    return result;
}

namespace {

// An image being read, and the blocks that the mount check took as erased.
struct ImageView
{
    const std::vector<uint8_t> &image;
    const Geometry &g;
    std::vector<bool> erased;

    const uint8_t *pageAt(uint32_t page) const { return &image[size_t(page) * g.pageSize]; }
    uint16_t lookupEntry(uint32_t block, uint32_t index) const
    {
        return get16(&image[size_t(block) * g.blockSize + 2 * index]);
    }
    PageHeader headerOf(uint32_t page) const
    {
        const uint8_t *at = pageAt(page);
        return PageHeader {get16(at), get16(at + 2), at[4]};
    }
    bool isObjectPage(uint32_t page) const
    {
        return page < g.pages && page % g.pagesPerBlock != 0 && !erased[page / g.pagesPerBlock];
    }
};

// A page that belongs to a file: used and final, not deleted. Others are still being written or
// already deleted.
bool isLive(uint8_t flags)
{
    return (flags & (flagUsed | flagFinal)) == 0 && (flags & flagDeleted) != 0;
}

// Mounting: every block carries the magic. The library erases a single block without it (an erase
// that was cut short) and refuses the image when two or more lack it. Marks the erased block in
// `view`; returns why the image does not mount, or nothing.
std::string checkMount(ImageView &view)
{
    const Geometry &g = view.g;
    view.erased.assign(g.blocks, false);
    uint32_t withoutMagic = 0;
    for (uint32_t block = 0; block < g.blocks; ++block) {
        if (get16(&view.image[size_t(block) * g.blockSize + g.pageSize - 4]) != g.magic) {
            view.erased[block] = true;
            ++withoutMagic;
        }
    }
    if (withoutMagic > 1)
        return "not a SPIFFS image of this layout: " + number(withoutMagic) + " of "
                + number(g.blocks) + " blocks lack the magic for pages of " + number(g.pageSize)
                + " bytes";
    // Garbage collection moves every page in use out of a block before erasing it.
    for (uint32_t block = 0; block < g.blocks; ++block) {
        for (uint32_t index = 0; view.erased[block] && index < g.entriesPerBlock; ++index) {
            const uint16_t entry = view.lookupEntry(block, index);
            if (entry != freeEntry && entry != deletedEntry)
                return "block " + number(block) + " lacks the magic but holds pages in use";
        }
    }
    return {};
}

// Where the index scan found the files' index pages.
struct IndexPages
{
    std::vector<uint32_t> headers;                             // in the order found
    std::map<std::pair<uint16_t, uint16_t>, uint32_t> further; // (id, span) -> page
};

// Index pages are found through the lookup entries that carry the index marker. Returns why the
// image cannot be read, or nothing.
std::string scanIndexPages(const ImageView &view, IndexPages &found)
{
    const Geometry &g = view.g;
    std::map<uint16_t, uint32_t> headerOfId;
    for (uint32_t block = 0; block < g.blocks; ++block) {
        if (view.erased[block])
            continue;
        for (uint32_t index = 0; index < g.entriesPerBlock; ++index) {
            const uint16_t entry = view.lookupEntry(block, index);
            if (entry == freeEntry || entry == deletedEntry || (entry & indexMarker) == 0)
                continue;
            const uint32_t page = block * g.pagesPerBlock + 1 + index;
            const PageHeader h = view.headerOf(page);
            if (!isLive(h.flags))
                continue;
            if (h.id != entry || (h.flags & flagIndex) != 0)
                return "page " + number(page)
                        + " does not match its lookup entry: the entry says index page of object "
                        + number(entry & ~indexMarker) + ", the page has id "
                        + number(h.id & ~indexMarker)
                        + ((h.flags & flagIndex) != 0 ? " and data flags" : "");
            if (h.span != 0) {
                if (!found.further.emplace(std::make_pair(h.id, h.span), page).second)
                    return "object " + number(h.id & ~indexMarker) + " has two index pages of span "
                            + number(h.span) + ": pages " + number(found.further[{h.id, h.span}])
                            + " and " + number(page);
            } else if ((h.flags & flagRemoving) != 0) { // not a file whose removal has begun
                if (!headerOfId.emplace(h.id, page).second)
                    return "object " + number(h.id & ~indexMarker)
                            + " has two index headers: pages " + number(headerOfId[h.id]) + " and "
                            + number(page);
                found.headers.push_back(page);
            }
        }
    }
    return {};
}

// The page of data span `span` of the file `where` (object `id`, index header on page `header`),
// as the file's index pages name it, checked.
Result<uint32_t> dataPageOf(const ImageView &view, const IndexPages &found, uint32_t header,
                            uint16_t id, uint32_t span, const std::string &where)
{
    Result<uint32_t> result;
    const auto fail = [&result](std::string message) {
        result.error = std::move(message);
        return result;
    };
    const Geometry &g = view.g;
    const uint8_t *table = view.pageAt(header) + Geometry::headerTableOffset;
    uint32_t entry = span;
    if (span >= g.headerEntries) {
        const uint32_t indexSpan = 1 + (span - g.headerEntries) / g.indexEntries;
        const auto further = found.further.find({uint16_t(id | indexMarker), uint16_t(indexSpan)});
        if (further == found.further.end())
            return fail(where + " lacks its index page of span " + number(indexSpan));
        table = view.pageAt(further->second) + Geometry::indexTableOffset;
        entry = (span - g.headerEntries) % g.indexEntries;
    }
    const uint16_t page = get16(table + 2 * entry);
    if (page == noPage || !view.isObjectPage(page))
        return fail(where + ": the index entry of data span " + number(span)
                    + (page == noPage
                               ? " is empty"
                               : " names page " + number(page) + ", which is not an object page"));
    const PageHeader h = view.headerOf(page);
    if (h.id != id || h.span != span || !isLive(h.flags) || (h.flags & flagIndex) == 0)
        return fail(where + ": page " + number(page) + " is not its data page of span "
                    + number(span) + " (the page has id " + number(h.id & ~indexMarker) + ", span "
                    + number(h.span) + ", flags " + hexByte(h.flags) + ")");
    result.value = page;
    return result;
}

// The file whose index header is on page `header`, with its name not among `names` (to which it
// is added). Returns why it cannot be read, or nothing.
std::string assembleFile(const ImageView &view, const IndexPages &found, uint32_t header,
                         std::set<std::string> &names, ImageFile &file)
{
    const Geometry &g = view.g;
    const uint8_t *at = view.pageAt(header);
    const uint16_t id = uint16_t(get16(at) & ~indexMarker);
    const uint8_t *name = at + Geometry::nameOffset;
    const uint8_t *nameEnd = std::find(name, name + Geometry::nameFieldSize, 0);
    if (nameEnd == name + Geometry::nameFieldSize)
        return "the name of object " + number(id) + " (page " + number(header) + ") has no end";
    file.name.assign(name, nameEnd);
    const std::string where = "file " + quoted(file.name) + " (object " + number(id) + ")";
    if (at[Geometry::typeOffset] != typeFile)
        return where + " has the object type " + number(at[Geometry::typeOffset])
                + ", not a file (1)";
    if (!names.insert(file.name).second)
        return "two files are named " + quoted(file.name);
    const uint32_t sizeField = get32(at + Geometry::sizeOffset);
    const uint64_t size = sizeField == emptyFileSize ? 0 : sizeField;
    const uint64_t dataPages = divideUp(size, g.dataPerPage);
    if (dataPages > uint64_t(g.blocks) * g.entriesPerBlock)
        return where + " claims " + number(size) + " bytes, more than the image holds";

    file.data.reserve(size_t(size));
    for (uint32_t span = 0; span < dataPages; ++span) {
        const Result<uint32_t> page = dataPageOf(view, found, header, id, span, where);
        if (!page)
            return page.error;
        const uint8_t *data = view.pageAt(page.value) + Geometry::pageHeaderSize;
        const size_t count = size_t(std::min<uint64_t>(g.dataPerPage, size - file.data.size()));
        file.data.insert(file.data.end(), data, data + count);
    }
    return {};
}

} // namespace

Result<std::vector<ImageFile>> read(const std::vector<uint8_t> &image, const Layout &layout)
{
    Result<std::vector<ImageFile>> result;
    const auto fail = [&result](std::string message) {
        result.error = std::move(message);
        result.value.clear();
        return result;
    };
    const Result<Geometry> layoutGeometry = geometry(layout);
    if (!layoutGeometry)
        return fail(layoutGeometry.error);
    const Geometry &g = layoutGeometry.value;
    if (image.size() != g.imageSize)
        return fail("the image is " + number(image.size()) + " bytes, but the file system size is "
                    + number(g.imageSize));

    ImageView view {image, g, {}};
    std::string error = checkMount(view);
    if (!error.empty())
        return fail(error);
    IndexPages found;
    error = scanIndexPages(view, found);
    if (!error.empty())
        return fail(error);
    std::set<std::string> names;
    for (const uint32_t header : found.headers) {
        ImageFile file;
        error = assembleFile(view, found, header, names, file);
        if (!error.empty())
            return fail(error);
        result.value.push_back(std::move(file));
    }
    return result;
}

} // namespace spiffs
