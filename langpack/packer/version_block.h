// A program's version block (the VERSIONINFO resource) with a team's own
// version put in: the fixed file and product versions and the FileVersion
// and ProductVersion strings of every string table. Portable: no Win32 calls.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "pe_image.h"

using VersionQuad = std::array<std::uint16_t, 4>;

// "A.B.C.D", each part a decimal number 0-65535; false for anything else.
[[nodiscard]] bool ParseVersionQuad(const char* text, VersionQuad& v);

// Rewrites `block` in place; an empty string on success, else the reason
// (the block is then unchanged).
[[nodiscard]] std::string SetVersion(Bytes& block, const VersionQuad& v);
