// How much fits into a file system, and, when files do not fit, how much to cut: the numbers of
// the builder's "do not fit" message (FORMAT.md, section 10).

#ifndef SPIFFS_BUILDER_CAPACITY_H
#define SPIFFS_BUILDER_CAPACITY_H

#include <cstdint>
#include <string>
#include <vector>

#include "spiffs_image.h"

namespace spiffs {

// The most bytes that `files` files can hold together in this geometry, however their sizes are
// shared out. Some choice of sizes reaches it; 0 when even empty files do not fit.
uint64_t capacityFor(uint64_t files, const Geometry &geometry);

// The fewest bytes to cut from the ends of files of these sizes, keeping every file, before they
// fit; 0 when they fit. Never more than the true fewest, so "remove at least" this many is true.
uint64_t bytesToRemove(const std::vector<uint64_t> &sizes, const Geometry &geometry);

// Why files of these sizes do not fit, in the user's terms, on one line; empty when they fit.
std::string whyFilesDoNotFit(const std::vector<uint64_t> &sizes, const Geometry &geometry);

// 1234567 as "1,234,567".
std::string withSeparators(uint64_t value);

} // namespace spiffs

#endif // SPIFFS_BUILDER_CAPACITY_H
