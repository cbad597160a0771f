// A langpack program's file as lppack.exe rewrites it: the PE headers, the
// sections and the resource tree, read with every offset checked, and the
// file written back with a new resource section. Portable: no Win32 calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

struct PeSection {
    char name[9];
    std::uint32_t va;
    std::uint32_t vsize;
    std::uint32_t rawptr;
    std::uint32_t rawsize;
    std::uint32_t characteristics;
    std::size_t header; // file offset of its section header
};

struct PeImage {
    Bytes bytes; // the whole file
    std::size_t pe = 0;
    std::size_t opt = 0;
    std::uint16_t machine = 0;
    std::uint16_t magic = 0; // 0x10B PE32, 0x20B PE32+
    std::uint16_t characteristics = 0;
    std::uint16_t subsystem = 0;
    std::uint32_t fileAlign = 0;
    std::uint32_t sectAlign = 0;
    std::size_t dirs = 0; // file offset of the data directories
    std::uint32_t ndirs = 0;
    std::uint32_t symbols = 0; // COFF symbol table file offset, 0 if none
    std::uint32_t nsymbols = 0;
    std::vector<PeSection> sections;
    int rsrc = -1;                // index of the section holding the resource tree
    std::uint32_t certOffset = 0; // Authenticode table (file offset), 0 if unsigned
    std::uint32_t certSize = 0;
};

// Resource tree: type -> name -> language, each level with its directory
// header kept as it was.
struct ResKey {
    bool named = false;
    std::u16string name;
    std::uint32_t id = 0;
};
struct ResDirHeader {
    std::uint32_t characteristics = 0;
    std::uint32_t stamp = 0;
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
};
struct ResLeaf {
    std::uint32_t language = 0;
    std::uint32_t codepage = 0;
    Bytes data;
};
struct ResName {
    ResKey key;
    ResDirHeader header;
    std::vector<ResLeaf> leaves;
};
struct ResType {
    ResKey key;
    ResDirHeader header;
    std::vector<ResName> names;
};
struct ResTree {
    ResDirHeader header;
    std::vector<ResType> types;
};

constexpr std::uint16_t kMachineI386 = 0x14C;
constexpr std::uint16_t kMachineAmd64 = 0x8664;
constexpr std::uint32_t kSecurityDirectory = 4;
constexpr std::uint32_t kResourceDirectory = 2;

// Each returns an empty string on success, else the reason.
[[nodiscard]] std::string ParsePe(Bytes bytes, PeImage& pe);
[[nodiscard]] std::string ReadResources(const PeImage& pe, ResTree& tree);
// The file with `tree` as its resource section, the sections after it moved,
// the Authenticode table (and the padding before it) dropped, and the header
// checksum recomputed.
[[nodiscard]] std::string WriteWithResources(const PeImage& pe, const ResTree& tree, Bytes& out);

// The PE header checksum of a file whose checksum field is at `field`.
std::uint32_t PeChecksum(const Bytes& file, std::size_t field);

// Lookup helpers; null when absent.
const ResType* FindType(const ResTree& tree, const char* name);
const ResType* FindType(const ResTree& tree, std::uint32_t id);
