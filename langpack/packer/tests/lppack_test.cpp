// lppack.exe as a driver team meets it: started with a command line, judged
// by its exit code, its messages and the files it leaves; the programs it
// writes are then started as the driver's installer starts langpack.exe.
// Changes HKCU (the target directory), so it runs under the "registry" lock.

#include <windows.h>
#include <imagehlp.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "pe_image.h"
#include "support/program_files.h"

namespace {

using namespace program_files;

constexpr DWORD kOk = 0;
constexpr DWORD kRefused = 1;
constexpr DWORD kUsage = 2;
const char* const kCodes[] = {"jp", "us", "cz", "dn", "gm", "sp", "fr", "it", "hn", "dt",
                              "nw", "pl", "pr", "fn", "sw", "ru", "cs", "ct", "kr", "he"};
const char* const kStems[] = {"KWT5D1", "KWT5D1", "KWT5D1", "KWT5DS", "KWT5DS"};
const char* const kExtensions[] = {".DLL", ".HLP", ".cnt", ".HLP", ".cnt"};

struct Outcome {
    DWORD code = 0xDEAD;
    std::string output; // stdout and stderr
};

std::string Work() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "lppack-test-" + std::to_string(GetCurrentProcessId());
}

void Spit(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    ASSERT_EQ(std::fclose(f), 0);
}

std::string FileName(int set, int member) {
    char name[16];
    std::snprintf(name, sizeof name, "file%04d.%03d", set, member);
    return name;
}

// Starts `app` with the exact line `args`, its output into a file, in the
// current folder `cwd` (else ours). The variable SOURCE_DATE_EPOCH is set to
// `epoch` for it, or removed.
Outcome Start(const std::string& app, const std::string& args, const char* epoch = nullptr,
              const char* cwd = nullptr) {
    Outcome run;
    const std::string log = Work() + "\\run.log";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot make " << log;
        return run;
    }
    SetEnvironmentVariableA("SOURCE_DATE_EPOCH", epoch);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION process = {};
    std::string line = "\"" + app + "\" " + args;
    if (CreateProcessA(app.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, cwd, &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &run.code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        ADD_FAILURE() << "CreateProcessA " << app << ": " << GetLastError();
    }
    SetEnvironmentVariableA("SOURCE_DATE_EPOCH", nullptr);
    CloseHandle(out);
    run.output = Slurp(log);
    DeleteFileA(log.c_str());
    return run;
}

std::string Lppack() {
    return ProgramDir() + "\\lppack.exe";
}

Outcome Pack(const std::string& dir, const std::string& into, const std::string& out,
             const std::string& extra = "", const char* epoch = nullptr) {
    return Start(Lppack(),
                 "--dir \"" + dir + "\" --into \"" + into + "\" --out \"" + out + "\"" + extra,
                 epoch);
}

// The "DEVFILE" members of a program, as the resource lookup gives them.
std::vector<std::string> Members(const std::string& program) {
    std::vector<std::string> members;
    HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) return members;
    for (int id = 101; id <= 200; ++id) {
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), "DEVFILE");
        if (found == nullptr) break;
        const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
        members.emplace_back(data, SizeofResource(module, found));
    }
    FreeLibrary(module);
    return members;
}

