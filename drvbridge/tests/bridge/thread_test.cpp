// Threads through the bridge: three printers whose data files name three
// libraries (one by bare name, found in the program's folder), handles opened
// and closed on every thread, one handle shared by all of them, one-shot
// calls in between. Every answer must be the single-threaded one, and at the
// end nothing may stay loaded or open.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "drvbridge.h"
#include "rig.h"

namespace {
constexpr intptr_t kContext = Wide(0x5A5A0001, 0x6B6B0002);
constexpr int kThreads = 8;
constexpr int kRounds = 40;           // per thread and printer
constexpr DWORD kTimeLimitMs = 60000; // a bound on the run, not a speed claim

struct PrinterSetup {
    const char* printer;
    const char* driver;
    const char* dataFile;
    const char* variant;
    bool bareName;
    bool hasIni;
    bool hasDevmode;
};

constexpr PrinterSetup kPrinters[] = {
    {kPrinter, "Zelt Bridge Test Driver", "zeltbt.ppd", "full", true, true, true},
    {"Zelt Bridge Test 2", "Zelt Bridge Test Driver 2", "zeltbt2.ppd", "no_ExcGetIniFileName",
     false, false, true},
    {"Zelt Bridge Test 3", "Zelt Bridge Test Driver 3", "zeltbt3.ppd", "no_ExcGetDriverDevmode",
     false, true, false},
};

struct Exports {
    decltype(&::GetDependDllName) dependName;
    decltype(&::GetExclusive) open;
    decltype(&::FreeExclusive) free;
    decltype(&::GetPrinterOption) printerOption;
    decltype(&::GetCommandValue) commandValue;
    decltype(&::GetDriverIniFileName) ini;
    decltype(&::GetDriverDevmode) devmode;
};

template <typename Fn> Fn Find(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(BridgeExport(name)));
}

Exports FindExports() {
    return {Find<decltype(&::GetDependDllName)>("GetDependDllName"),
            Find<decltype(&::GetExclusive)>("GetExclusive"),
            Find<decltype(&::FreeExclusive)>("FreeExclusive"),
            Find<decltype(&::GetPrinterOption)>("GetPrinterOption"),
            Find<decltype(&::GetCommandValue)>("GetCommandValue"),
            Find<decltype(&::GetDriverIniFileName)>("GetDriverIniFileName"),
            Find<decltype(&::GetDriverDevmode)>("GetDriverDevmode")};
}

std::string LibraryName(const PrinterSetup& p) {
    return p.bareName ? "exc_" + std::string(p.variant) + ".dll" : DoublePath(p.variant);
}

struct LoadRun {
    Exports x;
    HEXCLUSIVE shared;
    DWORD deadline;
    std::atomic<int> wrong{0};
    std::atomic<int> calls{0};
    std::atomic<int> timedOut{0};
};

// One printer's round: the single-threaded answers, or a wrong count.
int Round(const Exports& x, const PrinterSetup& p, HEXCLUSIVE shared, LONG_PTR t, LONG_PTR r) {
    int wrong = 0;
    char name[DRVBRIDGE_NAME_SIZE];
    if (x.dependName(p.printer, name) != 1 || LibraryName(p) != name) ++wrong;

    HEXCLUSIVE h = x.open(p.printer);
    if (h == nullptr) return wrong + 1;
    const int64_t po[] = {kContext, t, r, 3, 4};
    if (x.printerOption(h, t, r, 3, 4) != DoubleResult(kExcGetPrinterOption, po, 5)) ++wrong;
    const int64_t cv[] = {kContext, r, t, 5, 6, 7};
    if (x.commandValue(h, r, t, 5, 6, 7) != DoubleResult(kExcGetCommandValue, cv, 6)) ++wrong;
    x.free(h);

    // The shared handle, used by every thread between the others' calls.
    if (x.printerOption(shared, r, t, 1, 2) !=
        DoubleResult(kExcGetPrinterOption, std::array<int64_t, 5>{kContext, r, t, 1, 2}.data(), 5))
        ++wrong;

    const int64_t ini[] = {Arg(p.printer), t, r, 9};
    const LONG iniWant = p.hasIni ? DoubleResult(kExcGetIniFileName, ini, 4) : -1;
    if (x.ini(p.printer, t, r, 9) != iniWant) ++wrong;
    const int64_t dev[] = {Arg(p.printer), r, t, 8, 9};
    const LONG devWant = p.hasDevmode ? DoubleResult(kExcGetDriverDevmode, dev, 5) : -1;
    if (x.devmode(p.printer, r, t, 8, 9) != devWant) ++wrong;
    return wrong;
}

