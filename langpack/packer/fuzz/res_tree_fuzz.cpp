// The resource tree reader and writer reached without the fuzzer having to
// find a valid program first: the input (after one selector byte) is the
// raw data of the resource section of a fixed small program, PE32 or PE32+
// as the selector's low bit says, with a discardable section after it.
#include <cstddef>
#include <cstdint>

#include "roundtrip.h"

namespace {

constexpr std::uint32_t kFileAlign = 0x200;
constexpr std::uint32_t kSectAlign = 0x1000;
constexpr std::uint32_t kRsrcVa = 0x2000; // the seeds' trees point here

void Put(Bytes& b, std::size_t at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
}

std::uint32_t AlignUp(std::size_t v, std::uint32_t a) {
    return static_cast<std::uint32_t>((v + a - 1) / a * a);
}

Bytes Program(const uint8_t* rsrc, std::size_t size, bool wide) {
    const std::size_t opt = 64 + 4 + 20;
    const std::uint32_t optSize = wide ? 240 : 224;
    const std::size_t table = opt + optSize;
    const std::uint32_t rawRsrc = AlignUp(size, kFileAlign);
    const std::uint32_t relocVa = kRsrcVa + AlignUp(size ? size : 1, kSectAlign);
    Bytes b(kFileAlign * 2 + rawRsrc + kFileAlign, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put(b, 0x3C, 64, 4);
    Put(b, 64, 0x00004550, 4);
    Put(b, 68, wide ? 0x8664 : 0x14C, 2);
    Put(b, 70, 3, 2);
    Put(b, 84, optSize, 2);
    Put(b, 86, 0x0102, 2);
    Put(b, opt, wide ? 0x20B : 0x10B, 2);
    Put(b, opt + 32, kSectAlign, 4);
    Put(b, opt + 36, kFileAlign, 4);
    Put(b, opt + 56, relocVa + kSectAlign, 4);
    Put(b, opt + 60, kFileAlign, 4);
    Put(b, opt + 68, 2, 2);
    const std::size_t dirs = opt + (wide ? 112 : 96);
    Put(b, dirs - 4, 16, 4);
    Put(b, dirs + 8 * 2, kRsrcVa, 4);
    Put(b, dirs + 8 * 2 + 4, static_cast<std::uint32_t>(size), 4);
    Put(b, dirs + 8 * 5, relocVa, 4);
    Put(b, dirs + 8 * 5 + 4, 8, 4);
    struct {
        const char* name;
        std::uint32_t vsize, va, rawsize, rawptr, flags;
    } const sections[] = {
        {".text", 16, 0x1000, kFileAlign, kFileAlign, 0x60000020},
        {".rsrc", static_cast<std::uint32_t>(size), kRsrcVa, rawRsrc, 2 * kFileAlign, 0x40000040},
        {".reloc", 8, relocVa, kFileAlign, 2 * kFileAlign + rawRsrc, 0x42000040},
    };
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t at = table + 40 * i;
        for (std::size_t c = 0; sections[i].name[c] != '\0'; ++c)
            b[at + c] = static_cast<unsigned char>(sections[i].name[c]);
        Put(b, at + 8, sections[i].vsize, 4);
        Put(b, at + 12, sections[i].va, 4);
        Put(b, at + 16, sections[i].rawsize, 4);
        Put(b, at + 20, sections[i].rawptr, 4);
        Put(b, at + 36, sections[i].flags, 4);
    }
    b[kFileAlign] = 0xC3;
    for (std::size_t i = 0; i < size; ++i)
        b[2 * kFileAlign + i] = rsrc[i];
    Put(b, 2 * kFileAlign + rawRsrc, 0x1000, 4);
    Put(b, 2 * kFileAlign + rawRsrc + 4, 8, 4);
    return b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    roundtrip::Check(Program(data + 1, size - 1, (data[0] & 1) != 0), data[0] >> 1);
    return 0;
}