void SetTarget(const std::string& dir) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\KAVEN\\ZeltDrv", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "_ZELTDirectory", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(dir.c_str()),
                             static_cast<DWORD>(dir.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// A folder holding copies of the build's own payload inputs (inputs.txt
// lists them, one host path a line).
std::string CopySampleFiles(const std::string& dir) {
    CreateDirectoryA(dir.c_str(), nullptr);
    std::string list = Slurp(ZELT_LPPACK_SAMPLE_LIST);
    int index = 0;
    for (std::size_t at = 0; at < list.size() && index < 100; ++index) {
        std::size_t end = list.find('\n', at);
        std::string path = "Z:" + list.substr(at, end - at);
        for (char& c : path)
            if (c == '/') c = '\\';
        const std::string to = dir + "\\" + FileName(index / 5, index % 5 + 1);
        if (!CopyFileA(path.c_str(), to.c_str(), FALSE)) ADD_FAILURE() << "copy " << path;
        at = end + 1;
    }
    EXPECT_EQ(index, 100);
    return dir;
}

class Lppack : public testing::Test {
  protected:
    void SetUp() override {
        RemoveTree(Work());
        ASSERT_TRUE(CreateDirectoryA(Work().c_str(), nullptr));
    }
    void TearDown() override { RemoveTree(Work()); }
};

// The measuring payload (not the sample set) packed into the built program,
// then several sets installed and compared with their files byte for byte.
TEST_F(Lppack, PackedProgramInstallsTheNewFiles) {
    const std::string out = ZELT_LPPACK_OUT;
    DeleteFileA(out.c_str());
    const Outcome run = Pack(ZELT_LPPACK_BENCH_DIR, Langpack(), out, " --time 1700000000");
    ASSERT_EQ(run.code, kOk) << run.output;
    EXPECT_NE(run.output.find("every member read back and checked"), std::string::npos)
        << run.output;
    // The header checksum as the system's own image helper computes it.
    DWORD header = 0;
    DWORD computed = 0;
    ASSERT_EQ(MapFileAndCheckSumA(out.c_str(), &header, &computed), CHECKSUM_SUCCESS);
    EXPECT_EQ(header, computed);
    EXPECT_NE(header, 0u);
    const std::string folder = out.substr(0, out.find_last_of('\\'));
    EXPECT_EQ(List(folder), std::vector<std::string>{out.substr(folder.size() + 1)})
        << "only the program is left in its folder";
    // Sets with files of their own and sets that share files with others.
    for (int set : {0, 1, 2, 8, 16, 17, 19}) {
        SCOPED_TRACE(set);
        const std::string target = Work() + "\\target" + std::to_string(set);
        ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
        SetTarget(target);
        EXPECT_EQ(program_files::Start(out, "\"" + out + "\" /L" + std::to_string(set)), kOk);
        EXPECT_EQ(List(target).size(), 5u);
        for (int m = 0; m < 5; ++m) {
            const std::string installed = target + "\\" + kStems[m] + kCodes[set] + kExtensions[m];
            const std::string source =
                std::string(ZELT_LPPACK_BENCH_DIR) + "\\" + FileName(set, m + 1);
            const std::string want = Slurp(source);
            ASSERT_FALSE(want.empty()) << source;
            EXPECT_TRUE(Slurp(installed) == want) << installed << " differs from " << source;
        }
    }
}

TEST_F(Lppack, SameFilesAndTimeGiveTheSameProgram) {
    const std::string a = Work() + "\\a.exe";
    const std::string b = Work() + "\\b.exe";
    const std::string c = Work() + "\\c.exe";
    const std::string d = Work() + "\\d.exe";
    ASSERT_EQ(Pack(ZELT_LPPACK_BENCH_DIR, Langpack(), a, " --time 1700000000").code, kOk);
    ASSERT_EQ(Pack(ZELT_LPPACK_BENCH_DIR, Langpack(), b, " --time 1700000000").code, kOk);
    // SOURCE_DATE_EPOCH stands in for --time; --time wins over it.
    ASSERT_EQ(Pack(ZELT_LPPACK_BENCH_DIR, Langpack(), c, "", "1700000000").code, kOk);
    ASSERT_EQ(Pack(ZELT_LPPACK_BENCH_DIR, Langpack(), d, " --time 1700000001", "1700000000").code,
              kOk);
    const std::string bytes = Slurp(a);
    ASSERT_FALSE(bytes.empty());
    EXPECT_TRUE(Slurp(b) == bytes);
    EXPECT_TRUE(Slurp(c) == bytes);
    const std::string other = Slurp(d);
    ASSERT_EQ(other.size(), bytes.size());
    EXPECT_FALSE(other == bytes) << "another time must show in the members";
}

// The build's own inputs give the build's own members, whether the time is
// given or, by default, taken from the program packed into.
TEST_F(Lppack, SampleFilesGiveTheBuildsMembers) {
    const std::string dir = CopySampleFiles(Work() + "\\sample");
    std::vector<std::string> built;
    for (int i = 0; i < 100; ++i)
        built.push_back(
            Slurp(std::string(ZELT_LPPACK_PACKED) + "\\" + FileName(i / 5, i % 5 + 1) + ".gz"));
    const std::string& first = built[0];
    ASSERT_GE(first.size(), 8u);
    const unsigned long mtime =
        static_cast<unsigned char>(first[4]) | static_cast<unsigned char>(first[5]) << 8 |
        static_cast<unsigned char>(first[6]) << 16 |
        static_cast<unsigned long>(static_cast<unsigned char>(first[7])) << 24;
    const std::string byDefault = Work() + "\\default.exe";
    const std::string byTime = Work() + "\\time.exe";
    ASSERT_EQ(Pack(dir, Langpack(), byDefault).code, kOk);
    ASSERT_EQ(Pack(dir, Langpack(), byTime, " --time " + std::to_string(mtime)).code, kOk);
    EXPECT_TRUE(Members(byDefault) == built);
    EXPECT_TRUE(Members(byTime) == built);
    EXPECT_TRUE(Members(Langpack()) == built) << "the build's program carries its packed members";
}

// A signed program is taken, its signature dropped: the result equals the
// one made from the unsigned program, and the message asks for signing.
TEST_F(Lppack, SignedInputGivesTheUnsignedResult) {
    const std::string fromSigned = Work() + "\\signed.exe";
    const std::string fromPlain = Work() + "\\plain.exe";
    ASSERT_NE(Slurp(ZELT_LPPACK_SIGNED), Slurp(Langpack())) << "the signed copy is signed";
    const Outcome run = Pack(ZELT_LPPACK_BENCH_DIR, ZELT_LPPACK_SIGNED, fromSigned, " --time 5");
    ASSERT_EQ(run.code, kOk) << run.output;
    EXPECT_NE(run.output.find("sign " + fromSigned + " again"), std::string::npos) << run.output;
    ASSERT_EQ(Pack(ZELT_LPPACK_BENCH_DIR, Langpack(), fromPlain, " --time 5").code, kOk);
    EXPECT_TRUE(Slurp(fromSigned) == Slurp(fromPlain));
}

struct Refusal {
    const char* what;
    std::function<void(std::string& dir, std::string& into, std::string& out, std::string& extra)>
        arrange;
    DWORD code;
    std::vector<const char*> messages;
    const char* epoch = nullptr; // SOURCE_DATE_EPOCH for the run
};

std::string CopyBenchFiles(const std::string& dir) {
    CreateDirectoryA(dir.c_str(), nullptr);
    for (int i = 0; i < 100; ++i) {
        const std::string name = FileName(i / 5, i % 5 + 1);
        CopyFileA((std::string(ZELT_LPPACK_BENCH_DIR) + "\\" + name).c_str(),
                  (dir + "\\" + name).c_str(), FALSE);
    }
    return dir;
}

void Truncate(const std::string& path, LONGLONG size) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    LARGE_INTEGER at;
    at.QuadPart = size;
    EXPECT_TRUE(SetFilePointerEx(h, at, nullptr, FILE_BEGIN));
    EXPECT_TRUE(SetEndOfFile(h));
    CloseHandle(h);
}

