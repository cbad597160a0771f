// payloadrc: packs the 100 payload files of langpack into one gzip member each
// and writes the resource script that embeds them as "DEVFILE" resources.
//
//   payloadrc --out DIR (--dir SRC | --list FILE)
//
// --dir takes SRC/file0000.001 ... SRC/file0019.005; --list names the 100
// inputs one a line, set 0 member 1 first. Output: DIR/file%04d.%03d.gz and
// DIR/payload.rc. MTIME is SOURCE_DATE_EPOCH when set, else a fixed time, so
// that two runs over the same inputs give the same bytes.

#include "gzmember.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kSets = 20;
constexpr int kMembers = 5;
constexpr int kFirstId = 101;
constexpr std::uint32_t kFixedMtime = 946684800; // 2000-01-01 00:00:00 UTC

struct PackState {
    std::string outDir;
    std::string srcDir;
    std::string listFile;
    std::array<std::string, kSets * kMembers> inputs;
    std::uint32_t mtime = kFixedMtime;
};

[[nodiscard]] int fail(const char* what, const std::string& path) {
    std::fprintf(stderr, "payloadrc: %s: %s\n", what, path.c_str());
    return 1;
}

std::string memberName(int index) {
    char name[32];
    std::snprintf(name, sizeof name, "file%04d.%03d", index / kMembers, index % kMembers + 1);
    return name;
}

// Whole file into memory. Sizes of 4 GiB or more cannot be told by ISIZE,
// and an empty member is refused by the installer, so both stop the build.
[[nodiscard]] int readInput(const std::string& path, std::vector<unsigned char>& data) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return fail(std::strerror(errno), path);
    int status = 0;
    if (std::fseek(f, 0, SEEK_END) != 0) {
        status = fail("cannot seek", path);
    } else {
        const long long size = ftello(f);
        if (size < 0)
            status = fail("cannot tell size", path);
        else if (size == 0)
            status = fail("empty file (a member must hold at least one byte)", path);
        else if (size >= 0x100000000LL)
            status = fail("file of 4 GiB or more (ISIZE holds 32 bits)", path);
        else {
            std::rewind(f);
            data.resize(static_cast<std::size_t>(size));
            if (std::fread(data.data(), 1, data.size(), f) != data.size())
                status = fail("short read", path);
        }
    }
    std::fclose(f);
    return status;
}

[[nodiscard]] int gzipMember(const std::vector<unsigned char>& data, const std::string& fname,
                             std::uint32_t mtime, std::vector<unsigned char>& out) {
    return MakeGzipMember(data.data(), data.size(), fname.c_str(), mtime, out) == kGzMemberOk
               ? 0
               : fail("cannot compress", fname);
}

[[nodiscard]] int writeFile(const std::string& path, const void* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return fail(std::strerror(errno), path);
    const bool wrote = std::fwrite(data, 1, size, f) == size;
    // A full disk may show up only when the buffer is flushed.
    const bool closed = std::fclose(f) == 0;
    return wrote && closed ? 0 : fail("write failed", path);
}

[[nodiscard]] int parseArgs(int argc, char** argv, PackState& st) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return fail("option needs a value", arg);
        if (arg == "--out")
            st.outDir = argv[++i];
        else if (arg == "--dir")
            st.srcDir = argv[++i];
        else if (arg == "--list")
            st.listFile = argv[++i];
        else
            return fail("unknown option", arg);
    }
    if (st.outDir.empty() || st.srcDir.empty() == st.listFile.empty()) {
        std::fprintf(stderr, "usage: payloadrc --out DIR (--dir SRC | --list FILE)\n");
        return 1;
    }
    return 0;
}

[[nodiscard]] int collectInputs(PackState& st) {
    if (!st.srcDir.empty()) {
        for (int i = 0; i < kSets * kMembers; ++i)
            st.inputs[i] = st.srcDir + "/" + memberName(i);
        return 0;
    }
    std::FILE* f = std::fopen(st.listFile.c_str(), "rb");
    if (f == nullptr) return fail(std::strerror(errno), st.listFile);
    int count = 0;
    char line[4096];
    while (std::fgets(line, sizeof line, f) != nullptr) {
        std::string path = line;
        while (!path.empty() && (path.back() == '\n' || path.back() == '\r'))
            path.pop_back();
        if (path.empty()) continue;
        if (count < kSets * kMembers) st.inputs[count] = path;
        ++count;
    }
    std::fclose(f);
    if (count != kSets * kMembers) return fail("the list must name exactly 100 files", st.listFile);
    return 0;
}

[[nodiscard]] int takeMtime(PackState& st) {
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (epoch == nullptr || *epoch == '\0') return 0;
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(epoch, &end, 10);
    if (errno != 0 || *end != '\0' || v > 0xFFFFFFFFULL)
        return fail("SOURCE_DATE_EPOCH is not a 32-bit Unix time", epoch);
    st.mtime = static_cast<std::uint32_t>(v);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    PackState st;
    if (parseArgs(argc, argv, st) != 0 || collectInputs(st) != 0 || takeMtime(st) != 0) return 1;

    // Resource names are member file names beside the script, so the script
    // holds no build paths and compiles from any folder.
    std::string rc = "// Generated by payloadrc: the embedded payload of langpack.\n"
                     "LANGUAGE 0x11, 0x01\n";
    std::vector<unsigned char> data;
    std::vector<unsigned char> member;
    for (int i = 0; i < kSets * kMembers; ++i) {
        const std::string fname = memberName(i);
        if (readInput(st.inputs[i], data) != 0 || gzipMember(data, fname, st.mtime, member) != 0)
            return 1;
        const std::string gzName = fname + ".gz";
        if (writeFile(st.outDir + "/" + gzName, member.data(), member.size()) != 0) return 1;
        rc += std::to_string(kFirstId + i) + " DEVFILE \"" + gzName + "\"\n";
    }
    return writeFile(st.outDir + "/payload.rc", rc.data(), rc.size());
}
