// ExtractPayloadMember against this test program's own "DEVFILE" members
// (made by data/make_members.py), each case in a scratch folder of its own.

// GCC 12 at -O3 reports a false -Wrestrict inside std::string concatenation.
#pragma GCC diagnostic ignored "-Wrestrict"

#include "extract.h"
#include "file_ops.h"
#include "support/member_files.h"
#include "support/program_files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
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

// Something that is not ours, standing where a temporary file might go.
enum class Obstacle { kReadOnlyFile, kDirectory, kHeldFile };

const Bytes kObstacleBytes = {'s', 't', 'a', 'l', 'e'};

// Returns the handle that holds a kHeldFile open (share mode 0), else null.
HANDLE PlaceObstacle(const std::string& path, Obstacle kind) {
    if (kind == Obstacle::kDirectory) {
        EXPECT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path;
        return nullptr;
    }
    WriteFile(path, kObstacleBytes);
    if (kind == Obstacle::kReadOnlyFile) {
        EXPECT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY)) << path;
        return nullptr;
    }
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(held, INVALID_HANDLE_VALUE) << path;
    return held;
}

void ExpectObstacleUntouched(const std::string& path, Obstacle kind) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << path << " is gone";
    if (kind == Obstacle::kDirectory) {
        EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY) << path;
        EXPECT_TRUE(Listing(path).empty()) << path;
        return;
    }
    EXPECT_FALSE(attributes & FILE_ATTRIBUTE_DIRECTORY) << path;
    EXPECT_EQ((attributes & FILE_ATTRIBUTE_READONLY) != 0, kind == Obstacle::kReadOnlyFile) << path;
    EXPECT_EQ(ReadFile(path), kObstacleBytes) << path;
}

std::string NameOf(const std::string& path) {
    return path.substr(path.find_last_of('\\') + 1);
}

// A stale "<target>~" of an earlier version, and names this process would
// try for its temporary file, taken by things that are not ours: none of them
// may stop the member or be changed by it. With every candidate taken the
// member fails and the target stays as it was.
TEST_F(Extract, TemporaryFileNeverMeetsAnotherFile) {
    const Bytes data = Raw(kGood);
    const Bytes old = {'o', 'l', 'd'};
    const std::string target = Path("KWT5D1us.HLP");
    struct Case {
        const char* name;
        Obstacle kind;
        uint32_t takenCandidates; // 0: the obstacle is "<target>~"
        int32_t result;
    };
    const Case cases[] = {
        {"stale ~, read-only", Obstacle::kReadOnlyFile, 0, EXTRACT_WRITTEN},
        {"stale ~, a directory", Obstacle::kDirectory, 0, EXTRACT_WRITTEN},
        {"stale ~, held open", Obstacle::kHeldFile, 0, EXTRACT_WRITTEN},
        {"first candidate read-only", Obstacle::kReadOnlyFile, 1, EXTRACT_WRITTEN},
        {"first three candidates directories", Obstacle::kDirectory, 3, EXTRACT_WRITTEN},
        {"all but the last candidate held open", Obstacle::kHeldFile, kTempNameAttempts - 1,
         EXTRACT_WRITTEN},
        {"every candidate a directory", Obstacle::kDirectory, kTempNameAttempts, EXTRACT_FAILED},
        {"every candidate read-only", Obstacle::kReadOnlyFile, kTempNameAttempts, EXTRACT_FAILED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveTree(dir_);
        ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr));
        WriteFile(target, old);

        std::vector<std::string> obstacles;
        if (c.takenCandidates == 0) {
            obstacles.push_back(target + "~");
        }
        for (uint32_t k = 0; k < c.takenCandidates; ++k) {
            char candidate[MAX_PATH] = {};
            ASSERT_EQ(FormTempPath(candidate, sizeof candidate, target.c_str(), k), 1);
            obstacles.push_back(candidate);
        }
        std::set<std::string> names = {"KWT5D1us.HLP"};
        std::vector<HANDLE> held;
        for (const std::string& o : obstacles) {
            names.insert(NameOf(o));
            if (HANDLE h = PlaceObstacle(o, c.kind)) {
                held.push_back(h);
            }
        }

        EXPECT_EQ(ExtractPayloadMember(kGood, target.c_str(), 1), c.result);
        for (HANDLE h : held) {
            CloseHandle(h);
        }
        EXPECT_EQ(ReadFile(target), c.result == EXTRACT_WRITTEN ? data : old);
        for (const std::string& o : obstacles) {
            ExpectObstacleUntouched(o, c.kind);
        }
        ExpectOnly(names);
    }
}

