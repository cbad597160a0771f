// What kind of file name the data file gives for the library, which decides
// how the bridge may load it. Portable, so it is unit-tested natively.
#pragma once

#include <cstdint>

enum class LibraryNameKind : uint8_t {
    kBare,     // no folder: searched for in the application's and system folders only
    kFullPath, // drive and root ("C:\x.dll") or a UNC path ("\\server\share\x.dll")
    kRelative, // a folder but no fixed root ("sub\x.dll", ".\x.dll", "\x.dll", "C:x.dll")
    kEmpty,
};

// Separators ('\\', '/') and ':' count only as whole characters: in a
// double-byte code page the trail byte of a character may be 0x5C.
[[nodiscard]] LibraryNameKind ClassifyLibraryName(const char* name, uint32_t codePage);
