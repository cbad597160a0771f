// The round trip both packer fuzz targets drive: a program parsed, its
// resource tree read, every leaf given new bytes (shorter, longer or empty,
// as one selector byte says), the program rewritten, and the result parsed
// again. A refusal with a reason is fine at every step before the rewrite's
// result; what the rewrite gives must parse back to exactly the tree that
// went in, keep every other section's bytes, carry a right checksum, and
// rewrite to itself. Any broken rule aborts.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "pe_image.h"

namespace roundtrip {

inline void Require(bool rule) {
    if (!rule) std::abort();
}

inline bool SameKey(const ResKey& a, const ResKey& b) {
    return a.named == b.named && a.name == b.name && a.id == b.id;
}

inline bool SameHeader(const ResDirHeader& a, const ResDirHeader& b) {
    return a.characteristics == b.characteristics && a.stamp == b.stamp && a.major == b.major &&
           a.minor == b.minor;
}

inline bool SameTree(const ResTree& a, const ResTree& b) {
    if (!SameHeader(a.header, b.header) || a.types.size() != b.types.size()) return false;
    for (std::size_t i = 0; i < a.types.size(); ++i) {
        const ResType& x = a.types[i];
        const ResType& y = b.types[i];
        if (!SameKey(x.key, y.key) || !SameHeader(x.header, y.header) ||
            x.names.size() != y.names.size())
            return false;
        for (std::size_t j = 0; j < x.names.size(); ++j) {
            const ResName& m = x.names[j];
            const ResName& n = y.names[j];
            if (!SameKey(m.key, n.key) || !SameHeader(m.header, n.header) ||
                m.leaves.size() != n.leaves.size())
                return false;
            for (std::size_t k = 0; k < m.leaves.size(); ++k)
                if (m.leaves[k].language != n.leaves[k].language ||
                    m.leaves[k].codepage != n.leaves[k].codepage ||
                    m.leaves[k].data != n.leaves[k].data)
                    return false;
        }
    }
    return true;
}

// New bytes for every leaf, as a team's files replace the members: the
// selector's low two bits pick empty, half, the same or one and a half
// times the old size, its high bits a few bytes more.
inline void NewMembers(ResTree& tree, std::uint8_t selector) {
    std::uint32_t n = 0;
    for (ResType& t : tree.types)
        for (ResName& name : t.names)
            for (ResLeaf& leaf : name.leaves) {
                const std::size_t old = leaf.data.size();
                const std::size_t size = old * (selector & 3u) / 2 + (selector >> 5);
                leaf.data.resize(size);
                for (std::size_t i = 0; i < size; ++i)
                    leaf.data[i] = static_cast<unsigned char>(n * 31 + i);
                ++n;
            }
}

inline Bytes Raw(const PeImage& pe, const PeSection& s) {
    const std::size_t n = std::min<std::size_t>(s.rawsize, pe.bytes.size() - s.rawptr);
    return Bytes(pe.bytes.begin() + static_cast<std::ptrdiff_t>(s.rawptr),
                 pe.bytes.begin() + static_cast<std::ptrdiff_t>(s.rawptr + n));
}

inline void Check(Bytes input, std::uint8_t selector) {
    PeImage pe;
    ResTree tree;
    if (!ParsePe(std::move(input), pe).empty() || !ReadResources(pe, tree).empty()) return;
    NewMembers(tree, selector);
    Bytes out;
    if (!WriteWithResources(pe, tree, out).empty()) return;

    PeImage again;
    ResTree back;
    Require(ParsePe(out, again).empty());
    Require(ReadResources(again, back).empty());
    Require(SameTree(tree, back));
    Require(again.machine == pe.machine && again.magic == pe.magic && again.rsrc == pe.rsrc);
    Require(again.sections.size() == pe.sections.size());
    Require(again.certOffset == 0 && again.certSize == 0);
    for (std::size_t i = 0; i < pe.sections.size(); ++i) {
        if (static_cast<int>(i) == pe.rsrc) continue;
        Require(std::memcmp(again.sections[i].name, pe.sections[i].name, 8) == 0);
        Require(again.sections[i].rawsize == pe.sections[i].rawsize);
        Require(Raw(again, again.sections[i]) == Raw(pe, pe.sections[i]));
    }
    std::uint32_t sum = 0;
    for (int i = 0; i < 4; ++i)
        sum |= static_cast<std::uint32_t>(out[again.opt + 64 + static_cast<std::size_t>(i)])
               << (8 * i);
    Require(sum == PeChecksum(out, again.opt + 64));

    Bytes twice;
    Require(WriteWithResources(again, back, twice).empty());
    Require(twice == out);
}

} // namespace roundtrip