// The candidates: twelve characters in the target's folder, all different,
// and the folder found by characters, not bytes.
TEST_F(Extract, TemporaryFileNames) {
    struct Case {
        const char* target;
        const char* folder;
    };
    const Case cases[] = {
        {"KWT5D1us.DLL", ""},
        {"C:\\_zelt\\KWT5D1us.DLL", "C:\\_zelt\\"},
        {"rel\\sub/KWT5DSus.cnt", "rel\\sub/"},
        {"C:KWT5D1us.HLP", "C:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        std::set<std::string> seen;
        for (uint32_t k = 0; k < kTempNameAttempts; ++k) {
            char candidate[MAX_PATH] = {};
            ASSERT_EQ(FormTempPath(candidate, sizeof candidate, c.target, k), 1);
            const std::string path = candidate;
            ASSERT_EQ(path.size(), std::string(c.folder).size() + kTempNameLength) << path;
            EXPECT_EQ(path.substr(0, std::string(c.folder).size()), c.folder);
            const std::string name = path.substr(std::string(c.folder).size());
            EXPECT_EQ(name.substr(0, 3), "~lp") << name;
            EXPECT_EQ(name.substr(8), ".tmp") << name;
            EXPECT_EQ(name.find_first_not_of("0123456789abcdef", 3), 8u) << name;
            seen.insert(path);
        }
        EXPECT_EQ(seen.size(), kTempNameAttempts);
    }
    // Too small a buffer; a folder of 248 characters with its separator
    // (a 260-character candidate) and one of 247 (259 characters).
    char small[12] = {};
    EXPECT_EQ(FormTempPath(small, sizeof small, "KWT5D1us.DLL", 0), 0);
    const std::string deep = std::string(247, 'd') + "\\KWT5D1us.DLL";
    char candidate[MAX_PATH] = {};
    EXPECT_EQ(FormTempPath(candidate, sizeof candidate, deep.c_str(), 0), 0);
    EXPECT_EQ(FormTempPath(candidate, sizeof candidate, deep.c_str() + 1, 0), 1);
}

// A target of 259 characters, the longest path Windows allows, is written
// through a temporary path as long. At 260 Windows has no such path (MAX_PATH
// counts the terminator; Wine is laxer), and the member fails before
// anything is made.
TEST_F(Extract, LongestTargetPath) {
    char cwd[MAX_PATH] = {};
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, cwd), 0u);
    const std::string base = std::string(cwd) + "\\" + dir_;
    const std::string name = "KWT5D1us.HLP";
    struct Case {
        size_t length;
        bool previous;
        int32_t result;
    };
    const Case cases[] = {
        {259, false, EXTRACT_WRITTEN},
        {259, true, EXTRACT_WRITTEN},
        {260, false, EXTRACT_FAILED},
    };
    const Bytes data = Raw(kGood);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.length << (c.previous ? ", previous" : ""));
        RemoveTree(dir_);
        ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr));
        const std::string folder =
            program_files::MakeFolderOfLength(base, c.length - 1 - name.size());
        ASSERT_FALSE(folder.empty());
        const std::string target = folder + "\\" + name;
        ASSERT_EQ(target.size(), c.length);
        if (c.previous) {
            WriteFile(target, {'o', 'l', 'd'});
        }
        EXPECT_EQ(ExtractPayloadMember(kGood, target.c_str(), 1), c.result);
        if (c.result == EXTRACT_WRITTEN) {
            EXPECT_EQ(ReadFile(target), data);
            EXPECT_EQ(Listing(folder), std::set<std::string>{name});
        } else {
            EXPECT_TRUE(Listing(folder).empty());
        }
    }
}

TEST_F(Extract, MatchesExistingFile) {
    const Bytes data = Raw(kGood);
    const std::string p = Path("m.bin");
    EXPECT_EQ(MatchesExistingFile(p.c_str(), data.data()), 0);
    WriteFile(p, Bytes(data.begin(), data.begin() + 256));
    EXPECT_EQ(MatchesExistingFile(p.c_str(), data.data()), 1);
    WriteFile(p, Bytes(data.begin(), data.begin() + 10));
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(MatchesExistingFile(p.c_str(), data.data()), EXTRACT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HANDLE_EOF)) << "a shorter file's cause";
    EXPECT_EQ(MatchesExistingFile(dir_.c_str(), data.data()), EXTRACT_FAILED);
}

