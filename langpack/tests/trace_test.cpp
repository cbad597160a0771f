// What langpack.exe tells a debugger: the program run under the project's
// debugger (debug_capture), its OutputDebugString lines compared whole. The
// exit codes and files are those the program tests check without a debugger.
// Changes HKCU, so it runs under the "registry" lock.

// GCC 12 at -O3 reports a false -Wrestrict inside std::string concatenation.
#pragma GCC diagnostic ignored "-Wrestrict"

#include "debug_capture.h"
#include "support/program_files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

using namespace program_files;

// "{dir}" in a line stands for the target folder.
std::vector<std::string> Expand(const std::vector<std::string>& lines, const std::string& dir) {
    std::vector<std::string> out;
    for (std::string line : lines) {
        for (size_t at = line.find("{dir}"); at != std::string::npos; at = line.find("{dir}")) {
            line.replace(at, 5, dir);
        }
        out.push_back(line);
    }
    return out;
}

enum class Setup {
    kNone,
    kMissingFolder,
    kHeldLibrary,
    kSecondRun,
    kNoKey,
    kLeftover,
    kContentsFolder,
    kShortHelp
};

struct Case {
    const char* name;
    Setup setup;
    const char* switches;
    DWORD exitCode;
    std::vector<std::string> lines;
};

const Case kCases[] = {
    {"a successful run",
     Setup::kNone,
     "/L1",
     0,
     {
         "langpack: command line \"/L1\": set 1 (us)",
         "langpack: target folder \"{dir}\\\" from the registry value _ZELTDirectory",
         "langpack: {dir}\\KWT5D1us.DLL: written",
         "langpack: {dir}\\KWT5D1us.cnt: written",
         "langpack: {dir}\\KWT5D1us.HLP: written",
         "langpack: {dir}\\KWT5DSus.cnt: written",
         "langpack: {dir}\\KWT5DSus.HLP: written",
         "langpack: exit code 0",
     }},
    {"a leftover of a killed run",
     Setup::kLeftover,
     "/L1",
     0,
     {
         "langpack: command line \"/L1\": set 1 (us)",
         "langpack: target folder \"{dir}\\\" from the registry value _ZELTDirectory",
         "langpack: {dir}\\~lp12345.tmp: removed, left by a run that did not finish",
         "langpack: {dir}\\KWT5D1us.DLL: written",
         "langpack: {dir}\\KWT5D1us.cnt: written",
         "langpack: {dir}\\KWT5D1us.HLP: written",
         "langpack: {dir}\\KWT5DSus.cnt: written",
         "langpack: {dir}\\KWT5DSus.HLP: written",
         "langpack: exit code 0",
     }},
    {"a refused switch",
     Setup::kNone,
     "/X5",
     87,
     {"langpack: command line \"/X5\" refused: a switch that does not start with L; exit code 87"}},
    {"a number out of range",
     Setup::kNone,
     "/L20",
     87,
     {"langpack: command line \"/L20\" refused: a set number outside 0 to 19; exit code 87"}},
    {"a target folder that does not exist",
     Setup::kMissingFolder,
     "/L1",
     0xFFFFFFFFu,
     {
         "langpack: command line \"/L1\": set 1 (us)",
         "langpack: target folder \"{dir}\\\" from the registry value _ZELTDirectory",
         "langpack: {dir}\\KWT5D1us.DLL: failed at create, error 3",
         "langpack: exit code -1",
     }},
    {"a library held by another program for good",
     Setup::kHeldLibrary,
     "/L1",
     0xFFFFFFFFu,
     {
         "langpack: command line \"/L1\": set 1 (us)",
         "langpack: target folder \"{dir}\\\" from the registry value _ZELTDirectory",
         "langpack: {dir}\\KWT5D1us.DLL: move met error 5 (the file is held by another program), "
         "trying again for up to 2000 ms",
         "langpack: {dir}\\KWT5D1us.DLL: failed at move, error 5, after waiting out the run's "
         "2000 ms",
         "langpack: exit code -1",
     }},
    {"a folder in the place of a contents file",
     Setup::kContentsFolder,
     "/L1",
     0xFFFFFFFFu,
     {
         "langpack: command line \"/L1\": set 1 (us)",
         "langpack: target folder \"{dir}\\\" from the registry value _ZELTDirectory",
         "langpack: {dir}\\KWT5D1us.DLL: written",
         "langpack: {dir}\\KWT5D1us.cnt: failed at move, error 5",
         "langpack: {dir}\\KWT5D1us.HLP: not put in place, since its contents file failed",
         "langpack: exit code -1",
     }},
    {"a help file shorter than the 256 bytes compared",
     Setup::kShortHelp,
     "/L1",
     0,
     {
         "langpack: command line \"/L1\": set 1 (us)",
         "langpack: target folder \"{dir}\\\" from the registry value _ZELTDirectory",
         "langpack: {dir}\\KWT5D1us.DLL: written",
         "langpack: {dir}\\KWT5D1us.HLP: compare found the existing file shorter than 256 "
         "bytes, writing it anew",
         "langpack: {dir}\\KWT5D1us.cnt: written",
         "langpack: {dir}\\KWT5D1us.HLP: written",
         "langpack: {dir}\\KWT5DSus.cnt: written",
         "langpack: {dir}\\KWT5DSus.HLP: written",
         "langpack: exit code 0",
     }},
    {"a second run: both help files current",
     Setup::kSecondRun,
     "/L1",
     0,
     {
         "langpack: command line \"/L1\": set 1 (us)",
         "langpack: target folder \"{dir}\\\" from the registry value _ZELTDirectory",
         "langpack: {dir}\\KWT5D1us.DLL: written",
         "langpack: {dir}\\KWT5D1us.HLP: left as it is, its first 256 bytes are current",
         "langpack: {dir}\\KWT5D1us.cnt: not written, since its help file was left as it is",
         "langpack: {dir}\\KWT5DSus.HLP: left as it is, its first 256 bytes are current",
         "langpack: {dir}\\KWT5DSus.cnt: not written, since its help file was left as it is",
         "langpack: exit code 0",
     }},
    {"no registry key, no folder on the system drive",
     Setup::kNoKey,
     "/L1",
     0xFFFFFFFFu,
     {
         "langpack: command line \"/L1\": set 1 (us)",
         "langpack: target folder \"C:\\_zelt\\\" on the system drive, because the key "
         "HKCU\\SOFTWARE\\KAVEN\\ZeltDrv does not open",
         "langpack: C:\\_zelt\\KWT5D1us.DLL: failed at create, error 3",
         "langpack: exit code -1",
     }},
};

