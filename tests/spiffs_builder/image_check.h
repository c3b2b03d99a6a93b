// The structural checker: everything the format fixes about an image that our writer made from
// known files, checked byte by byte with its own arithmetic, independent of the builder's reader.

#ifndef TESTS_SPIFFS_BUILDER_IMAGE_CHECK_H
#define TESTS_SPIFFS_BUILDER_IMAGE_CHECK_H

#include <cstdint>
#include <string>
#include <vector>

#include "spiffs_image.h"

// The problems found in `image`, made by the writer from `files` with this layout; empty when it
// is right. Checks: size; magic and erase count 0 in every block; lookup bytes after the entries
// 0xFF; the prefix rule; every free page all 0xFF; every used entry equal to its page's id, with
// the index marker exactly on index pages (flags 0xF8) and not on data pages (flags 0xFC); no
// deleted pages; each file's index header (span 0, padding 0xFF, size or 0xFFFFFFFF when empty,
// type 1, name NUL-padded) and further index pages; every data page referenced exactly once, by
// its own span's table entry, with the file's bytes and 0xFF after them; unused table entries
// 0xFFFF; ids 1, 2, 3... in name order; the compact layout from page 1 upward; and the last two
// blocks wholly free.
std::vector<std::string> checkImage(const std::vector<uint8_t> &image,
                                    std::vector<spiffs::ImageFile> files, uint32_t page,
                                    uint32_t block, uint32_t size);

#endif // TESTS_SPIFFS_BUILDER_IMAGE_CHECK_H
