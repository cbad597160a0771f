#include "gzmember.h"

#include <zlib.h>

#include <array>
#include <cstdio>
#include <cstring>

namespace {

constexpr unsigned char kOsNtfs = 11;

void putLe32(std::vector<unsigned char>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

} // namespace

int MakeGzipMember(const unsigned char* data, std::size_t size, const char* fname,
                   std::uint32_t mtime, std::vector<unsigned char>& out) {
    if (size == 0) return kGzMemberEmpty;
    if (std::uint64_t{size} >> 32 != 0) return kGzMemberTooLarge;
    constexpr std::array<unsigned char, 4> kMagicCmFlags{0x1F, 0x8B, 8, 0x08}; // FNAME only
    out.assign(kMagicCmFlags.begin(), kMagicCmFlags.end());
    putLe32(out, mtime);
    out.push_back(0); // XFL
    out.push_back(kOsNtfs);
    out.insert(out.end(), fname, fname + std::strlen(fname) + 1);

    // One call over the whole file at level 9: the stream depends only on the
    // bytes, never on how they were read.
    z_stream strm{};
    if (deflateInit2(&strm, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return kGzMemberDeflateFailed;
    const std::size_t head = out.size();
    // deflateBound's uLong is 32 bits on Windows; stored blocks cost 5 bytes
    // per 16 KB, so this bound holds for every size below 4 GiB.
    const std::uint64_t bound = std::uint64_t{size} + size / 16000 * 5 + 64;
    if (bound > SIZE_MAX - head) {
        deflateEnd(&strm);
        return kGzMemberTooLarge;
    }
    out.resize(head + static_cast<std::size_t>(bound));
    strm.next_in = const_cast<Bytef*>(data);
    strm.avail_in = static_cast<uInt>(size);
    strm.next_out = out.data() + head;
    const std::size_t room = out.size() - head;
    strm.avail_out = static_cast<uInt>(room < 0xFFFFFFFFu ? room : 0xFFFFFFFFu);
    const int rc = deflate(&strm, Z_FINISH);
    const std::size_t produced = strm.total_out;
    deflateEnd(&strm);
    if (rc != Z_STREAM_END) return kGzMemberDeflateFailed;
    out.resize(head + produced);

    putLe32(out, static_cast<std::uint32_t>(crc32(0L, data, static_cast<uInt>(size))));
    putLe32(out, static_cast<std::uint32_t>(size));
    return kGzMemberOk;
}

void GzMemberName(int index, char (&name)[16]) {
    std::snprintf(name, sizeof name, "file%04d.%03d", index / 5 % 10000, index % 5 + 1);
}
