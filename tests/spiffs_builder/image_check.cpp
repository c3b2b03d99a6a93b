#include "image_check.h"

#include <algorithm>
#include <map>
#include <sstream>

namespace {

uint16_t u16(const uint8_t *at)
{
    return uint16_t(at[0] | at[1] << 8);
}

uint32_t u32(const uint8_t *at)
{
    return uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16;
}

bool allFF(const uint8_t *from, const uint8_t *to)
{
    return std::all_of(from, to, [](uint8_t byte) { return byte == 0xFF; });
}

class Checker
{
public:
    Checker(const std::vector<uint8_t> &image, uint32_t page, uint32_t block, uint32_t size)
        : image(image)
        , page(page)
        , pagesPerBlock(block / page)
        , entries(block / page - 1)
        , blocks(size / block)
        , block(block)
        , size(size)
    { }

    std::vector<std::string> problems;

    template<class... Parts>
    void problem(const Parts &...parts)
    {
        if (problems.size() >= 20)
            return;
        std::ostringstream text;
        (text << ... << parts);
        problems.push_back(text.str());
    }

    void run(std::vector<spiffs::ImageFile> files);

private:
    const uint8_t *at(uint32_t pageNumber) const
    {
        return image.data() + size_t(pageNumber) * page;
    }
    uint32_t objectPage(uint32_t b, uint32_t e) const { return b * pagesPerBlock + 1 + e; }
    uint16_t entry(uint32_t b, uint32_t e) const
    {
        return u16(image.data() + size_t(b) * block + 2 * e);
    }
    // The data span held by entry `e` of the table at `table`, checked and counted.
    void checkReference(const spiffs::ImageFile &file, uint16_t id, uint32_t span,
                        uint16_t reference);

