// Where the bridge looks for the library that the data file names: a copy of
// the double planted in the current directory or a PATH folder must never be
// loaded (its DllMain signals an event), while the program's folder, the
// system folder and a full path still work. Run through the shipped bridge
// and through the test build acting as a system without the search flags.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "rig.h"

namespace {
constexpr intptr_t kContext = Wide(0x5A5A0001, 0x6B6B0002);
constexpr char kPlanted[] = "zeltplant.dll";

std::string ProgramFolder() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

std::string SystemFolder() {
    char path[MAX_PATH];
    UINT n = GetSystemDirectoryA(path, MAX_PATH);
    return std::string(path, n) + "\\";
}

enum class Place { kCurrentDir, kPathFolder, kProgramFolder, kSystemFolder, kCurrentSub };

struct SearchCase {
    const char* what;
    Place place;
    const char* dataName; // null: the full path of the planted copy
    bool loads;
};

// Every refused case is one that LoadLibraryA itself would load (checked).
constexpr SearchCase kCases[] = {
    {"bare name, current directory", Place::kCurrentDir, kPlanted, false},
    {"bare name, PATH folder", Place::kPathFolder, kPlanted, false},
    {"bare name, program's folder", Place::kProgramFolder, kPlanted, true},
    {"bare name, system folder", Place::kSystemFolder, kPlanted, true},
    {"bare name without .dll, program's folder", Place::kProgramFolder, "zeltplant", true},
    {"bare name without .dll, current directory", Place::kCurrentDir, "zeltplant", false},
    {"full path", Place::kCurrentDir, nullptr, true},
    {"dot-relative path", Place::kCurrentDir, ".\\zeltplant.dll", false},
    {"folder-relative path", Place::kCurrentSub, "sub\\zeltplant.dll", false},
    {"folder-relative path, forward slash", Place::kCurrentSub, "sub/zeltplant.dll", false},
};

// The modes of the test build's FaultSearchFlags.
constexpr DWORD kFlagsReal = 0;
constexpr DWORD kFlagsAbsent = 1;
constexpr DWORD kFlagsLoadFails = 2;

struct Bridge {
    const char* file;
    DWORD flags; // a mode for the test build, ignored for the shipped one
};
constexpr Bridge kBridges[] = {{"drvbridge.dll", kFlagsReal},
                               {"drvbridge_faults.dll", kFlagsAbsent}};

class Search : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        root_ = ProgramFolder() + "search_run\\";
        CreateDirectoryA(root_.c_str(), nullptr);
        CreateDirectoryA((root_ + "cwd").c_str(), nullptr);
        CreateDirectoryA((root_ + "cwd\\sub").c_str(), nullptr);
        CreateDirectoryA((root_ + "path").c_str(), nullptr);
    }
    void SetUp() override {
        EnsurePrinter();
        ResetLog(kContext);
        ran_ = CreateEventA(nullptr, TRUE, FALSE, kPlantedEvent);
        ASSERT_NE(ran_, nullptr);
        GetCurrentDirectoryA(MAX_PATH, savedDir_);
        DWORD n = GetEnvironmentVariableA("PATH", savedPath_, sizeof(savedPath_));
        ASSERT_LT(n, sizeof(savedPath_));
        ASSERT_TRUE(SetCurrentDirectoryA((root_ + "cwd").c_str()));
        ASSERT_TRUE(
            SetEnvironmentVariableA("PATH", (root_ + "path;" + std::string(savedPath_)).c_str()));
        RemoveCopies();
    }
    void TearDown() override {
        RemoveCopies();
        SetCurrentDirectoryA(savedDir_);
        SetEnvironmentVariableA("PATH", savedPath_);
        CloseHandle(ran_);
        WriteDataFile("*%restored\n");
    }
    static std::string PathOf(Place place) {
        switch (place) {
        case Place::kCurrentDir:
            return root_ + "cwd\\" + kPlanted;
        case Place::kPathFolder:
            return root_ + "path\\" + kPlanted;
        case Place::kProgramFolder:
            return ProgramFolder() + kPlanted;
        case Place::kSystemFolder:
            return SystemFolder() + kPlanted;
        case Place::kCurrentSub:
            return root_ + "cwd\\sub\\" + kPlanted;
        }
        return {};
    }
    static void RemoveCopies() {
        for (Place p : {Place::kCurrentDir, Place::kPathFolder, Place::kProgramFolder,
                        Place::kSystemFolder, Place::kCurrentSub})
            DeleteFileA(PathOf(p).c_str());
    }
    bool Ran() const { return WaitForSingleObject(ran_, 0) == WAIT_OBJECT_0; }

    static inline std::string root_;
    HANDLE ran_ = nullptr;
    char savedDir_[MAX_PATH] = {};
    char savedPath_[32768] = {};
};

