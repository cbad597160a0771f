// langpack.exe in code page 932 (registered with LC_ALL=ja_JP.UTF-8) into a
// registry folder whose characters end in the byte 0x5C: 表 is 95 5C and ソ
// is 83 5C. The value goes in as ANSI bytes, as the driver's installer
// writes it. Changes HKCU, so it runs under the "registry" lock.

// GCC 12 at -O3 reports a false -Wrestrict inside std::string concatenation.
#pragma GCC diagnostic ignored "-Wrestrict"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/program_files.h"

namespace {

using namespace program_files;

constexpr char kFolder[] = "\x95\x5C\x83\x5C"; // 表ソ

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

// Names in `parent` that start with the folder's bytes but are not the
// folder: files that lost their separator.
std::vector<std::string> Strays(const std::string& parent) {
    std::vector<std::string> strays;
    for (const std::string& name : List(parent)) {
        if (name != kFolder && name.compare(0, sizeof kFolder - 1, kFolder) == 0) {
            strays.push_back(name);
        }
    }
    return strays;
}

// The Japanese set (/L0) into 表ソ, in a folder of its own and at the root
// of the system drive: five files and nothing else; then an identical help
// file is left alone and its contents file not written, and a help file that
// differs is replaced and its contents file written.
TEST(ProgramCp932, SetIntoADoubleByteFolder) {
    ASSERT_EQ(GetACP(), 932u) << "runs with LC_ALL=ja_JP.UTF-8 (program_tests_cp932)";
    char temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string own =
        std::string(temp) + "langpack-cp932-" + std::to_string(GetCurrentProcessId());
    RemoveTree(own);
    ASSERT_TRUE(CreateDirectoryA(own.c_str(), nullptr)) << GetLastError();

    const std::vector<std::string> set =
        Sorted({"KWT5D1jp.DLL", "KWT5D1jp.HLP", "KWT5D1jp.cnt", "KWT5DSjp.HLP", "KWT5DSjp.cnt"});
    for (const std::string& parent : {own, std::string("C:")}) {
        const std::string folder = parent + "\\" + kFolder;
        SCOPED_TRACE(folder);
        const auto in = [&folder](const char* name) { return folder + "\\" + name; };
        RemoveTree(folder);
        for (const std::string& stray : Strays(parent)) { // of an earlier failed run
            RemoveTree(parent + "\\" + stray);
            DeleteFileA((parent + "\\" + stray).c_str());
        }
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr))
            << "CreateDirectoryA of a double-byte folder failed with error " << GetLastError()
            << ": Wine needs the C library's ja_JP.UTF-8 locale (scripts/setup.sh makes it)";
        SetDirectoryValue(folder);

        ASSERT_EQ(Install("/L0"), 0u);
        EXPECT_EQ(List(folder), set);
        EXPECT_EQ(Slurp(in("KWT5D1jp.DLL")).substr(0, 2), "MZ");
        EXPECT_TRUE(Strays(parent).empty());

        // Both help files as installed: left alone, contents not written.
        const std::string help = Slurp(in("KWT5D1jp.HLP"));
        for (const char* name : {"KWT5D1jp.DLL", "KWT5D1jp.HLP", "KWT5DSjp.HLP"}) {
            SetOld(in(name));
        }
        ASSERT_TRUE(DeleteFileA(in("KWT5D1jp.cnt").c_str()));
        ASSERT_TRUE(DeleteFileA(in("KWT5DSjp.cnt").c_str()));
        ASSERT_EQ(Install("/L0"), 0u);
        EXPECT_FALSE(IsOld(in("KWT5D1jp.DLL"))) << "the library is always rewritten";
        EXPECT_TRUE(IsOld(in("KWT5D1jp.HLP")));
        EXPECT_TRUE(IsOld(in("KWT5DSjp.HLP")));
        EXPECT_EQ(List(folder), Sorted({"KWT5D1jp.DLL", "KWT5D1jp.HLP", "KWT5DSjp.HLP"}));

        // The driver's help file changed in its first bytes: replaced, and its
        // contents file written; the other pair stays as it is.
        {
            FILE* f = std::fopen(in("KWT5D1jp.HLP").c_str(), "r+b");
            ASSERT_NE(f, nullptr);
            std::fputc(help[0] ^ 0x55, f);
            std::fclose(f);
        }
        SetOld(in("KWT5D1jp.HLP"));
        ASSERT_EQ(Install("/L0"), 0u);
        EXPECT_EQ(Slurp(in("KWT5D1jp.HLP")), help);
        EXPECT_FALSE(IsOld(in("KWT5D1jp.HLP")));
        EXPECT_TRUE(IsOld(in("KWT5DSjp.HLP")));
        EXPECT_EQ(List(folder),
                  Sorted({"KWT5D1jp.DLL", "KWT5D1jp.HLP", "KWT5D1jp.cnt", "KWT5DSjp.HLP"}));
        EXPECT_TRUE(Strays(parent).empty());
        RemoveTree(folder);
    }
    RemoveTree(own);
    DeleteDirectoryKey();
}

} // namespace