// The file calls of one member, recorded in order through the seam and
// passed on to the system, except the one step a case makes fail (its error
// given `times` times, then the real call). Pauses are recorded, not slept.
struct Recorder {
    std::vector<std::string> calls;
    std::string failing;
    DWORD error = 0;
    int times = 0;
    uint32_t slept = 0;
};
Recorder g_rec;

bool Fails(const char* step) {
    g_rec.calls.push_back(step);
    if (g_rec.failing != step || g_rec.times == 0) {
        return false;
    }
    --g_rec.times;
    g_rec.calls.back() += "!";
    SetLastError(g_rec.error);
    return true;
}

HANDLE WINAPI RecCreate(LPCSTR p, DWORD a, DWORD s, LPSECURITY_ATTRIBUTES sa, DWORD c, DWORD f,
                        HANDLE t) {
    return Fails("create") ? INVALID_HANDLE_VALUE : CreateFileA(p, a, s, sa, c, f, t);
}
BOOL WINAPI RecWrite(HANDLE h, LPCVOID d, DWORD n, LPDWORD w, LPOVERLAPPED o) {
    return Fails("write") ? FALSE : WriteFile(h, d, n, w, o);
}
BOOL WINAPI RecFlush(HANDLE h) {
    return Fails("flush") ? FALSE : FlushFileBuffers(h);
}
BOOL WINAPI RecRename(HANDLE h, FILE_INFO_BY_HANDLE_CLASS c, LPVOID i, DWORD n) {
    return Fails("rename") ? FALSE : SetFileInformationByHandle(h, c, i, n);
}
BOOL WINAPI RecClose(HANDLE h) {
    g_rec.calls.push_back("close");
    return CloseHandle(h);
}
BOOL WINAPI RecDelete(LPCSTR p) {
    g_rec.calls.push_back("delete");
    return DeleteFileA(p);
}
VOID WINAPI RecSleep(DWORD ms) {
    g_rec.calls.push_back("sleep");
    g_rec.slept += ms;
}
constexpr FileOps kRecordingOps = {RecCreate, RecWrite,  RecFlush, RecRename,
                                   RecClose,  RecDelete, RecSleep};

std::string Joined(const std::vector<std::string>& calls) {
    std::string out;
    for (const std::string& c : calls) {
        out += (out.empty() ? "" : " ") + c;
    }
    return out;
}

// Write, flush, rename, close for every member: the data reaches the disk
// before the target's name points at it. A failing step fails the member,
// the target stays as it was and the temporary file goes; a step that meets a
// file held by someone else is tried again after growing pauses, within the
// run's budget; a folder that cannot be written fails at once.
TEST_F(Extract, OrderOfFileCallsAndTheirFailures) {
    const Bytes old = {'o', 'l', 'd'};
    struct Case {
        const char* name;
        const char* failing;
        DWORD error;
        int times;
        int32_t result;
        const char* calls;
        uint32_t slept;
    };
    const Case cases[] = {
        {"nothing fails", "", 0, 0, EXTRACT_WRITTEN, "create write flush rename close", 0},
        {"create: access denied on a free name", "create", ERROR_ACCESS_DENIED, 1, EXTRACT_FAILED,
         "create!", 0},
        {"create: path not found", "create", ERROR_PATH_NOT_FOUND, 1, EXTRACT_FAILED, "create!", 0},
        {"create: sharing violation twice", "create", ERROR_SHARING_VIOLATION, 2, EXTRACT_WRITTEN,
         "create! sleep create! sleep create write flush rename close", 30},
        {"write fails", "write", ERROR_DISK_FULL, 1, EXTRACT_FAILED, "create write! close delete",
         0},
        {"flush fails", "flush", ERROR_WRITE_FAULT, 1, EXTRACT_FAILED,
         "create write flush! close delete", 0},
        {"rename: sharing violation once", "rename", ERROR_SHARING_VIOLATION, 1, EXTRACT_WRITTEN,
         "create write flush rename! sleep rename close", 10},
        {"rename: target busy (access denied) three times", "rename", ERROR_ACCESS_DENIED, 3,
         EXTRACT_WRITTEN,
         "create write flush rename! sleep rename! sleep rename! sleep rename close", 70},
        {"rename: lock violation for good", "rename", ERROR_LOCK_VIOLATION, 1000, EXTRACT_FAILED,
         nullptr, kRetryBudgetMs},
        {"rename: another error", "rename", ERROR_NOT_SAME_DEVICE, 1, EXTRACT_FAILED,
         "create write flush rename! close delete", 0},
    };
    const std::string target = Path("KWT5D1us.DLL");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(target, old);
        g_rec = Recorder{{}, c.failing, c.error, c.times, 0};
        ExtractRun run = NewExtractRun(&kRecordingOps);
        EXPECT_EQ(ExtractPayloadMember(kGood, target.c_str(), 0, &run), c.result);
        if (c.calls != nullptr) {
            EXPECT_EQ(Joined(g_rec.calls), c.calls);
        } else {
            // Pauses of 10, 20, 40 ... 250 ms until the budget is spent.
            const std::string calls = Joined(g_rec.calls);
            EXPECT_EQ(calls.substr(0, 35), "create write flush rename! sleep re");
            EXPECT_EQ(calls.substr(calls.size() - 26), "sleep rename! close delete");
        }
        EXPECT_EQ(g_rec.slept, c.slept);
        EXPECT_EQ(run.waitLeftMs, kRetryBudgetMs - c.slept);
        EXPECT_EQ(ReadFile(target), c.result == EXTRACT_WRITTEN ? Raw(kGood) : old);
        ExpectOnly({"KWT5D1us.DLL"});
    }
}