TEST_F(Search, PlantedLibrariesAreNeverLoaded) {
    for (const Bridge& bridge : kBridges) {
        HMODULE module = LoadLibraryA(bridge.file);
        ASSERT_NE(module, nullptr) << bridge.file;
        auto call = [module](const char* name, std::initializer_list<intptr_t> args) {
            return CallWord(GetProcAddress(module, name), name, args);
        };
        const bool faults = bridge.flags != kFlagsReal;
        if (faults) call("FaultSearchFlags", {static_cast<intptr_t>(bridge.flags)});

        for (const SearchCase& c : kCases) {
            SCOPED_TRACE(std::string(bridge.file) + ": " + c.what);
            const std::string copy = PathOf(c.place);
            ASSERT_TRUE(
                CopyFileA((ProgramFolder() + "planted\\" + kPlanted).c_str(), copy.c_str(), FALSE))
                << GetLastError();
            const std::string name = c.dataName != nullptr ? c.dataName : copy;
            WriteDataFile("*ExcDepDLLName: \"" + name + "\"\n");
            if (!c.loads) {
                // The plain search would take it: the case is a real plant.
                HMODULE plain = LoadLibraryA(name.c_str());
                ASSERT_NE(plain, nullptr) << "the plant is not reachable at all";
                FreeLibrary(plain);
                ASSERT_TRUE(Ran());
            }
            ResetEvent(ran_);
            ResetLog(kContext);

            void* h = reinterpret_cast<void*>(call("GetExclusive", {Arg(kPrinter)}));
            EXPECT_EQ(h != nullptr, c.loads);
            if (h != nullptr) call("FreeExclusive", {Arg(h)});
            const intptr_t ini[] = {Arg(kPrinter), 7, 8, 9};
            const LONG iniResult =
                static_cast<LONG>(call("GetDriverIniFileName", {ini[0], ini[1], ini[2], ini[3]}));
            const intptr_t dev[] = {Arg(kPrinter), 4, 5, 6, 7};
            const LONG devResult = static_cast<LONG>(
                call("GetDriverDevmode", {dev[0], dev[1], dev[2], dev[3], dev[4]}));
            if (c.loads) {
                const int64_t iniArgs[] = {ini[0], ini[1], ini[2], ini[3]};
                const int64_t devArgs[] = {dev[0], dev[1], dev[2], dev[3], dev[4]};
                EXPECT_EQ(iniResult, DoubleResult(kExcGetIniFileName, iniArgs, 4));
                EXPECT_EQ(devResult, DoubleResult(kExcGetDriverDevmode, devArgs, 5));
                EXPECT_TRUE(Ran());
            } else {
                EXPECT_EQ(iniResult, -1);
                EXPECT_EQ(devResult, -1);
                EXPECT_FALSE(Ran()) << "the planted library's DllMain ran";
                EXPECT_EQ(Log()->count, 0u);
            }
            EXPECT_EQ(GetModuleHandleA(kPlanted), nullptr) << "left loaded";
            EXPECT_TRUE(DeleteFileA(copy.c_str())) << GetLastError();
        }
        if (faults) call("FaultSearchFlags", {kFlagsReal});
        FreeLibrary(module);
    }
}

// Where the system has the search flags, a flagged load that fails (here with
// ERROR_INVALID_PARAMETER, the error systems without the flags give) is the
// answer: no load in the altered search order follows. The same names load
// with the flags working, and by the fallback on a system without them.
TEST_F(Search, FailedFlaggedLoadIsFinal) {
    struct Case {
        const char* what;
        Place place;
        const char* dataName; // null: the full path of the planted copy
        DWORD flags;
        bool loads;
    };
    const Case cases[] = {
        {"bare name, flags work", Place::kProgramFolder, kPlanted, kFlagsReal, true},
        {"bare name, flagged load fails", Place::kProgramFolder, kPlanted, kFlagsLoadFails, false},
        {"bare name, no flags", Place::kProgramFolder, kPlanted, kFlagsAbsent, true},
        {"full path, flags work", Place::kCurrentDir, nullptr, kFlagsReal, true},
        {"full path, flagged load fails", Place::kCurrentDir, nullptr, kFlagsLoadFails, false},
        {"full path, no flags", Place::kCurrentDir, nullptr, kFlagsAbsent, true},
    };
    HMODULE module = LoadLibraryA("drvbridge_faults.dll");
    ASSERT_NE(module, nullptr);
    auto call = [module](const char* name, std::initializer_list<intptr_t> args) {
        return CallWord(GetProcAddress(module, name), name, args);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string copy = PathOf(c.place);
        ASSERT_TRUE(
            CopyFileA((ProgramFolder() + "planted\\" + kPlanted).c_str(), copy.c_str(), FALSE))
            << GetLastError();
        WriteDataFile("*ExcDepDLLName: \"" +
                      std::string(c.dataName != nullptr ? c.dataName : copy) + "\"\n");
        ResetEvent(ran_);
        call("FaultSearchFlags", {static_cast<intptr_t>(c.flags)});
        void* h = reinterpret_cast<void*>(call("GetExclusive", {Arg(kPrinter)}));
        call("FaultSearchFlags", {kFlagsReal});
        EXPECT_EQ(h != nullptr, c.loads);
        EXPECT_EQ(Ran(), c.loads);
        if (h != nullptr) call("FreeExclusive", {Arg(h)});
        EXPECT_EQ(GetModuleHandleA(kPlanted), nullptr) << "left loaded";
        EXPECT_TRUE(DeleteFileA(copy.c_str())) << GetLastError();
    }
    FreeLibrary(module);
}
} // namespace
