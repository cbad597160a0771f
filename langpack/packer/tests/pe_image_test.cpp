// The PE reader and writer of lppack.exe on the built langpack.exe: a
// rewrite keeps every resource and moves the later sections intact, and
// damaged copies are refused with a reason instead of being read out of
// bounds.
//
//   pe_image_tests PATH-TO-langpack.exe

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "../fuzz/roundtrip.h"
#include "pe_image.h"

namespace {

std::string g_langpack;

Bytes Load() {
    Bytes b;
    if (std::FILE* f = std::fopen(g_langpack.c_str(), "rb")) {
        unsigned char chunk[65536];
        std::size_t n = 0;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
            b.insert(b.end(), chunk, chunk + n);
        std::fclose(f);
    }
    return b;
}

std::uint32_t Get32(const Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16) |
           static_cast<std::uint32_t>(b[at + 3]) << 24;
}

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

TEST(PeImage, RewriteKeepsResourcesAndMovesLaterSectionsIntact) {
    PeImage pe;
    ResTree tree;
    ASSERT_EQ(ParsePe(Load(), pe), "");
    ASSERT_EQ(ReadResources(pe, tree), "");
    ASSERT_NE(FindType(tree, "DEVFILE"), nullptr);
    ASSERT_LT(static_cast<std::size_t>(pe.rsrc) + 1, pe.sections.size())
        << "the built program has sections after its resources";
    // One member 100 KB larger: everything after the resources must move.
    ResTree grown = tree;
    for (ResType& t : grown.types)
        if (&t == FindType(grown, "DEVFILE")) t.names[3].leaves[0].data.resize(100000 + 4096, 7);
    Bytes out;
    ASSERT_EQ(WriteWithResources(pe, grown, out), "");
    PeImage again;
    ResTree reread;
    ASSERT_EQ(ParsePe(out, again), "");
    ASSERT_EQ(ReadResources(again, reread), "");
    EXPECT_TRUE(roundtrip::SameTree(reread, grown));
    ASSERT_EQ(again.sections.size(), pe.sections.size());
    for (std::size_t i = 0; i < pe.sections.size(); ++i) {
        SCOPED_TRACE(pe.sections[i].name);
        const PeSection& was = pe.sections[i];
        const PeSection& now = again.sections[i];
        EXPECT_EQ(std::strcmp(was.name, now.name), 0);
        if (static_cast<int>(i) == pe.rsrc) continue;
        if (static_cast<int>(i) > pe.rsrc) {
            EXPECT_GT(now.va, was.va);
            EXPECT_GT(now.rawptr, was.rawptr);
        }
        EXPECT_EQ(now.vsize, was.vsize);
        ASSERT_EQ(now.rawsize, was.rawsize);
        EXPECT_TRUE(std::equal(out.begin() + now.rawptr, out.begin() + now.rawptr + now.rawsize,
                               pe.bytes.begin() + was.rawptr));
    }
    EXPECT_EQ(Get32(out, again.opt + 64), PeChecksum(out, again.opt + 64));
    // Writing the unchanged tree of the rewritten file gives the same bytes.
    Bytes twice;
    ASSERT_EQ(WriteWithResources(again, reread, twice), "");
    EXPECT_TRUE(twice == out);
}

struct Damage {
    const char* what;
    std::function<void(Bytes&, const PeImage&)> apply;
    const char* reason = nullptr; // part of the refusal's text, where it matters
};

// Offset of the resource section's raw data and of the first leaf's data
// entry (root entry 0, its first name, its first language).
std::size_t Rsrc(const PeImage& pe) {
    return pe.sections[static_cast<std::size_t>(pe.rsrc)].rawptr;
}
std::size_t FirstDataEntry(const Bytes& b, const PeImage& pe) {
    const std::size_t r = Rsrc(pe);
    const std::size_t type = r + (Get32(b, r + 20) & 0x7FFFFFFF);
    const std::size_t name = r + (Get32(b, type + 20) & 0x7FFFFFFF);
    return r + Get32(b, name + 20);
}