TEST(Trace, LinesOfEachCase) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string root =
        std::string(temp) + "langpack-trace-" + std::to_string(GetCurrentProcessId());
    const std::string langpack = ProgramDir() + "\\langpack.exe";
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        RemoveTree(root);
        std::string dir = root;
        HANDLE held = INVALID_HANDLE_VALUE;
        if (c.setup == Setup::kMissingFolder) {
            dir = root + "\\missing";
        } else {
            ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr));
        }
        if (c.setup == Setup::kLeftover) {
            FILE* f = std::fopen((root + "\\~lp12345.tmp").c_str(), "wb");
            ASSERT_NE(f, nullptr);
            std::fclose(f);
        }
        if (c.setup == Setup::kShortHelp) {
            FILE* f = std::fopen((root + "\\KWT5D1us.HLP").c_str(), "wb");
            ASSERT_NE(f, nullptr);
            std::fputs("an older, shorter help file\r\n", f);
            std::fclose(f);
        }
        if (c.setup == Setup::kContentsFolder) {
            ASSERT_TRUE(CreateDirectoryA((root + "\\KWT5D1us.cnt").c_str(), nullptr));
        }
        if (c.setup == Setup::kHeldLibrary) {
            const std::string library = root + "\\KWT5D1us.DLL";
            FILE* f = std::fopen(library.c_str(), "wb");
            ASSERT_NE(f, nullptr);
            std::fclose(f);
            held = CreateFileA(library.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(held, INVALID_HANDLE_VALUE);
        }
        SetDirectoryValue(dir);
        if (c.setup == Setup::kSecondRun) {
            ASSERT_EQ(Start(langpack, "\"" + langpack + "\" /L1"), 0u);
        }
        if (c.setup == Setup::kNoKey) {
            DeleteDirectoryKey();
            RemoveTree("C:\\_zelt");
        }

        CapturedRun run;
        ASSERT_TRUE(RunUnderDebugger(langpack.c_str(),
                                     ("\"" + langpack + "\" " + c.switches).c_str(), &run))
            << run.error;
        if (held != INVALID_HANDLE_VALUE) {
            CloseHandle(held);
        }
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.lines, Expand(c.lines, dir));
        for (const std::string& line : run.lines) {
            std::printf("%s\n", line.c_str());
        }
    }
    RemoveTree(root);
    DeleteDirectoryKey();
}

} // namespace