    const std::vector<uint8_t> &image;
    const uint32_t page, pagesPerBlock, entries, blocks, block, size;
    std::map<uint32_t, int> references; // data page -> table entries naming it
};

void Checker::checkReference(const spiffs::ImageFile &file, uint16_t id, uint32_t span,
                             uint16_t reference)
{
    if (reference == 0xFFFF || reference >= size / page || reference % pagesPerBlock == 0) {
        problem(file.name, ": table entry of data span ", span, " is ", reference);
        return;
    }
    ++references[reference];
    const uint8_t *data = at(reference);
    if (u16(data) != id || u16(data + 2) != span || data[4] != 0xFC) {
        problem(file.name, ": data span ", span, " names page ", reference, ", which has id ",
                u16(data), " span ", u16(data + 2), " flags ", int(data[4]));
        return;
    }
    const uint32_t capacity = page - 5;
    const size_t from = size_t(span) * capacity;
    const size_t count = std::min<size_t>(capacity, file.data.size() - from);
    if (!std::equal(data + 5, data + 5 + count, file.data.begin() + from))
        problem(file.name, ": data span ", span, " (page ", reference, ") has other bytes");
    if (!allFF(data + 5 + count, data + page))
        problem(file.name, ": the tail of page ", reference, " after the file's end is not 0xFF");
}

void Checker::run(std::vector<spiffs::ImageFile> files)
{
    if (image.size() != size) {
        problem("the image is ", image.size(), " bytes, not ", size);
        return;
    }
    const uint16_t magic = uint16_t(0x20140529 ^ page);
    const uint32_t headerEntries = (page - 46) / 2, indexEntries = (page - 8) / 2;
    const uint32_t dataPerPage = page - 5;

    // The lookup pages, and every object page against its entry.
    std::vector<std::pair<uint16_t, uint16_t>> used; // (entry, span) of each used page in order
    std::map<std::pair<uint16_t, uint16_t>, uint32_t> pages; // (id with marker, span) -> page
    bool freeSeen = false;
    for (uint32_t b = 0; b < blocks; ++b) {
        const uint8_t *lookup = image.data() + size_t(b) * block;
        if (u16(lookup + page - 4) != magic || u16(lookup + page - 2) != 0)
            problem("block ", b, ": magic ", u16(lookup + page - 4), " erase count ",
                    u16(lookup + page - 2));
        if (!allFF(lookup + 2 * entries, lookup + page - 4))
            problem("block ", b, ": lookup bytes after the entries are not all 0xFF");
        for (uint32_t e = 0; e < entries; ++e) {
            const uint16_t value = entry(b, e);
            const uint32_t number = objectPage(b, e);
            const uint8_t *p = at(number);
            if (value == 0xFFFF) {
                freeSeen = true;
                if (!allFF(p, p + page))
                    problem("page ", number, " is free in the lookup but not all 0xFF");
                continue;
            }
            if (freeSeen)
                problem("page ", number, " is used after a free page: not compact / prefix rule");
            if (value == 0) {
                problem("page ", number, " is deleted");
                continue;
            }
            const bool index = (value & 0x8000) != 0;
            if (u16(p) != value)
                problem("page ", number, ": id ", u16(p), " but lookup entry ", value);
            if (p[4] != (index ? 0xF8 : 0xFC))
                problem("page ", number, ": flags ", int(p[4]), " for a ", index ? "index" : "data",
                        " page");
            if (index && !allFF(p + 5, p + 8))
                problem("page ", number, ": padding after the index page header is not 0xFF");
            if (!pages.emplace(std::make_pair(value, u16(p + 2)), number).second)
                problem("page ", number, ": a second page of entry ", value, " span ", u16(p + 2));
            used.emplace_back(value, u16(p + 2));
        }
    }
    if (blocks < 3 || entry(blocks - 2, 0) != 0xFFFF || entry(blocks - 1, 0) != 0xFFFF)
        problem("the last two blocks are not wholly free");

    // Each file, with ids in name order; and the order of the pages it must have.
    std::sort(
            files.begin(), files.end(),
            [](const spiffs::ImageFile &a, const spiffs::ImageFile &b) { return a.name < b.name; });
    std::vector<std::pair<uint16_t, uint16_t>> expected;
    for (size_t i = 0; i < files.size(); ++i) {
        const spiffs::ImageFile &file = files[i];
        const uint16_t id = uint16_t(i + 1), indexId = uint16_t(id | 0x8000);
        const uint32_t dataPages = uint32_t((file.data.size() + dataPerPage - 1) / dataPerPage);
        expected.emplace_back(indexId, 0);
        for (uint32_t s = 0; s < dataPages; ++s) {
            if (s >= headerEntries && (s - headerEntries) % indexEntries == 0)
                expected.emplace_back(indexId, 1 + (s - headerEntries) / indexEntries);
            expected.emplace_back(id, s);
        }
        const auto header = pages.find({indexId, 0});
        if (header == pages.end()) {
            problem(file.name, ": no index header with id ", id);
            continue;
        }
        const uint8_t *h = at(header->second);
        const uint32_t sizeField = file.data.empty() ? 0xFFFFFFFF : uint32_t(file.data.size());
        if (u32(h + 8) != sizeField)
            problem(file.name, ": size field ", u32(h + 8), " instead of ", sizeField);
        if (h[12] != 1)
            problem(file.name, ": object type ", int(h[12]));
        std::string name(reinterpret_cast<const char *>(h + 13), 32);
        if (name != file.name + std::string(32 - file.name.size(), '\0'))
            problem(file.name, ": the name field holds \"", name.c_str(), "\"");
        if (h[45] != 0xFF)
            problem(file.name, ": padding byte 45 is not 0xFF");
        for (uint32_t s = 0; s < headerEntries; ++s) {
            const uint16_t reference = u16(h + 46 + 2 * s);
            if (s < dataPages)
                checkReference(file, id, s, reference);
            else if (reference != 0xFFFF)
                problem(file.name, ": header table entry ", s, " is used beyond the file");
        }
        for (uint32_t k = 1;; ++k) {
            const uint32_t first = headerEntries + (k - 1) * indexEntries;
            const auto index = pages.find({indexId, uint16_t(k)});
            if (first >= dataPages) {
                if (index != pages.end())
                    problem(file.name, ": index page of span ", k, " beyond the file's data");
                break;
            }
            if (index == pages.end()) {
                problem(file.name, ": no index page of span ", k);
                break;
            }
            const uint8_t *table = at(index->second) + 8;
            for (uint32_t j = 0; j < indexEntries; ++j) {
                const uint16_t reference = u16(table + 2 * j);
                if (first + j < dataPages)
                    checkReference(file, id, first + j, reference);
                else if (reference != 0xFFFF)
                    problem(file.name, ": index page ", k, " entry ", j,
                            " is used beyond the file");
            }
        }
    }
    for (const auto &[key, number] : pages) {
        if ((key.first & 0x8000) == 0 && references[number] != 1)
            problem("data page ", number, " is named by ", references[number], " table entries");
    }
    if (used != expected)
        problem("the pages are not the compact layout: ", used.size(), " pages used, ",
                expected.size(), " expected, in order");
}

} // namespace

std::vector<std::string> checkImage(const std::vector<uint8_t> &image,
                                    std::vector<spiffs::ImageFile> files, uint32_t page,
                                    uint32_t block, uint32_t size)
{
    Checker checker(image, page, block, size);
    checker.run(std::move(files));
    return checker.problems;
}