const Damage kDamage[] = {
    {"no MZ", [](Bytes& b, const PeImage&) { b[0] = 'X'; }},
    {"PE header beyond the end", [](Bytes& b, const PeImage&) { Put32(b, 0x3C, 0x7FFFFFF0); }},
    {"cut inside the section table", [](Bytes& b, const PeImage& pe) { b.resize(pe.opt + 260); }},
    {"cut inside the resources", [](Bytes& b, const PeImage& pe) { b.resize(Rsrc(pe) + 64); }},
    {"type directory outside the section",
     [](Bytes& b, const PeImage& pe) { Put32(b, Rsrc(pe) + 20, 0xFFFFFFF0u); }},
    {"type name outside the section",
     [](Bytes& b, const PeImage& pe) { Put32(b, Rsrc(pe) + 16, 0xFFFFFFF0u); }},
    {"65535 root entries",
     [](Bytes& b, const PeImage& pe) { b[Rsrc(pe) + 12] = b[Rsrc(pe) + 13] = 0xFF; }},
    {"data outside the section",
     [](Bytes& b, const PeImage& pe) { Put32(b, FirstDataEntry(b, pe), 0x7FFFFFF0u); }},
    {"data running past the section",
     [](Bytes& b, const PeImage& pe) { Put32(b, FirstDataEntry(b, pe) + 4, 0x7FFFFFF0u); }},
    {"a language level that is a directory",
     [](Bytes& b, const PeImage& pe) {
         const std::size_t r = Rsrc(pe);
         const std::size_t type = r + (Get32(b, r + 20) & 0x7FFFFFFF);
         const std::size_t name = r + (Get32(b, type + 20) & 0x7FFFFFFF);
         Put32(b, name + 20, 0x80000000u | static_cast<std::uint32_t>(name - r));
     }},
    {"a certificate table that does not end the file",
     [](Bytes& b, const PeImage& pe) {
         Put32(b, pe.dirs + 8 * kSecurityDirectory, static_cast<std::uint32_t>(b.size() - 16));
         Put32(b, pe.dirs + 8 * kSecurityDirectory + 4, 64);
     }},
    // The rewrite patches the headers in place: they must lie before every
    // section's data, or the patches land in moved bytes or past the end.
    {"a section's data at offset 0",
     [](Bytes& b, const PeImage& pe) { Put32(b, pe.sections[0].header + 20, 0); },
     "starts before the end of the PE header and section table"},
    {"the section table inside the resources",
     [](Bytes& b, const PeImage& pe) {
         const std::size_t table = pe.sections[0].header;
         const std::size_t count = pe.sections.size();
         const std::size_t moved = Rsrc(pe) + 256;
         std::copy(b.begin() + static_cast<std::ptrdiff_t>(pe.pe),
                   b.begin() + static_cast<std::ptrdiff_t>(table + 40 * count),
                   b.begin() + static_cast<std::ptrdiff_t>(moved));
         Put32(b, 0x3C, static_cast<std::uint32_t>(moved));
     },
     "starts before the end of the PE header and section table"},
    // Entries that all point at one subdirectory multiply the leaves.
    {"two types sharing one directory",
     [](Bytes& b, const PeImage& pe) { Put32(b, Rsrc(pe) + 28, Get32(b, Rsrc(pe) + 20)); },
     "a resource directory is reached twice"},
    {"two names sharing the data entry of half the section",
     [](Bytes& b, const PeImage& pe) {
         const PeSection& s = pe.sections[static_cast<std::size_t>(pe.rsrc)];
         const std::size_t r = Rsrc(pe);
         const std::size_t type = r + (Get32(b, r + 20) & 0x7FFFFFFF);
         const std::size_t first = r + (Get32(b, type + 20) & 0x7FFFFFFF);
         const std::size_t second = r + (Get32(b, type + 28) & 0x7FFFFFFF);
         const std::size_t entry = r + Get32(b, first + 20);
         Put32(b, entry, s.va);
         Put32(b, entry + 4, std::min(s.rawsize, s.vsize) / 2 + 8);
         Put32(b, second + 20, Get32(b, first + 20));
     },
     "holds more bytes than its section"},
};

TEST(PeImage, DamagedCopiesAreRefusedWithAReason) {
    PeImage intact;
    ASSERT_EQ(ParsePe(Load(), intact), "");
    for (const Damage& d : kDamage) {
        SCOPED_TRACE(d.what);
        Bytes b = intact.bytes;
        d.apply(b, intact);
        PeImage pe;
        ResTree tree;
        std::string why = ParsePe(b, pe);
        if (why.empty()) why = ReadResources(pe, tree);
        EXPECT_NE(why, "");
        if (d.reason != nullptr) {
            EXPECT_NE(why.find(d.reason), std::string::npos) << why;
        }
        std::printf("%-48s %s\n", d.what, why.c_str());
    }
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: pe_image_tests PATH-TO-langpack.exe\n");
        return 2;
    }
    g_langpack = argv[1];
    return RUN_ALL_TESTS();
}