DWORD WINAPI Worker(void* param) {
    auto* run = static_cast<LoadRun*>(param);
    static std::atomic<int> next{0};
    const LONG_PTR t = next++;
    for (int r = 0; r < kRounds; ++r) {
        if (GetTickCount() > run->deadline) {
            ++run->timedOut;
            break;
        }
        for (size_t i = 0; i < std::size(kPrinters); ++i) {
            // Threads start on different printers, so all three are busy.
            const PrinterSetup& p = kPrinters[(i + static_cast<size_t>(t)) % std::size(kPrinters)];
            run->wrong += Round(run->x, p, run->shared, Wide(static_cast<uint32_t>(t), 0x77), r);
            ++run->calls;
        }
    }
    return 0;
}

// The process's open handles, from the system's handle list (Wine answers
// GetProcessHandleCount with 0). 0 if the list cannot be had.
struct HandleEntry {
    USHORT process;
    USHORT creatorBackTrace;
    UCHAR type;
    UCHAR attributes;
    USHORT value;
    PVOID object;
    ACCESS_MASK access;
};
struct HandleList {
    ULONG count;
    HandleEntry entries[1];
};
using QuerySystemFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

DWORD HandleCount() {
    auto query = reinterpret_cast<QuerySystemFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr) return 0;
    constexpr ULONG kSystemHandleInformation = 16;
    std::vector<unsigned char> buffer(1 << 20);
    ULONG needed = 0;
    while (query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                 &needed) != 0) {
        if (buffer.size() >= (64u << 20)) return 0;
        buffer.resize(buffer.size() * 2);
    }
    const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
    const auto self = static_cast<USHORT>(GetCurrentProcessId());
    DWORD n = 0;
    for (ULONG i = 0; i < list->count; ++i)
        if (list->entries[i].process == self) ++n;
    return n;
}

TEST(Threads, ManyPrintersLibrariesAndOneSharedHandle) {
    for (const PrinterSetup& p : kPrinters) {
        AddTestPrinter(p.printer, p.driver, p.dataFile);
        ASSERT_FALSE(HasFatalFailure());
        const std::string path = DataFilePathOf(p.printer);
        ASSERT_FALSE(path.empty()) << p.printer;
        ASSERT_TRUE(WriteTextFile(path, "*ExcDepDLLName: \"" + LibraryName(p) + "\"\n"));
    }
    ResetLog(kContext);
    LoadRun run;
    run.x = FindExports();
    ASSERT_NE(run.x.devmode, nullptr);

    // A first round on this thread: answers right, and the spooler's own
    // handles of a first call are open before the count is taken.
    run.shared = run.x.open(kPrinter);
    ASSERT_NE(run.shared, nullptr);
    for (const PrinterSetup& p : kPrinters)
        ASSERT_EQ(Round(run.x, p, run.shared, 1, 1), 0) << p.printer;
    const DWORD handlesBefore = HandleCount();

    run.deadline = GetTickCount() + kTimeLimitMs;
    std::vector<HANDLE> threads;
    for (int i = 0; i < kThreads; ++i) {
        HANDLE th = CreateThread(nullptr, 0, Worker, &run, 0, nullptr);
        ASSERT_NE(th, nullptr);
        threads.push_back(th);
    }
    for (HANDLE th : threads) {
        EXPECT_EQ(WaitForSingleObject(th, 2 * kTimeLimitMs), WAIT_OBJECT_0);
        CloseHandle(th);
    }
    std::printf("%d rounds on %d threads\n", run.calls.load(), kThreads);
    EXPECT_EQ(run.wrong.load(), 0);
    EXPECT_EQ(run.timedOut.load(), 0) << "the run hit its time bound";
    EXPECT_EQ(run.calls.load(), kThreads * kRounds * static_cast<int>(std::size(kPrinters)));

    run.x.free(run.shared);
    for (const PrinterSetup& p : kPrinters)
        EXPECT_FALSE(DoubleLoaded(p.variant)) << p.variant << " left loaded";
    // Handles of the bridge's own making would grow with the calls (thousands).
    const DWORD handlesAfter = HandleCount();
    std::printf("process handles: %lu before the threads, %lu after\n",
                static_cast<unsigned long>(handlesBefore),
                static_cast<unsigned long>(handlesAfter));
    ASSERT_GT(handlesBefore, 0u) << "no handle count to judge by";
    EXPECT_LE(handlesAfter, handlesBefore + 8);
    for (const PrinterSetup& p : kPrinters)
        ASSERT_TRUE(WriteTextFile(DataFilePathOf(p.printer), "*%restored\n"));
}
} // namespace