// langpack.exe without its last member (id 200), written by the packer's
// own rewriting code so that everything else stays well formed.
std::string LangpackWithoutLastMember(const std::string& path) {
    const std::string bytes = Slurp(Langpack());
    PeImage pe;
    ResTree tree;
    Bytes out;
    EXPECT_EQ(ParsePe(Bytes(bytes.begin(), bytes.end()), pe), "");
    EXPECT_EQ(ReadResources(pe, tree), "");
    for (ResType& t : tree.types)
        if (&t == FindType(tree, "DEVFILE")) t.names.pop_back();
    EXPECT_EQ(WriteWithResources(pe, tree, out), "");
    Spit(path, std::string(out.begin(), out.end()));
    return path;
}

// langpack.exe with one UTF-16 text of its version block changed.
std::string PatchedLangpack(const std::string& path) {
    std::string bytes = Slurp(Langpack());
    const std::string from("Z\0e\0l\0t\0D\0r\0v\0", 14);
    for (std::size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from))
        bytes[at] = 'Q';
    Spit(path, bytes);
    return path;
}

const Refusal kRefusals[] = {
    {"a missing file",
     [](auto& dir, auto&, auto&, auto&) {
         DeleteFileA((CopyBenchFiles(dir) + "\\file0007.003").c_str());
     },
     kRefused,
     {"file0007.003: No such file or directory"}},
    {"an empty file",
     [](auto& dir, auto&, auto&, auto&) { Truncate(CopyBenchFiles(dir) + "\\file0003.002", 0); },
     kRefused,
     {"file0003.002: empty file"}},
    {"a file of 4 GiB",
     [](auto& dir, auto&, auto&, auto&) {
         Truncate(CopyBenchFiles(dir) + "\\file0019.005", 0x100000000LL);
     },
     kRefused,
     {"file0019.005: file of 4 GiB or more"}},
    {"two bad files, both named",
     [](auto& dir, auto&, auto&, auto&) {
         CopyBenchFiles(dir);
         DeleteFileA((dir + "\\file0000.001").c_str());
         Truncate(dir + "\\file0012.004", 0);
     },
     kRefused,
     {"file0000.001: No such file or directory", "file0012.004: empty file"}},
    {"a missing folder",
     [](auto& dir, auto&, auto&, auto&) { dir += "-missing"; },
     kRefused,
     {"-missing: cannot open the folder"}},
    {"a file as the folder",
     [](auto& dir, auto&, auto&, auto&) { Spit(dir, "x"); },
     kRefused,
     {"files: not a folder"}},
    {"a missing input",
     [](auto& dir, auto& into, auto&, auto&) {
         CopyBenchFiles(dir);
         into = Work() + "\\none.exe";
     },
     kRefused,
     {"none.exe: No such file or directory"}},
    {"an input that is no program",
     [](auto& dir, auto& into, auto&, auto&) {
         CopyBenchFiles(dir);
         into = Work() + "\\text.exe";
         Spit(into, "just some text, long enough to be read as a header of sixty-four bytes");
     },
     kRefused,
     {"text.exe: not a Windows program (no MZ header): not langpack.exe"}},
    {"a console program as the input",
     [](auto& dir, auto& into, auto&, auto&) {
         CopyBenchFiles(dir);
         into = Lppack();
     },
     kRefused,
     {"lppack.exe: not a windowed program like langpack.exe"}},
    {"a langpack.exe of another product",
     [](auto& dir, auto& into, auto&, auto&) {
         CopyBenchFiles(dir);
         into = PatchedLangpack(Work() + "\\other.exe");
     },
     kRefused,
     {"other.exe: its version block is not langpack.exe's of ZeltDrv"}},
    {"a langpack.exe with 99 members",
     [](auto& dir, auto& into, auto&, auto&) {
         CopyBenchFiles(dir);
         into = LangpackWithoutLastMember(Work() + "\\short.exe");
     },
     kRefused,
     {"short.exe: holds 99 \"DEVFILE\" resources, not 100: not langpack.exe"}},
    // Both once wrote past the end of the new program or ran out of memory
    // (craft_pe.py makes them from the built program).
    {"the headers after the resource section",
     [](auto& dir, auto& into, auto&, auto&) {
         CopyBenchFiles(dir);
         into = std::string(ZELT_LPPACK_CRAFTED) + "\\header_after_resources.exe";
     },
     kRefused,
     {"header_after_resources.exe: section .text starts before the end of the PE header and "
      "section table: not langpack.exe"}},
    {"10^8 leaves through shared subdirectories",
     [](auto& dir, auto& into, auto&, auto&) {
         CopyBenchFiles(dir);
         into = std::string(ZELT_LPPACK_CRAFTED) + "\\shared_subdirectories.exe";
     },
     kRefused,
     {"shared_subdirectories.exe: a resource directory is reached twice (shared "
      "subdirectories): not langpack.exe"}},
    {"a bad SOURCE_DATE_EPOCH",
     [](auto& dir, auto&, auto&, auto&) { CopyBenchFiles(dir); },
     kRefused,
     {"SOURCE_DATE_EPOCH: not a Unix time of 32 bits: yesterday"},
     "yesterday"},
    {"an output in a missing folder",
     [](auto& dir, auto&, auto& out, auto&) {
         CopyBenchFiles(dir);
         out = Work() + "\\out\\missing\\new.exe";
     },
     kRefused,
     {"new.exe: cannot write a file in"}},
    {"an output that is a folder",
     [](auto& dir, auto&, auto& out, auto&) {
         CopyBenchFiles(dir);
         CreateDirectoryA(out.c_str(), nullptr);
     },
     kRefused,
     {"new.exe: cannot be written:"}},
    {"a bad --time",
     [](auto& dir, auto&, auto&, auto& extra) {
         CopyBenchFiles(dir);
         extra = " --time 4294967296";
     },
     kUsage,
     {"--time 4294967296: not a Unix time of 32 bits"}},
    {"a --version of three parts",
     [](auto& dir, auto&, auto&, auto& extra) {
         CopyBenchFiles(dir);
         extra = " --version 1.2.3";
     },
     kUsage,
     {"--version 1.2.3: not four numbers 0-65535"}},
    {"a --version part above 65535",
     [](auto& dir, auto&, auto&, auto& extra) {
         CopyBenchFiles(dir);
         extra = " --version 1.2.3.65536";
     },
     kUsage,
     {"--version 1.2.3.65536: not four numbers 0-65535"}},
    {"an unknown option",
     [](auto& dir, auto&, auto&, auto& extra) {
         CopyBenchFiles(dir);
         extra = " --force yes";
     },
     kUsage,
     {"usage: lppack.exe --dir FOLDER --into langpack.exe --out NEW.exe"}},
};