// A 600 KB member is one write; the flush follows the last write.
TEST_F(Extract, LargeMemberFlushedAfterItsLastWrite) {
    g_rec = Recorder{};
    ExtractRun run = NewExtractRun(&kRecordingOps);
    EXPECT_EQ(ExtractPayloadMember(kLarge, Path("big.bin").c_str(), 0, &run), EXTRACT_WRITTEN);
    EXPECT_EQ(Joined(g_rec.calls), "create write flush rename close");
    EXPECT_EQ(ReadFile(Path("big.bin")), Raw(kLarge));
}

// The budget is the run's: once spent, a held file fails at its first try.
TEST_F(Extract, RetryBudgetIsSharedByTheRun) {
    ExtractRun run = NewExtractRun(&kRecordingOps);
    g_rec = Recorder{{}, "rename", ERROR_SHARING_VIOLATION, 1000, 0};
    EXPECT_EQ(ExtractPayloadMember(kGood, Path("a.DLL").c_str(), 0, &run), EXTRACT_FAILED);
    EXPECT_EQ(run.waitLeftMs, 0u);
    g_rec = Recorder{{}, "rename", ERROR_SHARING_VIOLATION, 1000, 0};
    EXPECT_EQ(ExtractPayloadMember(kGood, Path("b.DLL").c_str(), 0, &run), EXTRACT_FAILED);
    EXPECT_EQ(Joined(g_rec.calls), "create write flush rename! close delete");
    ExpectOnly({});
}

// A folder the account cannot write to (under Wine, the Unix /sys, where
// creating a file is refused even to root): one create, no waiting.
TEST_F(Extract, UnwritableFolderFailsAtOnce) {
    const char* target = "Z:\\sys\\KWT5D1us.DLL";
    HANDLE probe = CreateFileA("Z:\\sys\\~lp-probe.tmp", GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_EQ(probe, INVALID_HANDLE_VALUE);
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    g_rec = Recorder{};
    ExtractRun run = NewExtractRun(&kRecordingOps);
    EXPECT_EQ(ExtractPayloadMember(kGood, target, 0, &run), EXTRACT_FAILED);
    EXPECT_EQ(Joined(g_rec.calls), "create");
    EXPECT_EQ(run.waitLeftMs, kRetryBudgetMs);
}

// Leftovers of dead runs go; a file someone holds (a live run's), a folder,
// and names not of this form stay.
TEST_F(Extract, LeftoverTemporaryFiles) {
    const Bytes bytes = {'x'};
    for (const char* name : {"~lp00001.tmp", "~lpfffff.tmp", "~lp00002.tmp", "~lp0001.tmp",
                             "~lp000001.tmp", "~lp0000g.tmp", "~lp00003.TMP", "other.tmp"}) {
        WriteFile(Path(name), bytes);
    }
    ASSERT_TRUE(CreateDirectoryA(Path("~lp00004.tmp").c_str(), nullptr));
    HANDLE live = CreateFileA(Path("~lp00002.tmp").c_str(), GENERIC_WRITE | DELETE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(live, INVALID_HANDLE_VALUE);
    RemoveLeftoverTempFiles((dir_ + "\\").c_str());
    CloseHandle(live);
    ExpectOnly({"~lp00002.tmp", "~lp0001.tmp", "~lp000001.tmp", "~lp0000g.tmp", "~lp00003.TMP",
                "other.tmp", "~lp00004.tmp"});
    EXPECT_TRUE(IsTempFileName("~lp3a07c.tmp"));
    EXPECT_FALSE(IsTempFileName("~lp3A07C.tmp"));
}

} // namespace
