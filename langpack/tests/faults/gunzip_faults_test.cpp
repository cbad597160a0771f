// GunzipMemory with the k-th heap allocation failing, for every k along the
// decode: its record, zlib's inflate state and zlib's window.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "alloc_wrap.h"
#include "gunzip.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Gzip(const Bytes& data) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    Bytes out(deflateBound(&z, static_cast<uLong>(data.size())) + 32);
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

Bytes Text(size_t size) {
    Bytes out(size);
    uint32_t x = 7;
    for (auto& b : out) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>("*Key: \"value\"\n"[(x >> 16) % 14]);
    }
    return out;
}

struct Case {
    const char* label;
    size_t size; // plain bytes of each member
    int members;
};

constexpr Case kCases[] = {
    {"one small member", 100, 1},
    {"one member larger than the window", 70000, 1},
    {"two members", 5000, 2},
};

TEST(GunzipFaults, EveryAllocationFailureEndsInMemoryStatusAndFreesAll) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.label);
        Bytes plain;
        Bytes source;
        for (int m = 0; m < c.members; ++m) {
            const Bytes part = Text(c.size);
            const Bytes packed = Gzip(part);
            plain.insert(plain.end(), part.begin(), part.end());
            source.insert(source.end(), packed.begin(), packed.end());
        }
        uint32_t failures = 0;
        for (uint32_t k = 1;; ++k) {
            SCOPED_TRACE("allocation " + std::to_string(k));
            Bytes out(plain.size(), 0xA5);
            uint32_t count = static_cast<uint32_t>(out.size());
            ArmAllocFailure(k);
            const int32_t status = GunzipMemory(out.data(), &count, source.data(),
                                                static_cast<uint32_t>(source.size()));
            const uint32_t calls = ArmedAllocCalls();
            const int64_t outstanding = ArmedAllocOutstanding();
            DisarmAllocFailure();
            EXPECT_EQ(outstanding, 0);
            if (calls < k) { // nothing failed: a full, correct decode
                EXPECT_EQ(status, 0);
                EXPECT_EQ(count, plain.size());
                EXPECT_EQ(out, plain);
                break;
            }
            ++failures;
            EXPECT_TRUE(status == Z_MEM_ERROR || status == Z_STREAM_ERROR) << status;
            EXPECT_LE(count, plain.size());
        }
        // The record, the inflate state and the window at the least.
        EXPECT_GE(failures, 3u);
    }
}

} // namespace
