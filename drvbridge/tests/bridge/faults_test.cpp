// Allocation failure at every AllocBlock of the lookup, GetExclusive and the
// one-shot calls, and a data file that vanishes inside the call: the
// seam-enabled bridge (drvbridge_faults.dll) against the full test double.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "alloc_hooks.h"
#include "esp_thunk.h"
#include "rig.h"

namespace {
constexpr intptr_t kContext = Wide(0x5A5A0003, 0x6B6B0004);
constexpr size_t kName = 260;
constexpr uint8_t kUntouched = 0xCC;

HMODULE FaultsDll() {
    static HMODULE module = LoadLibraryA("drvbridge_faults.dll");
    return module;
}

// As a client calls the bridge: by export name, through the thunk. The whole
// return register; a LONG result is its low 32 bits.
intptr_t CallFaultsWord(const char* name, std::initializer_list<intptr_t> args) {
    return CallWord(GetProcAddress(FaultsDll(), name), name, args);
}
LONG CallFaults(const char* name, std::initializer_list<intptr_t> args) {
    return static_cast<LONG>(CallFaultsWord(name, args));
}

void FailAt(uint32_t k) {
    CallFaults("FaultFailAt", {static_cast<intptr_t>(k)});
}
uint32_t Calls() {
    return static_cast<uint32_t>(CallFaults("FaultCalls", {}));
}
int32_t Outstanding() {
    return CallFaults("FaultOutstanding", {});
}
void OnCall(uint32_t k, AllocHookFn fn) {
    CallFaults("FaultOnCall", {static_cast<intptr_t>(k), reinterpret_cast<intptr_t>(fn), 0});
}

std::string ReadWhole(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return "<missing>";
    std::string out;
    char chunk[4096];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        out.append(chunk, n);
    std::fclose(f);
    return out;
}

void DeleteDataFile(void*) {
    DeleteFileA(DataFilePath().c_str());
}

char g_name[kName];

bool NameUntouched() {
    for (char c : g_name)
        if (static_cast<uint8_t>(c) != kUntouched) return false;
    return true;
}

// The four calls, each with its documented failure result and a check of a
// success that also closes whatever the success opened. Results are kept
// pointer-wide: GetExclusive's is the handle.
struct Call {
    const char* what;
    intptr_t failure;
    bool writesName;
    intptr_t (*invoke)();
    void (*succeeded)(intptr_t result);
};

intptr_t Args(uint32_t i) {
    return Wide(0x2000 + i, 0x3000 + i);
}

const Call kCalls[] = {
    {"GetDependDllName", 0, true,
     []() -> intptr_t {
         return CallFaults("GetDependDllName", {Arg(kPrinter), Arg(g_name)});
     },
     [](intptr_t r) {
         EXPECT_EQ(r, 1);
         EXPECT_EQ(std::string(g_name), DoublePath("full"));
         EXPECT_EQ(Log()->count, 0u);
     }},
    {"GetExclusive", 0, false, [] { return CallFaultsWord("GetExclusive", {Arg(kPrinter)}); },
     [](intptr_t r) {
         ASSERT_NE(r, 0);
         EXPECT_TRUE(DoubleLoaded("full"));
         EXPECT_EQ(Outstanding(), 1); // the handle block, until FreeExclusive
         CallFaults("FreeExclusive", {r});
         ASSERT_EQ(Log()->count, 2u);
         EXPECT_EQ(Log()->calls[0].entry, kExcGetExclusive);
         EXPECT_EQ(Log()->calls[1].entry, kExcFreeExclusive);
         EXPECT_EQ(Log()->calls[1].args[0], kContext);
     }},
    {"GetDriverIniFileName", -1, false,
     []() -> intptr_t {
         return CallFaults("GetDriverIniFileName", {Arg(kPrinter), Args(1), Args(2), Args(3)});
     },
     [](intptr_t r) {
         const int64_t args[] = {Arg(kPrinter), Args(1), Args(2), Args(3)};
         EXPECT_EQ(r, DoubleResult(kExcGetIniFileName, args, 4));
         ASSERT_EQ(Log()->count, 1u);
         EXPECT_EQ(Log()->calls[0].entry, kExcGetIniFileName);
     }},
    {"GetDriverDevmode", -1, false,
     []() -> intptr_t {
         return CallFaults("GetDriverDevmode", {Arg(kPrinter), Args(1), Args(2), Args(3), Args(4)});
     },
     [](intptr_t r) {
         const int64_t args[] = {Arg(kPrinter), Args(1), Args(2), Args(3), Args(4)};
         EXPECT_EQ(r, DoubleResult(kExcGetDriverDevmode, args, 5));
         ASSERT_EQ(Log()->count, 1u);
         EXPECT_EQ(Log()->calls[0].entry, kExcGetDriverDevmode);
     }},
};

struct DataFile {
    const char* what;
    std::string contents;
};

std::vector<DataFile> DataFiles() {
    const std::string entry = "*ExcDepDLLName: \"" + DoublePath("full") + "\"\n";
    return {
        {"short file", "*%fault rig\n" + entry},
        // Grows the value buffer past its first block three times before the match.
        {"long entry first", "*Filler: " + std::string(5000, 'f') + "\n" + entry},
    };
}

class Faults : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsurePrinter();
        ASSERT_NE(FaultsDll(), nullptr) << "drvbridge_faults.dll not found";
        ASSERT_EQ(Outstanding(), 0);
    }
    void TearDown() override {
        FailAt(0);
        OnCall(0, nullptr);
        EXPECT_FALSE(DoubleLoaded("full")) << "library left loaded";
        WriteDataFile("*%restored\n");
    }

    // Runs the call with the seam as armed by the caller; returns its result.
    static intptr_t Run(const Call& call) {
        ResetLog(kContext);
        std::memset(g_name, kUntouched, sizeof g_name);
        return call.invoke();
    }

    // A call with no fault: succeeds, leaves nothing behind; its allocation count.
    static uint32_t Clean(const Call& call) {
        FailAt(0);
        const intptr_t r = Run(call);
        const uint32_t calls = Calls();
        call.succeeded(r);
        EXPECT_EQ(Outstanding(), 0);
        EXPECT_FALSE(DoubleLoaded("full"));
        return calls;
    }

    // What a failed call must leave: the documented result and nothing else.
    static void ExpectCleanFailure(const Call& call, intptr_t r) {
        EXPECT_EQ(r, call.failure);
        EXPECT_EQ(Outstanding(), 0) << "blocks left allocated";
        EXPECT_FALSE(DoubleLoaded("full")) << "library left loaded";
        EXPECT_EQ(Log()->count, 0u) << "the library was called";
        if (call.writesName) {
            EXPECT_TRUE(NameUntouched());
        }
    }
};

