#include "capacity.h"

#include <algorithm>

namespace spiffs {

namespace {

uint64_t divideUp(uint64_t a, uint64_t b)
{
    return (a + b - 1) / b;
}

// Further index pages of a file with this many data pages.
uint64_t indexPagesFor(uint64_t dataPages, const Geometry &g)
{
    return dataPages <= g.headerEntries ? 0 : divideUp(dataPages - g.headerEntries, g.indexEntries);
}

// Every file takes an index header page and an id, so neither may run out.
uint64_t mostFiles(const Geometry &g)
{
    return std::min<uint64_t>(g.usablePages, Geometry::maxObjectId);
}

// "1 file", "2 files".
std::string counted(uint64_t count, const char *one, const char *many)
{
    return withSeparators(count) + ' ' + (count == 1 ? one : many);
}

// Pages freed against bytes cut.
struct Cut
{
    uint64_t pages;
    uint64_t bytes;
};

// Whether the price per page rises from a -> b to b -> c.
bool risesAt(const Cut &a, const Cut &b, const Cut &c)
{
    return (b.bytes - a.bytes) * (c.pages - b.pages) < (c.bytes - b.bytes) * (b.pages - a.pages);
}

// What cutting a file of `size` bytes from its end offers, as stretches of pages at rising prices
// per page. Cutting j of its d data pages frees j pages, and one more for each further index page
// left with nothing to list; it costs the bytes of its last page and dataPerPage for each page
// more. Of those cuts, only the first, the last and those that empty an index page can be corners
// of their lower convex hull: between them the price is dataPerPage a page, the most there is. The
// hull never asks more than a real cut, and its prices rise, so the pages of all files can be
// taken cheapest first.
std::vector<Cut> stretchesOfCutting(uint64_t size, const Geometry &g)
{
    const uint64_t dataPages = divideUp(size, g.dataPerPage);
    const uint64_t indexPages = indexPagesFor(dataPages, g);
    const auto cutting = [&](uint64_t cut) {
        const uint64_t kept = dataPages - cut;
        return Cut {cut + indexPages - indexPagesFor(kept, g), size - kept * g.dataPerPage};
    };
    std::vector<uint64_t> corners;
    const auto corner = [&corners](uint64_t cut) {
        if (corners.empty() || corners.back() < cut)
            corners.push_back(cut);
    };
    if (dataPages > 0)
        corner(1);
    // Index page k + 1 lists the data pages after headerEntries + k * indexEntries.
    for (uint64_t k = indexPages; k-- > 0;)
        corner(dataPages - (g.headerEntries + k * g.indexEntries));
    corner(dataPages);

    std::vector<Cut> hull {{0, 0}};
    for (const uint64_t cut : corners) {
        const Cut next = cutting(cut);
        while (hull.size() >= 2 && !risesAt(hull[hull.size() - 2], hull.back(), next))
            hull.pop_back();
        hull.push_back(next);
    }
    std::vector<Cut> stretches;
    for (size_t i = 1; i < hull.size(); ++i)
        stretches.push_back({hull[i].pages - hull[i - 1].pages, hull[i].bytes - hull[i - 1].bytes});
    return stretches;
}

// The fewest bytes whose cutting frees `pages` pages, as if a stretch could be cut in part: at
// most the true fewest. The files must be few enough to fit when empty.
uint64_t bytesToFree(uint64_t pages, const std::vector<uint64_t> &sizes, const Geometry &g)
{
    std::vector<Cut> offers;
    for (const uint64_t size : sizes) {
        const std::vector<Cut> stretches = stretchesOfCutting(size, g);
        offers.insert(offers.end(), stretches.begin(), stretches.end());
    }
    std::sort(offers.begin(), offers.end(),
              [](const Cut &a, const Cut &b) { return a.bytes * b.pages < b.bytes * a.pages; });
    uint64_t bytes = 0;
    for (const Cut &offer : offers) {
        if (offer.pages >= pages)
            return bytes + divideUp(offer.bytes * pages, offer.pages);
        bytes += offer.bytes;
        pages -= offer.pages;
    }
    return bytes;
}

} // namespace

std::string withSeparators(uint64_t value)
{
    std::string digits = std::to_string(value);
    for (size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, 1, ',');
    return digits;
}

uint64_t capacityFor(uint64_t files, const Geometry &g)
{
    if (files == 0 || files > mostFiles(g))
        return 0;
    const uint64_t room = g.usablePages - files;     // for data pages and further index pages
    const uint64_t listed = files * g.headerEntries; // data pages that the index headers list
    if (room <= listed)
        return room * g.dataPerPage;
    // Beyond those, a further index page comes with every indexEntries data pages at most.
    const uint64_t beyond = room - listed;
    return (listed + beyond - divideUp(beyond, g.indexEntries + 1)) * g.dataPerPage;
}

uint64_t bytesToRemove(const std::vector<uint64_t> &sizes, const Geometry &g)
{
    uint64_t bytes = 0, pages = 0;
    for (const uint64_t size : sizes) {
        bytes += size;
        pages += pagesFor(size, g);
    }
    if (pages <= g.usablePages)
        return 0;
    if (sizes.size() > mostFiles(g))
        return bytes; // and still they do not fit
    const uint64_t capacity = capacityFor(sizes.size(), g);
    const uint64_t beyondCapacity = bytes > capacity ? bytes - capacity : 0;
    // Pages wasted on the ends of files matter near the capacity; far beyond it the bytes alone
    // tell, and the counting of pages would grow with the sizes.
    if (bytes > g.imageSize)
        return beyondCapacity;
    return std::max(beyondCapacity, bytesToFree(pages - g.usablePages, sizes, g));
}

std::string whyFilesDoNotFit(const std::vector<uint64_t> &sizes, const Geometry &g)
{
    const uint64_t files = sizes.size();
    if (files > mostFiles(g))
        return "the files do not fit: " + counted(files, "file is", "files are") + " more than the "
                + withSeparators(mostFiles(g))
                + " that this file system holds, even empty ones; remove at least "
                + counted(files - mostFiles(g), "file", "files");
    uint64_t bytes = 0, pages = 0;
    for (const uint64_t size : sizes) {
        bytes += size;
        pages += pagesFor(size, g);
    }
    if (pages <= g.usablePages)
        return {};
    const std::string taken = "the files do not fit: "
            + counted(files, "file takes ", "files take ") + counted(bytes, "byte", "bytes");
    const std::string remove
            = "; remove at least " + counted(bytesToRemove(sizes, g), "byte", "bytes");
    const uint64_t capacity = capacityFor(files, g);
    if (bytes > capacity)
        return taken + ", and at most " + counted(capacity, "byte", "bytes")
                + " of files fit in this file system" + remove;
    // Files of awkward sizes: the bytes would fit, but not in whole pages.
    return taken + ", but each file takes whole pages (a page holds "
            + withSeparators(g.dataPerPage) + " bytes of a file), and together they need "
            + counted(pages - g.usablePages, "page", "pages") + " more than this file system holds"
            + remove;
}

} // namespace spiffs