// Each refusal: its exit code and message, and nothing new in the output's
// folder (no program, no temporary file).
TEST_F(Lppack, RefusesAndLeavesNoOutput) {
    for (const Refusal& r : kRefusals) {
        SCOPED_TRACE(r.what);
        const std::string outDir = Work() + "\\out";
        RemoveTree(outDir);
        RemoveTree(Work() + "\\files");
        DeleteFileA((Work() + "\\files").c_str());
        ASSERT_TRUE(CreateDirectoryA(outDir.c_str(), nullptr));
        std::string dir = Work() + "\\files";
        std::string into = Langpack();
        std::string out = outDir + "\\new.exe";
        std::string extra;
        r.arrange(dir, into, out, extra);
        const std::vector<std::string> before = List(outDir);
        const Outcome run = Pack(dir, into, out, extra, r.epoch);
        EXPECT_EQ(run.code, r.code) << run.output;
        for (const char* message : r.messages)
            EXPECT_NE(run.output.find(message), std::string::npos)
                << "wanted: " << message << "\ngot: " << run.output;
        EXPECT_EQ(List(outDir), before) << run.output;
        std::printf("%-34s exit %lu: %s", r.what, static_cast<unsigned long>(run.code),
                    run.output.c_str());
    }
}

// A program's version as the system's version reader gives it: the fixed
// file and product versions, and the strings of the block's one table.
struct VersionSeen {
    DWORD fileMs = 0, fileLs = 0, productMs = 0, productLs = 0;
    std::string fileVersion, productVersion, company, original;
};

