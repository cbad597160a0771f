#include "pe_image.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

namespace {

constexpr std::uint32_t kScnDiscardable = 0x02000000;
constexpr std::size_t kMaxEntries = 4096; // per resource directory; far above any real file

bool get16(const Bytes& b, std::size_t at, std::uint16_t& v) {
    if (at > b.size() || b.size() - at < 2) return false;
    v = static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
    return true;
}

bool get32(const Bytes& b, std::size_t at, std::uint32_t& v) {
    if (at > b.size() || b.size() - at < 4) return false;
    v = static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
        static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
    return true;
}

// A buffer being written: a write that would leave it is dropped and
// remembered, and the caller refuses the result.
struct Sink {
    Bytes& b;
    bool ok = true;
};

void put16(Sink& s, std::size_t at, std::uint32_t v) {
    if (at > s.b.size() || s.b.size() - at < 2) {
        s.ok = false;
        return;
    }
    s.b[at] = static_cast<unsigned char>(v);
    s.b[at + 1] = static_cast<unsigned char>(v >> 8);
}

void put32(Sink& s, std::size_t at, std::uint32_t v) {
    if (at > s.b.size() || s.b.size() - at < 4) {
        s.ok = false;
        return;
    }
    for (std::size_t i = 0; i < 4; ++i)
        s.b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

std::uint64_t alignUp(std::uint64_t v, std::uint32_t a) {
    return (v + a - 1) / a * a;
}

// Offsets into the resource section, as the tree walk sees them.
struct RsrcView {
    const Bytes* file;
    std::size_t start; // file offset of the section's raw data
    std::size_t size;  // bytes of raw data present
    std::uint32_t va;
    std::uint32_t vsize;
};

// What one walk of the tree may take: each directory once, and no more
// bytes of names and data than the section holds, so entries that all point
// at the same subdirectories or the same data cannot multiply the work.
struct WalkBudget {
    std::set<std::uint32_t> directories;
    std::size_t bytes = 0;
};

std::string spend(const RsrcView& v, WalkBudget& budget, std::size_t bytes) {
    if (bytes > v.size - budget.bytes)
        return "the resource tree holds more bytes than its section (shared entries)";
    budget.bytes += bytes;
    return {};
}

bool viewed(const RsrcView& v, std::uint32_t off, std::size_t len) {
    return off <= v.size && v.size - off >= len;
}

std::string readDirHeader(const RsrcView& v, WalkBudget& budget, std::uint32_t off, ResDirHeader& h,
                          std::size_t& count) {
    if (!viewed(v, off, 16)) return "a resource directory lies outside the section";
    if (!budget.directories.insert(off).second)
        return "a resource directory is reached twice (shared subdirectories)";
    const Bytes& b = *v.file;
    const std::size_t at = v.start + off;
    std::uint16_t named = 0;
    std::uint16_t ids = 0;
    (void)get32(b, at, h.characteristics);
    (void)get32(b, at + 4, h.stamp);
    (void)get16(b, at + 8, h.major);
    (void)get16(b, at + 10, h.minor);
    (void)get16(b, at + 12, named);
    (void)get16(b, at + 14, ids);
    count = std::size_t{named} + ids;
    if (count > kMaxEntries || !viewed(v, off + 16, 8 * count))
        return "a resource directory's entries lie outside the section";
    return {};
}

std::string readKey(const RsrcView& v, WalkBudget& budget, std::uint32_t name, ResKey& key) {
    if ((name & 0x80000000u) == 0) {
        if (name > 0xFFFF) return "a resource id above 65535";
        key.id = name;
        return {};
    }
    const std::uint32_t off = name & 0x7FFFFFFFu;
    std::uint16_t len = 0;
    if (!viewed(v, off, 2) || !get16(*v.file, v.start + off, len) || !viewed(v, off + 2, 2u * len))
        return "a resource name lies outside the section";
    if (std::string why = spend(v, budget, 2u + 2u * len); !why.empty()) return why;
    key.named = true;
    for (std::size_t i = 0; i < len; ++i) {
        std::uint16_t c = 0;
        (void)get16(*v.file, v.start + off + 2 + 2 * i, c);
        key.name.push_back(static_cast<char16_t>(c));
    }
    return {};
}

// Entry i of the directory at `off`: its key and the offset it points to.
std::string readEntry(const RsrcView& v, WalkBudget& budget, std::uint32_t off, std::size_t i,
                      ResKey& key, std::uint32_t& target) {
    std::uint32_t name = 0;
    (void)get32(*v.file, v.start + off + 16 + 8 * i, name);
    (void)get32(*v.file, v.start + off + 20 + 8 * i, target);
    return readKey(v, budget, name, key);
}

std::string readLeaf(const RsrcView& v, WalkBudget& budget, std::uint32_t target, ResLeaf& leaf) {
    if (target & 0x80000000u) return "a resource tree deeper than type, name and language";
    if (!viewed(v, target, 16)) return "a resource data entry lies outside the section";
    std::uint32_t rva = 0;
    std::uint32_t size = 0;
    (void)get32(*v.file, v.start + target, rva);
    (void)get32(*v.file, v.start + target + 4, size);
    (void)get32(*v.file, v.start + target + 8, leaf.codepage);
    if (rva < v.va || rva - v.va > v.vsize || v.vsize - (rva - v.va) < size ||
        !viewed(v, rva - v.va, size))
        return "resource data lies outside the resource section";
    if (std::string why = spend(v, budget, size); !why.empty()) return why;
    const auto from = v.file->begin() + static_cast<std::ptrdiff_t>(v.start + (rva - v.va));
    leaf.data.assign(from, from + size);
    return {};
}

bool sameName(const ResKey& key, const char* name) {
    if (!key.named || key.name.size() != std::strlen(name)) return false;
    for (std::size_t i = 0; i < key.name.size(); ++i)
        if (key.name[i] != static_cast<unsigned char>(name[i])) return false;
    return true;
}

// Layout of the new section: directories, data entries, names, data.
struct Layout {
    std::size_t dirs = 0;
    std::size_t entries = 0;
    std::size_t strings = 0;
    std::size_t data = 0;
    std::size_t end = 0;
};

std::size_t dirSize(std::size_t n) {
    return 16 + 8 * n;
}

void writeDirHeader(Sink& s, std::size_t at, const ResDirHeader& h, const auto& children) {
    std::size_t named = 0;
    for (const auto& c : children)
        named += c.key.named ? 1 : 0;
    put32(s, at, h.characteristics);
    put32(s, at + 4, h.stamp);
    put16(s, at + 8, h.major);
    put16(s, at + 10, h.minor);
    put16(s, at + 12, static_cast<std::uint32_t>(named));
    put16(s, at + 14, static_cast<std::uint32_t>(children.size() - named));
}

// Writes a name string at `strAt` (advancing it) and returns the entry's
// name field.
std::uint32_t keyField(Sink& s, const ResKey& key, std::size_t& strAt) {
    if (!key.named) return key.id;
    const std::size_t at = strAt;
    put16(s, at, static_cast<std::uint32_t>(key.name.size()));
    for (std::size_t i = 0; i < key.name.size(); ++i)
        put16(s, at + 2 + 2 * i, key.name[i]);
    strAt += 2 + 2 * key.name.size();
    return 0x80000000u | static_cast<std::uint32_t>(at);
}

// The new section's bytes in `out`; false if a write would have left it.
bool buildSection(const ResTree& tree, std::uint32_t va, Bytes& out) {
    std::size_t dirBytes = dirSize(tree.types.size());
    std::size_t leaves = 0;
    std::size_t strBytes = 0;
    std::size_t dataBytes = 0;
    for (const ResType& t : tree.types) {
        dirBytes += dirSize(t.names.size());
        strBytes += t.key.named ? 2 + 2 * t.key.name.size() : 0;
        for (const ResName& n : t.names) {
            dirBytes += dirSize(n.leaves.size());
            strBytes += n.key.named ? 2 + 2 * n.key.name.size() : 0;
            leaves += n.leaves.size();
            for (const ResLeaf& l : n.leaves)
                dataBytes += static_cast<std::size_t>(alignUp(l.data.size(), 8));
        }
    }
    Layout lay;
    lay.entries = dirBytes;
    lay.strings = lay.entries + 16 * leaves;
    lay.data = static_cast<std::size_t>(alignUp(lay.strings + strBytes, 8));
    lay.end = lay.data + dataBytes;

    out.assign(lay.end, 0);
    Sink s{out};
    std::size_t dirAt = 0;
    std::size_t nextDir = dirSize(tree.types.size());
    std::size_t entryAt = lay.entries;
    std::size_t strAt = lay.strings;
    std::size_t dataAt = lay.data;
    writeDirHeader(s, dirAt, tree.header, tree.types);
    // Breadth first: the root, then every type's directory, then every name's.
    std::vector<std::size_t> typeDirs;
    for (std::size_t i = 0; i < tree.types.size(); ++i) {
        const ResType& t = tree.types[i];
        put32(s, dirAt + 16 + 8 * i, keyField(s, t.key, strAt));
        put32(s, dirAt + 20 + 8 * i, 0x80000000u | static_cast<std::uint32_t>(nextDir));
        typeDirs.push_back(nextDir);
        nextDir += dirSize(t.names.size());
    }
    for (std::size_t i = 0; i < tree.types.size(); ++i) {
        const ResType& t = tree.types[i];
        writeDirHeader(s, typeDirs[i], t.header, t.names);
        for (std::size_t j = 0; j < t.names.size(); ++j) {
            const ResName& n = t.names[j];
            put32(s, typeDirs[i] + 16 + 8 * j, keyField(s, n.key, strAt));
            put32(s, typeDirs[i] + 20 + 8 * j, 0x80000000u | static_cast<std::uint32_t>(nextDir));
            const std::size_t nameDir = nextDir;
            nextDir += dirSize(n.leaves.size());
            put32(s, nameDir, n.header.characteristics);
            put32(s, nameDir + 4, n.header.stamp);
            put16(s, nameDir + 8, n.header.major);
            put16(s, nameDir + 10, n.header.minor);
            put16(s, nameDir + 12, 0);
            put16(s, nameDir + 14, static_cast<std::uint32_t>(n.leaves.size()));
            for (std::size_t k = 0; k < n.leaves.size(); ++k) {
                const ResLeaf& l = n.leaves[k];
                put32(s, nameDir + 16 + 8 * k, l.language);
                put32(s, nameDir + 20 + 8 * k, static_cast<std::uint32_t>(entryAt));
                put32(s, entryAt, va + static_cast<std::uint32_t>(dataAt));
                put32(s, entryAt + 4, static_cast<std::uint32_t>(l.data.size()));
                put32(s, entryAt + 8, l.codepage);
                entryAt += 16;
                if (dataAt > out.size() || out.size() - dataAt < l.data.size()) return false;
                std::copy(l.data.begin(), l.data.end(),
                          out.begin() + static_cast<std::ptrdiff_t>(dataAt));
                dataAt += static_cast<std::size_t>(alignUp(l.data.size(), 8));
            }
        }
    }
    return s.ok;
}

} // namespace

std::string ParsePe(Bytes bytes, PeImage& pe) {
    pe = PeImage{};
    pe.bytes = std::move(bytes);
    const Bytes& b = pe.bytes;
    std::uint32_t lfanew = 0;
    std::uint32_t sig = 0;
    if (b.size() < 64 || b[0] != 'M' || b[1] != 'Z') return "not a Windows program (no MZ header)";
    if (!get32(b, 0x3C, lfanew) || !get32(b, lfanew, sig) || sig != 0x00004550)
        return "not a Windows program (no PE header)";
    pe.pe = lfanew;
    std::uint16_t nsections = 0;
    std::uint16_t optsize = 0;
    if (!get16(b, pe.pe + 4, pe.machine) || !get16(b, pe.pe + 6, nsections) ||
        !get32(b, pe.pe + 12, pe.symbols) || !get32(b, pe.pe + 16, pe.nsymbols) ||
        !get16(b, pe.pe + 20, optsize) || !get16(b, pe.pe + 22, pe.characteristics))
        return "truncated PE header";
    pe.opt = pe.pe + 24;
    if (!get16(b, pe.opt, pe.magic) || (pe.magic != 0x10B && pe.magic != 0x20B))
        return "unknown optional header";
    const std::size_t dirCountAt = pe.opt + (pe.magic == 0x10B ? 92 : 108);
    pe.dirs = dirCountAt + 4;
    if (optsize < pe.dirs - pe.opt || !get32(b, pe.opt + 32, pe.sectAlign) ||
        !get32(b, pe.opt + 36, pe.fileAlign) || !get16(b, pe.opt + 68, pe.subsystem) ||
        !get32(b, dirCountAt, pe.ndirs) || pe.ndirs > 16 ||
        pe.dirs - pe.opt + 8 * std::size_t{pe.ndirs} > optsize)
        return "truncated optional header";
    if (pe.fileAlign == 0 || (pe.fileAlign & (pe.fileAlign - 1)) != 0 || pe.sectAlign == 0 ||
        (pe.sectAlign & (pe.sectAlign - 1)) != 0 || pe.sectAlign < pe.fileAlign)
        return "bad section or file alignment";
    const std::size_t secAt = pe.opt + optsize;
    const std::size_t headersEnd = secAt + 40 * std::size_t{nsections};
    if (headersEnd > b.size()) return "truncated section table";
    for (std::size_t i = 0; i < nsections; ++i) {
        PeSection s{};
        s.header = secAt + 40 * i;
        std::memcpy(s.name, &b[s.header], 8);
        s.name[8] = '\0';
        (void)get32(b, s.header + 8, s.vsize);
        (void)get32(b, s.header + 12, s.va);
        (void)get32(b, s.header + 16, s.rawsize);
        (void)get32(b, s.header + 20, s.rawptr);
        (void)get32(b, s.header + 36, s.characteristics);
        if (s.rawsize != 0 && (s.rawptr > b.size() || b.size() - s.rawptr < s.rawsize))
            return std::string("section ") + s.name + " lies beyond the end of the file";
        // The rewrite keeps the headers where they are and moves what follows
        // the resources: they must come before every section's data.
        if (s.rawsize != 0 && s.rawptr < headersEnd)
            return std::string("section ") + s.name +
                   " starts before the end of the PE header and section table";
        if (!pe.sections.empty() && s.va <= pe.sections.back().va)
            return "sections out of address order";
        pe.sections.push_back(s);
    }
    if (pe.ndirs > kSecurityDirectory) {
        (void)get32(b, pe.dirs + 8 * kSecurityDirectory, pe.certOffset);
        (void)get32(b, pe.dirs + 8 * kSecurityDirectory + 4, pe.certSize);
        if (pe.certOffset != 0 || pe.certSize != 0) {
            if (pe.certOffset > b.size() || b.size() - pe.certOffset != pe.certSize)
                return "the signature (certificate table) does not end the file";
        }
    }
    std::uint32_t rva = 0;
    if (pe.ndirs <= kResourceDirectory || !get32(b, pe.dirs + 8 * kResourceDirectory, rva) ||
        rva == 0)
        return "no resources";
    for (std::size_t i = 0; i < pe.sections.size(); ++i)
        if (pe.sections[i].va == rva) pe.rsrc = static_cast<int>(i);
    if (pe.rsrc < 0) return "the resource directory does not start a section";
    return {};
}

std::string ReadResources(const PeImage& pe, ResTree& tree) {
    tree = ResTree{};
    const PeSection& sec = pe.sections[static_cast<std::size_t>(pe.rsrc)];
    RsrcView v{&pe.bytes, sec.rawptr, std::min(sec.rawsize, sec.vsize ? sec.vsize : sec.rawsize),
               sec.va, sec.vsize ? sec.vsize : sec.rawsize};
    WalkBudget budget;
    std::size_t ntypes = 0;
    if (std::string why = readDirHeader(v, budget, 0, tree.header, ntypes); !why.empty())
        return why;
    for (std::size_t i = 0; i < ntypes; ++i) {
        ResType t;
        std::uint32_t tdir = 0;
        if (std::string why = readEntry(v, budget, 0, i, t.key, tdir); !why.empty()) return why;
        if ((tdir & 0x80000000u) == 0) return "a resource type without a directory";
        tdir &= 0x7FFFFFFFu;
        std::size_t nnames = 0;
        if (std::string why = readDirHeader(v, budget, tdir, t.header, nnames); !why.empty())
            return why;
        for (std::size_t j = 0; j < nnames; ++j) {
            ResName n;
            std::uint32_t ndir = 0;
            if (std::string why = readEntry(v, budget, tdir, j, n.key, ndir); !why.empty())
                return why;
            if ((ndir & 0x80000000u) == 0) return "a resource name without a directory";
            ndir &= 0x7FFFFFFFu;
            std::size_t nlangs = 0;
            if (std::string why = readDirHeader(v, budget, ndir, n.header, nlangs); !why.empty())
                return why;
            for (std::size_t k = 0; k < nlangs; ++k) {
                ResKey lang;
                std::uint32_t target = 0;
                ResLeaf leaf;
                if (std::string why = readEntry(v, budget, ndir, k, lang, target); !why.empty())
                    return why;
                if (lang.named) return "a resource language given by name";
                leaf.language = lang.id;
                if (std::string why = readLeaf(v, budget, target, leaf); !why.empty()) return why;
                n.leaves.push_back(std::move(leaf));
            }
            t.names.push_back(std::move(n));
        }
        tree.types.push_back(std::move(t));
    }
    return {};
}

std::uint32_t PeChecksum(const Bytes& file, std::size_t field) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < file.size(); i += 2) {
        if (i == field || i == field + 2) continue;
        std::uint32_t word = file[i];
        if (i + 1 < file.size()) word |= static_cast<std::uint32_t>(file[i + 1]) << 8;
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + file.size());
}

