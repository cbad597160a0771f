// GetDependDllName against a printer whose data file each case rewrites.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "rig.h"

namespace {
constexpr size_t kName = 260;
constexpr size_t kGuard = 16;

class Lookup : public ::testing::Test {
  protected:
    void SetUp() override { EnsurePrinter(); }
    // Result of the lookup into a guarded 260-byte buffer.
    int32_t Run(const char* printer = kPrinter) {
        std::memset(buffer, 0xCC, sizeof(buffer));
        int32_t r = CallExport("GetDependDllName", {Arg(printer), Arg(buffer)});
        for (size_t i = kName; i < sizeof(buffer); ++i)
            EXPECT_EQ(static_cast<uint8_t>(buffer[i]), 0xCC) << "guard byte " << i;
        return r;
    }
    bool Untouched() const {
        for (size_t i = 0; i < kName; ++i)
            if (static_cast<uint8_t>(buffer[i]) != 0xCC) return false;
        return true;
    }
    char buffer[kName + kGuard];
};

struct LookupCase {
    const char* what;
    std::string data;
    int32_t result;
    std::string name;
};

TEST_F(Lookup, DataFileCases) {
    const LookupCase cases[] = {
        {"plain", "*ExcDepDLLName: lib.dll\n", 1, "lib.dll"},
        {"qualifiers", "*ExcDepDLLName Q1 Q2: q.dll\n", 1, "q.dll"},
        {"one qualifier, CR LF", "*Other: 1\r\n*ExcDepDLLName Q1: q1.dll\r\n", 1, "q1.dll"},
        {"case differs", "*excdepdllname: a.dll\n*EXCDEPDLLNAME: b.dll\n", 0, ""},
        {"longer keyword", "*ExcDepDLLNameX: a.dll\n", 0, ""},
        {"shorter keyword", "*ExcDepDLLNam: a.dll\n", 0, ""},
        {"first of two", "*ExcDepDLLName: first.dll\n*ExcDepDLLName: second.dll\n", 1, "first.dll"},
        {"empty value", "*ExcDepDLLName:\n", 1, ""},
        {"quoted", "*ExcDepDLLName: \"abc.dll\"\n", 1, "abc.dll"},
        {"quoted, trailing blanks", "*ExcDepDLLName: \"abc.dll\"  \n", 1, "abc.dll\"  "},
        {"two quotes only", "*ExcDepDLLName: \"\"\n", 1, "\""},
        {"syntax error skipped", "*ExcDepDLLName: ({a})\n*ExcDepDLLName: later.dll\n", 1,
         "later.dll"},
        {"comment is no entry", "*%ExcDepDLLName: c.dll\n", 0, ""},
        {"no entry at all", "*Other: x\n", 0, ""},
        {"259 characters", "*ExcDepDLLName: " + std::string(259, 'n') + "\n", 1,
         std::string(259, 'n')},
        {"260 characters", "*ExcDepDLLName: " + std::string(260, 'n') + "\n", 0, ""},
        {"260 without quotes fits", "*ExcDepDLLName: \"" + std::string(258, 'n') + "\"\n", 1,
         std::string(258, 'n')},
    };
    for (const LookupCase& c : cases) {
        SCOPED_TRACE(c.what);
        WriteDataFile(c.data);
        ASSERT_EQ(Run(), c.result);
        if (c.result == 1) {
            EXPECT_EQ(std::string(buffer), c.name);
        } else {
            EXPECT_TRUE(Untouched());
        }
    }
}

TEST_F(Lookup, UnknownPrinter) {
    WriteDataFile("*ExcDepDLLName: lib.dll\n");
    EXPECT_EQ(Run("Zelt No Such Printer"), 0);
    EXPECT_TRUE(Untouched());
}

TEST_F(Lookup, EmptyMissingAndWriteLockedDataFile) {
    WriteDataFile("");
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(Untouched());

    WriteDataFile("*ExcDepDLLName: lib.dll\n");
    HANDLE writer = CreateFileA(DataFilePath().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(Untouched());
    CloseHandle(writer);
    EXPECT_EQ(Run(), 1); // readable again once the writer is gone

    ASSERT_TRUE(DeleteFileA(DataFilePath().c_str()));
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(Untouched());
    WriteDataFile("*%restored\n");
}
} // namespace