bool ReadVersion(const std::string& program, VersionSeen& seen) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(program.c_str(), &ignored);
    std::vector<char> block(size);
    if (size == 0 || !GetFileVersionInfoA(program.c_str(), 0, size, block.data())) return false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length))
        return false;
    seen.fileMs = fixed->dwFileVersionMS;
    seen.fileLs = fixed->dwFileVersionLS;
    seen.productMs = fixed->dwProductVersionMS;
    seen.productLs = fixed->dwProductVersionLS;
    const std::pair<const char*, std::string*> strings[] = {
        {"FileVersion", &seen.fileVersion},
        {"ProductVersion", &seen.productVersion},
        {"CompanyName", &seen.company},
        {"OriginalFilename", &seen.original}};
    for (const auto& [key, value] : strings) {
        char* text = nullptr;
        const std::string path = std::string("\\StringFileInfo\\040904B0\\") + key;
        if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&text), &length))
            return false;
        *value = text;
    }
    return true;
}

// --version puts the team's version into the fixed fields and both strings
// (shorter and longer than the build's), and leaves the rest of the block.
TEST_F(Lppack, VersionGoesIntoTheVersionBlock) {
    struct Case {
        const char* version;
        DWORD ms, ls;
    };
    const Case cases[] = {
        {"7.8.9.10", 0x00070008, 0x0009000A},
        {"0.0.0.0", 0, 0},
        {"65535.65535.65535.65535", 0xFFFFFFFF, 0xFFFFFFFF},
    };
    VersionSeen built;
    ASSERT_TRUE(ReadVersion(Langpack(), built));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        const std::string out = Work() + "\\versioned.exe";
        const Outcome run = Pack(ZELT_LPPACK_BENCH_DIR, Langpack(), out,
                                 std::string(" --time 5 --version ") + c.version);
        ASSERT_EQ(run.code, kOk) << run.output;
        VersionSeen seen;
        ASSERT_TRUE(ReadVersion(out, seen));
        EXPECT_EQ(seen.fileMs, c.ms);
        EXPECT_EQ(seen.fileLs, c.ls);
        EXPECT_EQ(seen.productMs, c.ms);
        EXPECT_EQ(seen.productLs, c.ls);
        EXPECT_EQ(seen.fileVersion, c.version);
        EXPECT_EQ(seen.productVersion, c.version);
        EXPECT_EQ(seen.company, built.company);
        EXPECT_EQ(seen.original, "langpack.exe");
        EXPECT_EQ(Members(out).size(), 100u);
        DeleteFileA(out.c_str());
    }
}