TEST_F(Faults, EveryAllocationFailureFailsCleanly) {
    uint32_t injected = 0;
    std::vector<uint32_t> lookupCounts;
    for (const DataFile& file : DataFiles()) {
        SCOPED_TRACE(file.what);
        WriteDataFile(file.contents);
        uint32_t lookupCount = 0;
        for (const Call& call : kCalls) {
            SCOPED_TRACE(call.what);
            const uint32_t count = Clean(call);
            std::printf("%s, %s: %u allocation points\n", call.what, file.what, count);
            if (call.writesName) lookupCount = count;
            // Every allocation of a call is the lookup's, the handle block aside.
            EXPECT_EQ(count, lookupCount + (std::strcmp(call.what, "GetExclusive") == 0 ? 1u : 0u));
            for (uint32_t k = 1; k <= count; ++k) {
                SCOPED_TRACE("allocation " + std::to_string(k));
                FailAt(k);
                const intptr_t r = Run(call);
                EXPECT_GE(Calls(), k);
                FailAt(0);
                ExpectCleanFailure(call, r);
                EXPECT_EQ(ReadWhole(DataFilePath()), file.contents) << "data file changed";
                ++injected;
            }
            EXPECT_EQ(Clean(call), count) << "no longer works after the faults";
        }
        lookupCounts.push_back(lookupCount);
    }
    // The driver record, the path, the entry and its four buffers, the cursor;
    // the long value's growth on top.
    EXPECT_GE(lookupCounts[0], 8u);
    EXPECT_GT(lookupCounts[1], lookupCounts[0]);
    std::printf("allocation faults injected: %u\n", injected);
}

// The file goes away at each allocation of the call; the last one is the
// cursor block, after the spooler has answered and right before the open.
TEST_F(Faults, DataFileVanishesBeforeTheMapping) {
    const DataFile file = DataFiles()[0];
    for (const Call& call : kCalls) {
        SCOPED_TRACE(call.what);
        WriteDataFile(file.contents);
        const uint32_t count = Clean(call);
        for (uint32_t k = 1; k <= count; ++k) {
            SCOPED_TRACE("vanishes at allocation " + std::to_string(k));
            WriteDataFile(file.contents);
            FailAt(0);
            OnCall(k, DeleteDataFile);
            const intptr_t r = Run(call);
            OnCall(0, nullptr);
            EXPECT_EQ(ReadWhole(DataFilePath()), "<missing>") << "the hook did not run";
            ExpectCleanFailure(call, r);
        }
        WriteDataFile(file.contents);
        EXPECT_EQ(Clean(call), count);
    }
}

} // namespace
