// The packing job of lppack.exe without its Win32 side: the 100 files read
// and packed into members, the input program checked, and the new program's
// bytes made. Every problem is a message "PATH: reason" on stderr.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "pe_image.h"
#include "version_block.h"

constexpr int kPackFiles = 100;
constexpr int kFirstMemberId = 101;
constexpr std::uint32_t kMemberLanguage = 1041;
constexpr std::uint32_t kRtVersion = 16;
constexpr std::uint32_t kRtManifest = 24;
constexpr std::uint64_t kMaxFileSize = 0xFFFFFFFFull; // ISIZE holds 32 bits

struct PackJob {
    std::string dir;   // folder of file0000.001 ... file0019.005, as a prefix
    std::string input; // langpack.exe
    bool haveTime = false;
    std::uint32_t time = 0; // MTIME of every member
    bool haveVersion = false;
    VersionQuad version{}; // --version: put into the version block
    // Filled in by the steps below.
    PeImage pe;
    ResTree tree;
    std::array<Bytes, kPackFiles> members; // until MakeProgram moves them into tree
    std::uint64_t sourceBytes = 0;
};

// "PREFIXfile0000.001": the path of file `index` (5 * set + member - 1).
// `prefix` is a folder ending in a separator (or a bare drive "C:", or
// empty); FolderPrefix makes it, judging the last character as a whole.
std::string SourcePath(const std::string& prefix, int index);

// Reads and checks the input program: PE32 i386 or PE32+ x64 GUI program
// with the 100 "DEVFILE" members (ids 101-200, language 1041, gzip), a
// version block of this product naming langpack.exe, and a manifest.
[[nodiscard]] bool LoadInput(PackJob& job);
// The time: --time, else SOURCE_DATE_EPOCH, else the MTIME of the input's
// member 101 (so a program packed without either keeps the input's time).
[[nodiscard]] bool ChooseTime(PackJob& job, const char* epoch);
// Every file's size checked first (all problems reported), then each read
// and packed in turn.
[[nodiscard]] bool PackFiles(PackJob& job);
// The new program's bytes: the members (moved into the tree) in place of the
// input's, and the team's version in the version block when given.
[[nodiscard]] bool MakeProgram(PackJob& job, Bytes& out);

// Whole file; the reason when it cannot be read. Files of 4 GiB or more and
// empty files are refused without reading them.
[[nodiscard]] std::string ReadSource(const std::string& path, Bytes& data);
