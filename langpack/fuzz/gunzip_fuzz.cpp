// GunzipMemory under random capacities: the output stays inside its
// capacity, the status is one we document, and decoding is deterministic.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <zlib.h>

#include "gunzip.h"

namespace {

constexpr size_t kGuard = 32;
constexpr uint8_t kGuardByte = 0xA5;

bool Documented(int32_t status) {
    switch (status) {
    case 0:
    case Z_DATA_ERROR:
    case Z_BUF_ERROR:
    case Z_MEM_ERROR:
    case Z_STREAM_ERROR:
    case Z_VERSION_ERROR:
    case GUNZIP_NOT_GZIP:
        return true;
    default:
        return false;
    }
}

struct Run {
    int32_t status;
    uint32_t count;
    std::vector<uint8_t> out;
};

Run Decode(const uint8_t* source, uint32_t sourceLen, uint32_t capacity) {
    std::vector<uint8_t> buffer(capacity + 2 * kGuard, kGuardByte);
    uint32_t count = capacity;
    const int32_t status = GunzipMemory(buffer.data() + kGuard, &count, source, sourceLen);
    for (size_t i = 0; i < kGuard; ++i) {
        if (buffer[i] != kGuardByte || buffer[kGuard + capacity + i] != kGuardByte) abort();
    }
    if (!Documented(status) || count > capacity) abort();
    return Run{status, count,
               std::vector<uint8_t>(buffer.begin() + kGuard, buffer.begin() + kGuard + count)};
}

} // namespace

// The first two bytes pick the capacity; the rest is the gzip stream, copied
// to an exact-size heap block so a read past its end is caught.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint32_t capacity = static_cast<uint32_t>(data[0] | (data[1] << 8)) * 4u;
    const size_t n = size - 2;
    auto* source = static_cast<uint8_t*>(malloc(n ? n : 1));
    if (n) memcpy(source, data + 2, n);

    const Run first = Decode(source, static_cast<uint32_t>(n), capacity);
    const Run second = Decode(source, static_cast<uint32_t>(n), capacity);
    if (first.status != second.status || first.count != second.count || first.out != second.out)
        abort();
    free(source);
    return 0;
}
