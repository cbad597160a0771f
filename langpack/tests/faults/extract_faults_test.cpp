// ExtractPayloadMember with the k-th heap allocation failing, for every k of
// a clean run: the output buffer, the reader's record, zlib's state and
// window, and the comparison buffer. Members come from make_members.py.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "alloc_wrap.h"
#include "extract.h"
#include "../support/member_files.h"

namespace {

using namespace member_files;

constexpr uint32_t kGood = 1;  // 3000 bytes
constexpr uint32_t kLarge = 2; // 600 KB
constexpr char kScratch[] = "scratch_extract_faults";

void EmptyDir(const std::string& dir) {
    for (const auto& n : Listing(dir)) {
        DeleteFileA((dir + "\\" + n).c_str());
    }
}

struct Outcome {
    int32_t result;
    uint32_t calls;
    int64_t outstanding;
};

Outcome Extract(uint32_t failAt, uint32_t id, const std::string& target, int32_t compareFirst) {
    ArmAllocFailure(failAt);
    const int32_t result = ExtractPayloadMember(id, target.c_str(), compareFirst);
    const Outcome run{result, ArmedAllocCalls(), ArmedAllocOutstanding()};
    DisarmAllocFailure();
    return run;
}

enum class Before { kNone, kOther, kSame };

struct Case {
    const char* what;
    uint32_t id;
    int32_t compareFirst;
    Before before;
    int32_t cleanResult;
};

constexpr Case kCases[] = {
    {"no previous file", kGood, 0, Before::kNone, EXTRACT_WRITTEN},
    {"no previous file, compared", kGood, 1, Before::kNone, EXTRACT_WRITTEN},
    {"previous file, not compared", kGood, 0, Before::kOther, EXTRACT_WRITTEN},
    {"previous file differs, compared", kGood, 1, Before::kOther, EXTRACT_WRITTEN},
    {"previous file the same, compared", kGood, 1, Before::kSame, EXTRACT_UNCHANGED},
    {"large member over a previous file", kLarge, 0, Before::kOther, EXTRACT_WRITTEN},
};

class ExtractFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        CreateDirectoryA(kScratch, nullptr);
        EmptyDir(kScratch);
    }
    void TearDown() override {
        EmptyDir(kScratch);
        RemoveDirectoryA(kScratch);
    }
};

TEST_F(ExtractFaults, EveryAllocationFailureLeavesTheTargetAsItWas) {
    const std::string dir = kScratch;
    const std::string target = dir + "\\KWT5D1us.HLP";
    const std::string scratchTarget = dir + "\\decode_only.bin";
    uint32_t injected = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        const Bytes data = Raw(c.id);
        Bytes other(400, 'o');
        const Bytes* previous = c.before == Before::kOther  ? &other
                                : c.before == Before::kSame ? &data
                                                            : nullptr;
        // Decoding alone, written elsewhere: any allocation beyond its count
        // belongs to the comparison.
        const Outcome decodeOnly = Extract(0, c.id, scratchTarget, 0);
        ASSERT_EQ(decodeOnly.result, EXTRACT_WRITTEN);
        DeleteFileA(scratchTarget.c_str());

        EmptyDir(dir);
        if (previous != nullptr) {
            WriteFile(target, *previous);
        }
        const Outcome clean = Extract(0, c.id, target, c.compareFirst);
        ASSERT_EQ(clean.result, c.cleanResult);
        EXPECT_EQ(clean.outstanding, 0);
        std::printf("%s: %u allocation points\n", c.what, clean.calls);
        // The output buffer, the reader's record, zlib's state and window.
        EXPECT_GE(decodeOnly.calls, 4u);

        for (uint32_t k = 1; k <= clean.calls; ++k) {
            SCOPED_TRACE("allocation " + std::to_string(k));
            EmptyDir(dir);
            if (previous != nullptr) {
                WriteFile(target, *previous);
            }
            const Outcome run = Extract(k, c.id, target, c.compareFirst);
            ++injected;
            EXPECT_GE(run.calls, k);
            EXPECT_EQ(run.outstanding, 0) << "allocations left behind";
            if (k > decodeOnly.calls) {
                // A comparison that cannot run is no reason to keep the old file.
                EXPECT_EQ(run.result, EXTRACT_WRITTEN);
                EXPECT_EQ(ReadFile(target), data);
                EXPECT_EQ(Listing(dir), std::set<std::string>{"KWT5D1us.HLP"});
                continue;
            }
            EXPECT_EQ(run.result, EXTRACT_FAILED);
            if (previous != nullptr) {
                EXPECT_EQ(ReadFile(target), *previous) << "previous file changed";
                EXPECT_EQ(Listing(dir), std::set<std::string>{"KWT5D1us.HLP"});
            } else {
                EXPECT_TRUE(Listing(dir).empty()) << "a file was left behind";
            }
        }

        EmptyDir(dir);
        if (previous != nullptr) {
            WriteFile(target, *previous);
        }
        const Outcome again = Extract(0, c.id, target, c.compareFirst);
        EXPECT_EQ(again.result, c.cleanResult) << "no longer works after the faults";
        EXPECT_EQ(ReadFile(target), data);
    }
    std::printf("allocation faults injected: %u\n", injected);
}

} // namespace