std::string WriteWithResources(const PeImage& pe, const ResTree& tree, Bytes& out) {
    const Bytes& b = pe.bytes;
    const std::size_t ri = static_cast<std::size_t>(pe.rsrc);
    const PeSection& rs = pe.sections[ri];
    const std::uint64_t oldSpan = alignUp(rs.vsize ? rs.vsize : rs.rawsize, pe.sectAlign);
    // Some linkers record the unpadded size; the section still fills its
    // aligned extent in the file.
    const std::uint64_t oldRawEnd = rs.rawptr + alignUp(rs.rawsize, pe.fileAlign);
    if (rs.rawptr % pe.fileAlign != 0 || oldRawEnd > b.size())
        return "the resource section is not aligned to the file alignment";

    // Only sections nobody points into may move: what follows the resources
    // must be discardable (relocations, debug data) and lie after them in
    // the file too.
    for (std::size_t i = 0; i < pe.sections.size(); ++i) {
        const PeSection& s = pe.sections[i];
        if (i < ri && s.rawsize != 0 && std::uint64_t{s.rawptr} + s.rawsize > rs.rawptr)
            return std::string("section ") + s.name + " lies after the resources in the file";
        if (i > ri) {
            if ((s.characteristics & kScnDiscardable) == 0)
                return std::string("section ") + s.name +
                       " follows the resources and cannot be moved";
            if (s.rawsize != 0 && s.rawptr < oldRawEnd)
                return std::string("section ") + s.name + " overlaps the resources in the file";
            if (s.va < rs.va + oldSpan)
                return std::string("section ") + s.name + " overlaps the resources in memory";
        }
    }
    for (std::uint32_t d = 0; d < pe.ndirs; ++d) {
        std::uint32_t rva = 0;
        std::uint32_t size = 0;
        (void)get32(b, pe.dirs + 8 * d, rva);
        (void)get32(b, pe.dirs + 8 * d + 4, size);
        if (d == kResourceDirectory || d == kSecurityDirectory || rva == 0) continue;
        if (rva >= rs.va && rva < rs.va + oldSpan)
            return "data directory " + std::to_string(d) + " points into the resource section";
    }

    // What follows the sections: the COFF symbols and their strings, then
    // (signed) the zero padding that signing added and the certificate table.
    std::uint64_t knownEnd = 0;
    for (const PeSection& s : pe.sections)
        if (s.rawsize != 0) knownEnd = std::max<std::uint64_t>(knownEnd, s.rawptr + s.rawsize);
    if (pe.symbols != 0) {
        if (pe.symbols < oldRawEnd) return "the symbol table lies before the resources";
        std::uint64_t symEnd = std::uint64_t{pe.symbols} + 18ull * pe.nsymbols;
        std::uint32_t strSize = 0;
        if (symEnd > b.size() || !get32(b, static_cast<std::size_t>(symEnd), strSize) ||
            symEnd + strSize > b.size())
            return "the symbol table runs beyond the end of the file";
        knownEnd = std::max(knownEnd, symEnd + strSize);
    }
    std::uint64_t limit = b.size();
    if (pe.certOffset != 0) {
        limit = pe.certOffset;
        if (knownEnd <= limit && std::all_of(b.begin() + static_cast<std::ptrdiff_t>(knownEnd),
                                             b.begin() + static_cast<std::ptrdiff_t>(limit),
                                             [](unsigned char c) { return c == 0; }))
            limit = knownEnd;
    }
    if (limit < oldRawEnd) return "the signature overlaps the sections";

    Bytes section;
    if (!buildSection(tree, rs.va, section))
        return "the new resource section does not fit its own layout";
    const std::uint64_t newRaw = alignUp(section.size(), pe.fileAlign);
    const std::uint64_t newSpan = alignUp(section.size(), pe.sectAlign);
    const std::int64_t fileDelta =
        static_cast<std::int64_t>(rs.rawptr + newRaw) - static_cast<std::int64_t>(oldRawEnd);
    const std::int64_t rvaDelta =
        static_cast<std::int64_t>(newSpan) - static_cast<std::int64_t>(oldSpan);
    if (rs.rawptr + newRaw + (limit - oldRawEnd) > 0xFFFFFFFFull ||
        std::uint64_t{rs.va} + newSpan > 0x7FFFFFFFull)
        return "the new program would be 4 GiB or more";

    out.assign(b.begin(), b.begin() + rs.rawptr);
    out.insert(out.end(), section.begin(), section.end());
    out.resize(static_cast<std::size_t>(rs.rawptr + newRaw), 0);
    out.insert(out.end(), b.begin() + static_cast<std::ptrdiff_t>(oldRawEnd),
               b.begin() + static_cast<std::ptrdiff_t>(limit));

    Sink o{out};
    auto shift32 = [&](std::size_t at, std::int64_t delta) {
        std::uint32_t v = 0;
        (void)get32(out, at, v);
        put32(o, at, static_cast<std::uint32_t>(static_cast<std::int64_t>(v) + delta));
    };
    put32(o, rs.header + 8, static_cast<std::uint32_t>(section.size()));
    put32(o, rs.header + 16, static_cast<std::uint32_t>(newRaw));
    for (std::size_t i = ri + 1; i < pe.sections.size(); ++i) {
        const PeSection& s = pe.sections[i];
        shift32(s.header + 12, rvaDelta);
        if (s.rawsize != 0) shift32(s.header + 20, fileDelta);
    }
    for (std::uint32_t d = 0; d < pe.ndirs; ++d) {
        std::uint32_t rva = 0;
        (void)get32(out, pe.dirs + 8 * d, rva);
        if (d == kResourceDirectory) {
            put32(o, pe.dirs + 8 * d + 4, static_cast<std::uint32_t>(section.size()));
        } else if (d == kSecurityDirectory) {
            put32(o, pe.dirs + 8 * d, 0);
            put32(o, pe.dirs + 8 * d + 4, 0);
        } else if (rva >= rs.va + oldSpan) {
            shift32(pe.dirs + 8 * d, rvaDelta);
        }
    }
    if (pe.symbols != 0) shift32(pe.pe + 12, fileDelta);
    shift32(pe.opt + 56, rvaDelta);                                      // SizeOfImage
    shift32(pe.opt + 8, static_cast<std::int64_t>(newRaw) - rs.rawsize); // SizeOfInitializedData
    put32(o, pe.opt + 64, PeChecksum(out, pe.opt + 64));
    if (!o.ok) return "a header to update lies outside the new program";
    return {};
}

const ResType* FindType(const ResTree& tree, const char* name) {
    for (const ResType& t : tree.types)
        if (sameName(t.key, name)) return &t;
    return nullptr;
}

const ResType* FindType(const ResTree& tree, std::uint32_t id) {
    for (const ResType& t : tree.types)
        if (!t.key.named && t.key.id == id) return &t;
    return nullptr;
}
