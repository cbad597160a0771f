// ExtractPayloadMember against this test program's own "DEVFILE" members
// (made by data/make_members.py), each case in a scratch folder of its own.

#include "extract.h"
#include "support/member_files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace {

using namespace member_files;

// Resource ids of the test members.
constexpr uint32_t kGood = 1;  // 3000 bytes
constexpr uint32_t kLarge = 2; // 600 KB
constexpr uint32_t kSmall = 3; // 100 bytes: never compared
constexpr uint32_t kBadCrc = 4;
constexpr uint32_t kClaimsMore = 5;
constexpr uint32_t kClaimsFewer = 6;
constexpr uint32_t kNotGzip = 7;
constexpr uint32_t kEmpty = 8;    // ISIZE 0
constexpr uint32_t kTooShort = 9; // three bytes
constexpr uint32_t kUnknown = 99;

void RemoveTree(const std::string& dir) {
    for (const auto& n : Listing(dir)) {
        const std::string p = dir + "\\" + n;
        SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (GetFileAttributesA(p.c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveTree(p);
        } else {
            DeleteFileA(p.c_str());
        }
    }
    RemoveDirectoryA(dir.c_str());
}

// A fresh folder per test; every test ends by checking that nothing but the
// expected names is left in it.
class Extract : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::string("scratch_extract_") + info->name();
        RemoveTree(dir_);
        ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr));
    }
    void TearDown() override { RemoveTree(dir_); }

    std::string Path(const char* name) const { return dir_ + "\\" + name; }
    void ExpectOnly(std::set<std::string> names) const { EXPECT_EQ(Listing(dir_), names); }

    std::string dir_;
};

TEST_F(Extract, WriteIfChanged) {
    const Bytes data = Raw(kGood);
    Bytes sameHeadLonger = data;
    sameHeadLonger.resize(data.size() + 77, 'z');
    sameHeadLonger[1000] ^= 1;
    Bytes sameHeadShorter(data.begin(), data.begin() + 256);
    Bytes byte255 = data;
    byte255[255] ^= 0x20;
    Bytes byte0 = data;
    byte0[0] ^= 0x01;
    const Bytes shortFile(data.begin(), data.begin() + 255);

    struct Case {
        const char* name;
        const Bytes* existing; // null: no file
        int32_t compareFirst;
        int32_t result;
    };
    const Case cases[] = {
        {"no file", nullptr, 1, EXTRACT_WRITTEN},
        {"first 256 equal, longer", &sameHeadLonger, 1, EXTRACT_UNCHANGED},
        {"first 256 equal, exactly 256", &sameHeadShorter, 1, EXTRACT_UNCHANGED},
        {"byte 255 differs", &byte255, 1, EXTRACT_WRITTEN},
        {"byte 0 differs", &byte0, 1, EXTRACT_WRITTEN},
        {"shorter than 256", &shortFile, 1, EXTRACT_WRITTEN},
        {"compare 0 writes anyway", &sameHeadLonger, 0, EXTRACT_WRITTEN},
        {"compare 2 is not 1", &sameHeadLonger, 2, EXTRACT_WRITTEN},
        {"compare -1 is not 1", &sameHeadLonger, -1, EXTRACT_WRITTEN},
    };
    const std::string target = Path("KWT5D1us.HLP");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileA(target.c_str());
        if (c.existing != nullptr) {
            WriteFile(target, *c.existing);
        }
        EXPECT_EQ(ExtractPayloadMember(kGood, target.c_str(), c.compareFirst), c.result);
        EXPECT_EQ(ReadFile(target), c.result == EXTRACT_UNCHANGED ? *c.existing : data);
        ExpectOnly({"KWT5D1us.HLP"});
    }
}

