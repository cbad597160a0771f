// SetVersion on a version block taken from an input program: a refusal
// leaves the block as it was; a rewritten block carries the version in its
// fixed fields and rewrites to itself. The input's size picks one of four
// versions (short and long strings).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "version_block.h"

namespace {

constexpr VersionQuad kVersions[] = {
    {1, 2, 3, 4}, {0, 0, 0, 0}, {65535, 65535, 65535, 65535}, {10, 200, 3000, 40000}};

void Require(bool rule) {
    if (!rule) std::abort();
}

std::uint32_t Get32(const Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16) |
           static_cast<std::uint32_t>(b[at + 3]) << 24;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const VersionQuad& v = kVersions[size % 4];
    const Bytes input(data, data + size);
    Bytes block = input;
    if (!SetVersion(block, v).empty()) {
        Require(block == input);
        return 0;
    }
    // The fixed fields follow the key "VS_VERSION_INFO" (or whatever key the
    // input had): found through the block's own header.
    Require(block.size() >= 6 && block.size() <= 0xFFFF);
    Require(static_cast<std::size_t>(block[0] | block[1] << 8) == block.size());
    std::size_t at = 6;
    while (block[at] != 0 || block[at + 1] != 0)
        at += 2;
    at = (at + 2 + 3) & ~std::size_t{3};
    const std::uint32_t ms = static_cast<std::uint32_t>(v[0]) << 16 | v[1];
    const std::uint32_t ls = static_cast<std::uint32_t>(v[2]) << 16 | v[3];
    Require(Get32(block, at) == 0xFEEF04BD);
    Require(Get32(block, at + 8) == ms && Get32(block, at + 12) == ls);
    Require(Get32(block, at + 16) == ms && Get32(block, at + 20) == ls);
    Bytes again = block;
    Require(SetVersion(again, v).empty());
    Require(again == block);
    return 0;
}
