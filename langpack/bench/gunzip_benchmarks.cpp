// Throughput of GunzipMemory on the measuring payload, beside what zlib alone
// does for the same members (raw inflate of the deflate data, then crc32),
// and beside copying the decoded bytes.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "benchpayload.h"
#include "gunzip.h"

namespace {
struct Member {
    std::vector<uint8_t> stored;  // one gzip member
    std::vector<uint8_t> decoded; // what it decodes to
    std::vector<uint8_t> out;     // exact-size output, shared by every decoder
};

std::vector<uint8_t> GzipOf(const std::string& bytes) {
    z_stream z{};
    // 31: gzip framing, a ten-byte header without a name.
    if (deflateInit2(&z, 9, Z_DEFLATED, 31, 9, Z_DEFAULT_STRATEGY) != Z_OK) return {};
    std::vector<uint8_t> out(deflateBound(&z, static_cast<uLong>(bytes.size())));
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int status = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return status == Z_STREAM_END ? out : std::vector<uint8_t>{};
}

std::vector<Member>& Members() {
    static std::vector<Member> members = [] {
        std::vector<Member> made;
        for (const BenchFile& f : MakeBenchPayload()) {
            Member m;
            m.stored = GzipOf(f.bytes);
            m.decoded.assign(f.bytes.begin(), f.bytes.end());
            m.out.assign(f.bytes.size(), 0);
            made.push_back(std::move(m));
        }
        return made;
    }();
    return members;
}

int64_t DecodedBytes() {
    int64_t n = 0;
    for (const Member& m : Members())
        n += static_cast<int64_t>(m.decoded.size());
    return n;
}

void Report(benchmark::State& state) {
    int64_t stored = 0;
    for (const Member& m : Members())
        stored += static_cast<int64_t>(m.stored.size());
    state.SetBytesProcessed(state.iterations() * DecodedBytes());
    state.counters["decoded_MB"] = static_cast<double>(DecodedBytes()) / 1e6;
    state.counters["stored_MB"] = static_cast<double>(stored) / 1e6;
}

void BM_GunzipMemory(benchmark::State& state) {
    for (auto _ : state) {
        for (Member& m : Members()) {
            auto length = static_cast<uint32_t>(m.out.size());
            if (GunzipMemory(m.out.data(), &length, m.stored.data(),
                             static_cast<uint32_t>(m.stored.size())) != 0 ||
                length != m.decoded.size()) {
                state.SkipWithError("GunzipMemory failed");
                return;
            }
        }
        benchmark::ClobberMemory();
    }
    Report(state);
}
BENCHMARK(BM_GunzipMemory);

void BM_ZlibRawInflateCrc32(benchmark::State& state) {
    constexpr size_t kHeader = 10;
    constexpr size_t kTrailer = 8;
    for (auto _ : state) {
        for (Member& m : Members()) {
            z_stream z{};
            if (inflateInit2(&z, -15) != Z_OK) {
                state.SkipWithError("inflateInit2 failed");
                return;
            }
            z.next_in = m.stored.data() + kHeader;
            z.avail_in = static_cast<uInt>(m.stored.size() - kHeader - kTrailer);
            z.next_out = m.out.data();
            z.avail_out = static_cast<uInt>(m.out.size());
            const int status = inflate(&z, Z_FINISH);
            const uLong crc = crc32(0, m.out.data(), static_cast<uInt>(z.total_out));
            inflateEnd(&z);
            uint32_t stored = 0;
            std::memcpy(&stored, m.stored.data() + m.stored.size() - kTrailer, 4);
            if (status != Z_STREAM_END || crc != stored) {
                state.SkipWithError("raw inflate failed");
                return;
            }
        }
        benchmark::ClobberMemory();
    }
    Report(state);
}
BENCHMARK(BM_ZlibRawInflateCrc32);

void BM_Memcpy(benchmark::State& state) {
    for (auto _ : state) {
        for (Member& m : Members())
            std::memcpy(m.out.data(), m.decoded.data(), m.out.size());
        benchmark::ClobberMemory();
    }
    Report(state);
}
BENCHMARK(BM_Memcpy);
} // namespace

BENCHMARK_MAIN();
