// One payload member: a gzip member of the one form the container holds
// (FNAME only, XFL 0, OS 11, raw deflate at level 9, CRC-32, ISIZE). Shared
// by the build's packer (payloadrc) and lppack.exe, so both give the same
// bytes for the same file, name and time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int kGzMemberOk = 0;
constexpr int kGzMemberDeflateFailed = 1; // zlib refused (out of memory)
constexpr int kGzMemberTooLarge = 2;      // 4 GiB or more: ISIZE holds 32 bits
constexpr int kGzMemberEmpty = 3;         // the installer refuses ISIZE 0

// out receives the whole member; fname is "file0000.001" ... "file0019.005".
[[nodiscard]] int MakeGzipMember(const unsigned char* data, std::size_t size, const char* fname,
                                 std::uint32_t mtime, std::vector<unsigned char>& out);

// Member name of index 5 * set + (member - 1): "file%04d.%03d" (13 bytes with
// the terminator).
void GzMemberName(int index, char (&name)[16]);
