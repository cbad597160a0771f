// GunzipMemory against members framed here around zlib's raw deflate output.

#include "gunzip.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kFill = 0xA5; // what an untouched output byte holds

Bytes Sample(size_t size, uint32_t seed) {
    // Text-like but not trivially repetitive, so inflate needs real work.
    Bytes out(size);
    uint32_t x = seed;
    for (auto& b : out) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>("abcdefgh ijklmnop\r\n"[(x >> 16) % 19]);
    }
    return out;
}

Bytes RawDeflate(const Bytes& data) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    Bytes out(deflateBound(&z, static_cast<uLong>(data.size())));
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

void PutWord(Bytes& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

uint32_t Crc(const Bytes& data) {
    return static_cast<uint32_t>(crc32(0L, data.data(), static_cast<uInt>(data.size())));
}

// Header with the optional fields that flags ask for (reserved bits too).
Bytes Header(uint8_t flags, uint8_t method = 8) {
    Bytes h = {0x1F, 0x8B, method, flags, 1, 2, 3, 4, 0, 11};
    if (flags & 0x04) {
        h.insert(h.end(), {5, 0, 'x', 'y', 0, 0x1F, 0x8B}); // XLEN 5
    }
    if (flags & 0x08) {
        const std::string name = "file0003.002";
        h.insert(h.end(), name.begin(), name.end());
        h.push_back(0);
    }
    if (flags & 0x10) {
        const std::string comment = "a comment";
        h.insert(h.end(), comment.begin(), comment.end());
        h.push_back(0);
    }
    if (flags & 0x02) {
        h.insert(h.end(), {0xDE, 0xAD}); // wrong on purpose: never checked
    }
    return h;
}

struct MemberParts {
    Bytes header, deflated, trailer;
};

MemberParts Parts(const Bytes& data, uint8_t flags = 0x08) {
    MemberParts p{Header(flags), RawDeflate(data), {}};
    PutWord(p.trailer, Crc(data));
    PutWord(p.trailer, static_cast<uint32_t>(data.size()));
    return p;
}

Bytes Join(const MemberParts& p) {
    Bytes out = p.header;
    out.insert(out.end(), p.deflated.begin(), p.deflated.end());
    out.insert(out.end(), p.trailer.begin(), p.trailer.end());
    return out;
}

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Outcome {
    int32_t status;
    uint32_t count;
    Bytes out; // the whole buffer, untouched bytes included
};

Outcome Decode(const Bytes& source, uint32_t capacity) {
    Outcome o{0, capacity, Bytes(capacity + 16u, kFill)};
    o.status =
        GunzipMemory(o.out.data(), &o.count, source.data(), static_cast<uint32_t>(source.size()));
    // Nothing may land past the capacity.
    EXPECT_TRUE(
        std::all_of(o.out.begin() + capacity, o.out.end(), [](uint8_t b) { return b == kFill; }));
    o.out.resize(capacity);
    return o;
}

bool Untouched(const Bytes& out) {
    return std::all_of(out.begin(), out.end(), [](uint8_t b) { return b == kFill; });
}

bool StartsWith(const Bytes& out, const Bytes& data, size_t n) {
    return n <= out.size() && n <= data.size() &&
           std::equal(data.begin(), data.begin() + n, out.begin());
}

const Bytes kData = Sample(5000, 7);
const Bytes kData2 = Sample(3001, 99);

// ---------------------------------------------------------------- framing

struct FramingCase {
    const char* name;
    uint8_t flags;
    uint8_t method;
    int32_t status;
};

TEST(GunzipFraming, HeaderFlagsAndMethod) {
    const FramingCase cases[] = {
        {"no flags", 0x00, 8, 0},
        {"FTEXT ignored", 0x01, 8, 0},
        {"FHCRC skipped, not checked", 0x02, 8, 0},
        {"FEXTRA skipped by XLEN", 0x04, 8, 0},
        {"FNAME", 0x08, 8, 0},
        {"FCOMMENT", 0x10, 8, 0},
        {"all optional fields", 0x1F, 8, 0},
        {"reserved 0x20", 0x08 | 0x20, 8, Z_DATA_ERROR},
        {"reserved 0x40", 0x40, 8, Z_DATA_ERROR},
        {"reserved 0x80", 0x80, 8, Z_DATA_ERROR},
        {"CM 7", 0x08, 7, Z_DATA_ERROR},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemberParts p = Parts(kData);
        p.header = Header(c.flags, c.method);
        const Outcome o = Decode(Join(p), static_cast<uint32_t>(kData.size() + 100));
        EXPECT_EQ(o.status, c.status);
        if (c.status == 0) {
            EXPECT_EQ(o.count, kData.size());
            EXPECT_TRUE(StartsWith(o.out, kData, kData.size()));
        } else {
            EXPECT_EQ(o.count, 0u);
            EXPECT_TRUE(Untouched(o.out));
        }
    }
}

TEST(GunzipFraming, NotGzipFirstBytes) {
    const Bytes cases[] = {
        {0x00, 0x1F, 0x8B, 8}, {0x8B, 0x1F}, {0x1E, 0x8B, 8, 0},       {0x1F, 0x8C, 8, 0},
        {0x1F, 0x1F, 0x8B, 8}, {0x1F},       {0x78, 0x9C, 0x03, 0x00},
    };
    for (const auto& source : cases) {
        SCOPED_TRACE(::testing::PrintToString(source));
        for (uint32_t capacity : {0u, 64u}) {
            const Outcome o = Decode(source, capacity);
            EXPECT_EQ(o.status, GUNZIP_NOT_GZIP);
            EXPECT_EQ(o.count, 0u);
            EXPECT_TRUE(Untouched(o.out));
        }
    }
    // A raw deflate stream is not taken for gzip, however valid it is.
    const Outcome o = Decode(RawDeflate(kData), 6000);
    EXPECT_EQ(o.status, GUNZIP_NOT_GZIP);
    EXPECT_TRUE(Untouched(o.out));
}

// ---------------------------------------------------------------- trailer

TEST(GunzipTrailer, CrcAndIsize) {
    struct Case {
        const char* name;
        Bytes trailer;
        int32_t status;
    };
    const uint32_t crc = Crc(kData);
    const auto size = static_cast<uint32_t>(kData.size());
    auto words = [](uint32_t a, uint32_t b) {
        Bytes t;
        PutWord(t, a);
        PutWord(t, b);
        return t;
    };
    Bytes crcOnly;
    PutWord(crcOnly, crc);
    Bytes crcAndHalfIsize = crcOnly;
    crcAndHalfIsize.insert(crcAndHalfIsize.end(), {0x88, 0x13});
    const Case cases[] = {
        {"correct", words(crc, size), 0},
        {"wrong ISIZE goes unnoticed", words(crc, size + 1000), 0},
        {"ISIZE missing", crcOnly, 0},
        {"ISIZE short", crcAndHalfIsize, 0},
        {"wrong CRC", words(crc ^ 0x00010000u, size), Z_DATA_ERROR},
        {"CRC of nothing", words(0, size), Z_DATA_ERROR},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemberParts p = Parts(kData);
        p.trailer = c.trailer;
        const Outcome o = Decode(Join(p), size + 1);
        EXPECT_EQ(o.status, c.status);
        // Either way the whole member was decoded before the trailer spoke.
        EXPECT_EQ(o.count, size);
        EXPECT_TRUE(StartsWith(o.out, kData, size));
    }
}

// ---------------------------------------------------------------- members

TEST(GunzipMembers, Concatenated) {
    const Bytes one = Join(Parts(kData));
    const Bytes two = Join(Parts(kData2, 0x00));
    const auto total = static_cast<uint32_t>(kData.size() + kData2.size());
    MemberParts badCrc = Parts(kData2);
    badCrc.trailer[0] ^= 1;
    MemberParts badHeader = Parts(kData2);
    badHeader.header[2] = 7;

    struct Case {
        const char* name;
        Bytes source;
        uint32_t capacity;
        int32_t status;
        uint32_t count;
    };
    const Case cases[] = {
        {"room for both", Cat(one, two), total + 10, 0, total},
        {"exactly both", Cat(one, two), total, 0, total},
        {"ends in the second", Cat(one, two), total - 100, 0, total - 100},
        {"ends at the first's end", Cat(one, two), static_cast<uint32_t>(kData.size()), 0,
         static_cast<uint32_t>(kData.size())},
        {"second CRC wrong", Cat(one, Join(badCrc)), total + 10, Z_DATA_ERROR, total},
        {"second header bad", Cat(one, Join(badHeader)), total + 10, Z_DATA_ERROR,
         static_cast<uint32_t>(kData.size())},
        {"three members", Cat(Cat(one, two), one), total + 5000, 0, total + 5000},
    };
    const Bytes expected = Cat(Cat(kData, kData2), kData);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome o = Decode(c.source, c.capacity);
        EXPECT_EQ(o.status, c.status);
        EXPECT_EQ(o.count, c.count);
        EXPECT_TRUE(StartsWith(o.out, expected, c.count));
    }
}

