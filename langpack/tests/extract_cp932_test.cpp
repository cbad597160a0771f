// ExtractPayloadMember in code page 932 (registered with LC_ALL=ja_JP.UTF-8)
// into a folder whose name ends in the byte 0x5C inside a character: 表 is
// 95 5C and ソ is 83 5C. Paths go in as ANSI bytes, as the installer's do.

// GCC 12 at -O3 reports a false -Wrestrict inside std::string concatenation.
#pragma GCC diagnostic ignored "-Wrestrict"

#include "extract.h"
#include "support/member_files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>

namespace {

using namespace member_files;

constexpr uint32_t kGood = 1; // 3000 bytes

constexpr char kScratch[] = "scratch_extract_cp932";
constexpr char kFolder[] = "\x95\x5C\x83\x5C"; // 表ソ
constexpr char kHelp[] = "KWT5D1jp.HLP";
constexpr char kTrailName[] = "\x95\x5C.HLP"; // 表.HLP

class ExtractCp932 : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(GetACP(), 932u) << "runs with LC_ALL=ja_JP.UTF-8 (extract_tests_cp932)";
        RemoveTree(kScratch);
        ASSERT_TRUE(CreateDirectoryA(kScratch, nullptr)) << GetLastError();
        ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr))
            << "CreateDirectoryA of a double-byte folder failed with error " << GetLastError()
            << ": Wine needs the C library's ja_JP.UTF-8 locale (scripts/setup.sh makes it)";
        // The name reads back as the same bytes: one folder, nothing else.
        ASSERT_EQ(Listing(kScratch), std::set<std::string>{kFolder});
    }
    void TearDown() override { RemoveTree(kScratch); }

    std::string In(const char* name) const { return dir_ + "\\" + name; }

    const std::string dir_ = std::string(kScratch) + "\\" + kFolder;
};

// Written, then left alone while its first 256 bytes are the member's, then
// replaced once they differ; never a temporary file left beside it.
TEST_F(ExtractCp932, HelpFileRulesInADoubleByteFolder) {
    const Bytes data = Raw(kGood);
    Bytes changed = data;
    changed[0] ^= 0x01;
    Bytes sameHead = data;
    sameHead[1000] ^= 0x01;
    struct Case {
        const char* name;
        const char* file;
        const Bytes* existing; // null: no file
        int32_t result;
    };
    const Case cases[] = {
        {"new file", kHelp, nullptr, EXTRACT_WRITTEN},
        {"identical file", kHelp, &data, EXTRACT_UNCHANGED},
        {"same first 256 bytes", kHelp, &sameHead, EXTRACT_UNCHANGED},
        {"byte 0 differs", kHelp, &changed, EXTRACT_WRITTEN},
        {"name with a 5C trail byte, new", kTrailName, nullptr, EXTRACT_WRITTEN},
        {"name with a 5C trail byte, identical", kTrailName, &data, EXTRACT_UNCHANGED},
        {"name with a 5C trail byte, differs", kTrailName, &changed, EXTRACT_WRITTEN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveTree(dir_);
        ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr)) << GetLastError();
        const std::string target = In(c.file);
        if (c.existing != nullptr) {
            WriteFile(target, *c.existing);
        }
        EXPECT_EQ(ExtractPayloadMember(kGood, target.c_str(), 1), c.result);
        EXPECT_EQ(ReadFile(target), c.result == EXTRACT_UNCHANGED ? *c.existing : data);
        EXPECT_EQ(Listing(dir_), std::set<std::string>{c.file});
        EXPECT_EQ(Listing(kScratch), std::set<std::string>{kFolder});
    }
}

// The temporary file goes into the target's folder, found by characters: a
// name whose 0x5C is a trail byte is not a folder.
TEST_F(ExtractCp932, TemporaryFileBesideTheTarget) {
    for (const char* file : {kHelp, kTrailName}) {
        SCOPED_TRACE(file);
        const std::string target = In(file);
        char candidate[MAX_PATH] = {};
        ASSERT_EQ(FormTempPath(candidate, sizeof candidate, target.c_str(), 0), 1);
        const std::string path = candidate;
        EXPECT_EQ(path.size(), dir_.size() + 1 + kTempNameLength) << path;
        EXPECT_EQ(path.substr(0, dir_.size() + 1), dir_ + "\\") << path;
        EXPECT_EQ(path.substr(dir_.size() + 1, 3), "~lp") << path;
    }
}

} // namespace