TEST_F(Extract, LargeAndSmallMembers) {
    const std::string target = Path("big.bin");
    EXPECT_EQ(ExtractPayloadMember(kLarge, target.c_str(), 0), EXTRACT_WRITTEN);
    EXPECT_EQ(ReadFile(target), Raw(kLarge));

    // Under 256 bytes there is nothing to compare: always written.
    const std::string small = Path("small.cnt");
    const Bytes smallData = Raw(kSmall);
    Bytes stale = smallData;
    stale.back() ^= 1;
    WriteFile(small, stale);
    EXPECT_EQ(ExtractPayloadMember(kSmall, small.c_str(), 1), EXTRACT_WRITTEN);
    EXPECT_EQ(ReadFile(small), smallData);
    // Only the low 16 bits name the resource.
    EXPECT_EQ(ExtractPayloadMember(0x10000u | kSmall, small.c_str(), 0), EXTRACT_WRITTEN);
    ExpectOnly({"big.bin", "small.cnt"});
}

TEST_F(Extract, BadMembersWriteNothing) {
    const Bytes old = {'o', 'l', 'd'};
    const uint32_t ids[] = {kUnknown, kBadCrc, kClaimsMore, kClaimsFewer,
                            kNotGzip, kEmpty,  kTooShort};
    for (uint32_t id : ids) {
        SCOPED_TRACE(::testing::Message() << "member " << id);
        const std::string fresh = Path("fresh.dll");
        EXPECT_EQ(ExtractPayloadMember(id, fresh.c_str(), 0), EXTRACT_FAILED);
        const std::string kept = Path("kept.hlp");
        WriteFile(kept, old);
        EXPECT_EQ(ExtractPayloadMember(id, kept.c_str(), 1), EXTRACT_FAILED);
        EXPECT_EQ(ReadFile(kept), old);
        ExpectOnly({"kept.hlp"});
    }
}

TEST_F(Extract, TargetsThatCannotBeReplaced) {
    const Bytes old = {'p', 'r', 'e', 'v', 'i', 'o', 'u', 's'};

    // missing directory
    EXPECT_EQ(ExtractPayloadMember(kGood, Path("nodir\\a.DLL").c_str(), 0), EXTRACT_FAILED);
    ExpectOnly({});

    // a directory standing at the path
    const std::string sub = Path("KWT5D1us.DLL");
    ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
    for (int32_t compare : {0, 1}) {
        EXPECT_EQ(ExtractPayloadMember(kGood, sub.c_str(), compare), EXTRACT_FAILED);
        EXPECT_TRUE(GetFileAttributesA(sub.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    }
    ExpectOnly({"KWT5D1us.DLL"});

    // read-only file
    const std::string ro = Path("ro.HLP");
    WriteFile(ro, old);
    ASSERT_TRUE(SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_READONLY));
    for (int32_t compare : {0, 1}) {
        EXPECT_EQ(ExtractPayloadMember(kGood, ro.c_str(), compare), EXTRACT_FAILED);
        EXPECT_EQ(ReadFile(ro), old);
    }
    ExpectOnly({"KWT5D1us.DLL", "ro.HLP"});
    SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_NORMAL);

    // a file held open without sharing
    const std::string held = Path("held.cnt");
    WriteFile(held, old);
    HANDLE h = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    for (int32_t compare : {0, 1}) {
        EXPECT_EQ(ExtractPayloadMember(kGood, held.c_str(), compare), EXTRACT_FAILED);
    }
    CloseHandle(h);
    EXPECT_EQ(ReadFile(held), old);
    ExpectOnly({"KWT5D1us.DLL", "ro.HLP", "held.cnt"});
}

TEST_F(Extract, MatchesExistingFile) {
    const Bytes data = Raw(kGood);
    const std::string p = Path("m.bin");
    EXPECT_EQ(MatchesExistingFile(p.c_str(), data.data()), 0);
    WriteFile(p, Bytes(data.begin(), data.begin() + 256));
    EXPECT_EQ(MatchesExistingFile(p.c_str(), data.data()), 1);
    WriteFile(p, Bytes(data.begin(), data.begin() + 10));
    EXPECT_EQ(MatchesExistingFile(p.c_str(), data.data()), EXTRACT_FAILED);
    EXPECT_EQ(MatchesExistingFile(dir_.c_str(), data.data()), EXTRACT_FAILED);
}

} // namespace