TEST(GunzipMembers, EmptyMemberDecodesToNothing) {
    const Outcome o = Decode(Join(Parts(Bytes{})), 16);
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.count, 0u);
}

// ---------------------------------------------------------------- capacity

TEST(GunzipCapacity, SmallerEqualLargerZero) {
    const auto size = static_cast<uint32_t>(kData.size());
    MemberParts wrongCrc = Parts(kData);
    wrongCrc.trailer[1] ^= 0x40;
    MemberParts badHeader = Parts(kData);
    badHeader.header[3] = 0x20;

    struct Case {
        const char* name;
        Bytes source;
        uint32_t capacity;
        int32_t status;
        uint32_t count;
    };
    const Case cases[] = {
        {"larger", Join(Parts(kData)), size + 4096, 0, size},
        {"equal", Join(Parts(kData)), size, 0, size},
        {"equal, wrong CRC still checked", Join(wrongCrc), size, Z_DATA_ERROR, size},
        {"smaller", Join(Parts(kData)), size - 1, 0, size - 1},
        {"smaller, CRC never reached", Join(wrongCrc), 100, 0, 100},
        {"one byte", Join(Parts(kData)), 1, 0, 1},
        {"zero, good header", Join(Parts(kData)), 0, 0, 0},
        {"zero, bad header", Join(badHeader), 0, Z_DATA_ERROR, 0},
        {"zero, empty source", Bytes{}, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome o = Decode(c.source, c.capacity);
        EXPECT_EQ(o.status, c.status);
        EXPECT_EQ(o.count, c.count);
        EXPECT_TRUE(StartsWith(o.out, kData, c.count));
    }
}

// ---------------------------------------------------------------- truncation

TEST(GunzipTruncation, EveryRegion) {
    const MemberParts p = Parts(kData, 0x1E);
    const Bytes whole = Join(p);
    const size_t h = p.header.size();
    const size_t d = p.deflated.size();
    const auto size = static_cast<uint32_t>(kData.size());
    const uint32_t capacity = size + 64;

    for (size_t cut = 2; cut < h; ++cut) { // cut == 1 leaves a lone 0x1F
        SCOPED_TRACE(::testing::Message() << "header cut at " << cut);
        const Outcome o = Decode(Bytes(whole.begin(), whole.begin() + cut), capacity);
        EXPECT_EQ(o.status, Z_DATA_ERROR);
        EXPECT_EQ(o.count, 0u);
        EXPECT_TRUE(Untouched(o.out));
    }
    for (size_t cut = h; cut < h + d; cut += std::max<size_t>(1, d / 37)) {
        SCOPED_TRACE(::testing::Message() << "deflate data cut at " << cut);
        const Outcome o = Decode(Bytes(whole.begin(), whole.begin() + cut), capacity);
        EXPECT_EQ(o.status, Z_BUF_ERROR);
        EXPECT_LE(o.count, size);
        EXPECT_TRUE(StartsWith(o.out, kData, o.count));
    }
    for (size_t keep = 0; keep < 4; ++keep) {
        SCOPED_TRACE(::testing::Message() << "CRC cut after " << keep);
        const Outcome o = Decode(Bytes(whole.begin(), whole.begin() + h + d + keep), capacity);
        EXPECT_EQ(o.status, Z_DATA_ERROR);
        EXPECT_EQ(o.count, size);
    }
    for (size_t keep = 0; keep < 4; ++keep) {
        SCOPED_TRACE(::testing::Message() << "ISIZE cut after " << keep);
        const Outcome o = Decode(Bytes(whole.begin(), whole.begin() + h + d + 4 + keep), capacity);
        EXPECT_EQ(o.status, 0);
        EXPECT_EQ(o.count, size);
    }
    const Outcome empty = Decode(Bytes{}, capacity);
    EXPECT_EQ(empty.status, Z_BUF_ERROR);
    EXPECT_EQ(empty.count, 0u);
}

TEST(GunzipTruncation, CorruptDeflateData) {
    // Block type 3 is reserved: inflate rejects the data outright.
    MemberParts p = Parts(kData);
    p.deflated = {0x07, 0x00, 0x00, 0x00};
    const Outcome o = Decode(Join(p), 6000);
    EXPECT_EQ(o.status, Z_DATA_ERROR);
    EXPECT_EQ(o.count, 0u);
}

// ---------------------------------------------------------------- trailing bytes

TEST(GunzipTrailing, BytesAfterAMember) {
    const Bytes member = Join(Parts(kData));
    const auto size = static_cast<uint32_t>(kData.size());
    const Bytes extra = Sample(3, 5);
    struct Case {
        const char* name;
        Bytes tail;
        uint32_t capacity;
        int32_t status;
    };
    const Case cases[] = {
        {"one zero byte", {0x00}, size + 100, GUNZIP_NOT_GZIP},
        {"text", {'x', 'y', 'z'}, size + 100, GUNZIP_NOT_GZIP},
        {"lone 0x1F", {0x1F}, size + 100, GUNZIP_NOT_GZIP},
        {"0x1F then not 0x8B", {0x1F, 0x00}, size + 100, GUNZIP_NOT_GZIP},
        {"a valid raw deflate stream", RawDeflate(extra), size + 100, GUNZIP_NOT_GZIP},
        {"buffer already full", {'x', 'y', 'z'}, size, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome o = Decode(Cat(member, c.tail), c.capacity);
        EXPECT_EQ(o.status, c.status);
        // The tail is never decoded into the buffer.
        EXPECT_EQ(o.count, size);
        EXPECT_TRUE(StartsWith(o.out, kData, size));
        EXPECT_TRUE(Untouched(Bytes(o.out.begin() + size, o.out.end())));
    }
}

} // namespace
