// langpack.exe writing into a directory on a file system that fills up (a
// 64 KB tmpfs the test's wrapper mounts). However far it gets, every file is
// either what was there before or the complete new one, nothing temporary
// stays behind, and a run that could not write everything reports failure.

#pragma GCC diagnostic ignored "-Wrestrict" // GCC 12 -O3, std::string concatenation

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "support/program_files.h"

namespace {

using namespace program_files;

constexpr DWORD kOk = 0;
constexpr DWORD kFailed = 0xFFFFFFFFu;
constexpr DWORD kPage = 4096;
constexpr char kFillerPrefix[] = "filler";

const char* const kSetNames[] = {"KWT5D1us.DLL", "KWT5D1us.HLP", "KWT5D1us.cnt", "KWT5DSus.HLP",
                                 "KWT5DSus.cnt"};

// All bytes written, or false: on a full disk the write itself reports it.
bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
}

void Clear(const std::string& dir) {
    for (const std::string& name : List(dir)) {
        DeleteFileA((dir + "\\" + name).c_str());
    }
}

// Fills the disk with one-page files, then frees `pages` of them again.
void FillLeaving(const std::string& dir, int pages) {
    const std::string page(kPage, 'f');
    std::vector<std::string> fillers;
    for (int i = 0;; ++i) {
        const std::string path = dir + "\\" + kFillerPrefix + std::to_string(i);
        if (!WriteFileBytes(path, page)) {
            DeleteFileA(path.c_str());
            break;
        }
        fillers.push_back(path);
        ASSERT_LT(i, 4096) << "the disk never filled up: is the tmpfs mounted?";
    }
    ASSERT_GE(fillers.size(), static_cast<size_t>(pages));
    for (int i = 0; i < pages; ++i) {
        ASSERT_TRUE(DeleteFileA(fillers[fillers.size() - 1 - static_cast<size_t>(i)].c_str()));
    }
}

struct DiskCase {
    const char* name;
    bool previousFiles; // an older copy of each of the five files is there
    int freePages;      // room left once the disk is full
    DWORD exitCode;
    bool libraryNew; // the first file of the set got written
};

// The set's library decodes to two pages and each other file to one; an
// old copy takes one page and frees it once replaced.
const DiskCase kCases[] = {
    {"full, previous files", true, 0, kFailed, false},
    {"one page, previous files", true, 1, kFailed, false},
    {"room for the library only", false, 2, kFailed, true},
    {"room for everything", true, 8, kOk, true},
};

class FullDisk : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        // The complete files, from a run into a directory with room.
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        const std::string roomy =
            std::string(temp) + "langpack-roomy-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(roomy.c_str(), nullptr);
        SetDirectoryValue(roomy);
        ASSERT_EQ(Install("/L1"), kOk);
        for (const char* name : kSetNames) {
            complete[name] = Slurp(roomy + "\\" + name);
            ASSERT_FALSE(complete[name].empty()) << name;
        }
        Clear(roomy);
        RemoveDirectoryA(roomy.c_str());
    }
    void TearDown() override {
        Clear(kMount);
        DeleteDirectoryKey();
    }
    static std::string Previous(const std::string& name) { return "previous " + name + "\r\n"; }

    static inline std::map<std::string, std::string> complete;
    const std::string kMount = ZELT_FULL_DISK_DIR;
};

TEST_F(FullDisk, EveryFileIsOldOrCompleteAndNothingTemporaryStays) {
    ASSERT_EQ(complete.size(), 5u);
    for (const DiskCase& c : kCases) {
        SCOPED_TRACE(c.name);
        Clear(kMount);
        SetDirectoryValue(kMount);
        if (c.previousFiles) {
            for (const char* name : kSetNames) {
                ASSERT_TRUE(WriteFileBytes(kMount + "\\" + name, Previous(name))) << name;
            }
        }
        FillLeaving(kMount, c.freePages);

        EXPECT_EQ(Install("/L1"), c.exitCode);

        for (const std::string& name : List(kMount)) {
            if (name.rfind(kFillerPrefix, 0) == 0) {
                continue;
            }
            const std::string bytes = Slurp(kMount + "\\" + name);
            ASSERT_TRUE(complete.count(name)) << "unexpected file " << name;
            EXPECT_TRUE(bytes == complete[name] || bytes == Previous(name))
                << name << ": " << bytes.size() << " bytes, neither old nor complete";
        }
        for (const char* name : kSetNames) {
            const std::string bytes = Slurp(kMount + "\\" + name);
            if (c.exitCode == kOk) {
                EXPECT_EQ(bytes, complete[name]) << name;
            } else if (c.previousFiles) {
                EXPECT_FALSE(bytes.empty()) << name << " lost";
            }
        }
        EXPECT_EQ(Slurp(kMount + "\\" + kSetNames[0]) == complete[kSetNames[0]], c.libraryNew);
    }
}

} // namespace