// "--out C:new.exe" names a file in drive C:'s current folder; the temporary
// file goes beside it, not into the process's current folder (here the Unix
// /proc, where nothing can be written).
TEST_F(Lppack, DriveRelativeOutputIsWrittenBesideItself) {
    const std::string outDir = Work() + "\\out";
    ASSERT_EQ(outDir.compare(0, 2, "C:"), 0) << outDir;
    ASSERT_TRUE(CreateDirectoryA(outDir.c_str(), nullptr));
    ASSERT_TRUE(SetEnvironmentVariableA("=C:", outDir.c_str()));
    const Outcome run = Start(ProgramDir() + "\\lppack.exe",
                              "--dir \"" + std::string(ZELT_LPPACK_BENCH_DIR) + "\" --into \"" +
                                  Langpack() + "\" --out C:new.exe --time 5",
                              nullptr, "Z:\\proc");
    SetEnvironmentVariableA("=C:", nullptr);
    EXPECT_EQ(run.code, kOk) << run.output;
    EXPECT_EQ(List(outDir), std::vector<std::string>{"new.exe"}) << run.output;
    EXPECT_EQ(Members(outDir + "\\new.exe").size(), 100u);
}

// Run by lppack_tests_cp932 (LC_ALL=ja_JP.UTF-8): there the character
// U+8868 is the two bytes 0x95 0x5C, whose second byte is no separator.
TEST_F(Lppack, Cp932PathsAreJudgedByWholeCharacters) {
    ASSERT_EQ(GetACP(), 932u) << "runs in code page 932 only (LC_ALL=ja_JP.UTF-8)";
    const std::string hyo = "\x95\x5C";
    struct Case {
        const char* what;
        std::string dir;
        std::string name; // of the output, in Work()\\out
    };
    const Case cases[] = {
        {"a folder ending in 0x95 0x5C", Work() + "\\files" + hyo, "new.exe"},
        {"an output named 0x95 0x5C .exe", Work() + "\\plain", hyo + ".exe"},
    };
    CopyBenchFiles(Work() + "\\files" + hyo);
    CopyBenchFiles(Work() + "\\plain");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string outDir = Work() + "\\out";
        RemoveTree(outDir);
        ASSERT_TRUE(CreateDirectoryA(outDir.c_str(), nullptr));
        const Outcome run = Pack(c.dir, Langpack(), outDir + "\\" + c.name, " --time 5");
        EXPECT_EQ(run.code, kOk) << run.output;
        EXPECT_EQ(List(outDir), std::vector<std::string>{c.name}) << run.output;
        EXPECT_EQ(Members(outDir + "\\" + c.name).size(), 100u);
    }
}

} // namespace
