// Exclusive handles, forwarders and one-shot calls against the test double.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "rig.h"

namespace {
constexpr intptr_t kContext = Wide(0x5A5A0001, 0x6B6B0002);

void UseLibrary(const std::string& variant) {
    WriteDataFile("*ExcDepDLLName: \"" + DoublePath(variant) + "\"\n");
}

class Handle : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsurePrinter();
        ResetLog(kContext);
        UseLibrary("full");
    }
    void TearDown() override { EXPECT_FALSE(DoubleLoaded("full")) << "library left loaded"; }
    static void* Open() { return CallExportHandle("GetExclusive", {Arg(kPrinter)}); }
    static void Free(void* h) { CallExport("FreeExclusive", {Arg(h)}); }
};

struct Forwarder {
    const char* exportName;
    DoubleEntry entry;
    int32_t values;
};

constexpr Forwarder kForwarders[] = {
    {"GetPrinterOption", kExcGetPrinterOption, 4}, {"GetPrinterValue", kExcGetPrinterValue, 4},
    {"GetWaterMarkList", kExcGetWaterMarkList, 4}, {"SetCommandBase", kExcSetCommandBase, 2},
    {"GetCommandBase", kExcGetCommandBase, 3},     {"UpdateCommand", kExcUpdateCommand, 2},
    {"GetCommandChange", kExcGetCommandChange, 3}, {"GetCommandValue", kExcGetCommandValue, 5},
};

constexpr intptr_t Sentinel(int32_t i) {
    return Wide(0x11110001u * static_cast<uint32_t>(i + 1), 0x0C0C0C0Cu + static_cast<uint32_t>(i));
}

// Calls an export with the handle (or printer) first and n distinct sentinels.
LONG CallWithSentinels(const char* name, intptr_t first, int32_t n) {
    std::vector<intptr_t> args = {first};
    for (int32_t i = 0; i < n; ++i)
        args.push_back(Sentinel(i));
    switch (n) {
    case 2:
        return CallExport(name, {args[0], args[1], args[2]});
    case 3:
        return CallExport(name, {args[0], args[1], args[2], args[3]});
    case 4:
        return CallExport(name, {args[0], args[1], args[2], args[3], args[4]});
    case 5:
        return CallExport(name, {args[0], args[1], args[2], args[3], args[4], args[5]});
    }
    ADD_FAILURE() << "no such arity";
    return 0;
}

void ExpectSentinelCall(const DoubleCall& call, DoubleEntry entry, int64_t first, int32_t n) {
    EXPECT_EQ(call.entry, entry);
    ASSERT_EQ(call.argc, n + 1);
    EXPECT_EQ(call.args[0], first);
    for (int32_t i = 0; i < n; ++i)
        EXPECT_EQ(call.args[i + 1], Sentinel(i)) << i;
}

TEST_F(Handle, CompleteHandleCarriesMagicAndForwardsContext) {
    void* h = Open();
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(DoubleLoaded("full"));
    const uint8_t magic[4] = {0x30, 0x43, 0x58, 0x45};
    EXPECT_EQ(std::memcmp(h, magic, 4), 0);
    ASSERT_EQ(Log()->count, 1u);
    EXPECT_EQ(Log()->calls[0].entry, kExcGetExclusive);
    EXPECT_EQ(Log()->calls[0].args[0], Arg(kPrinter)) << "the caller's pointer itself";

    for (const Forwarder& f : kForwarders) {
        SCOPED_TRACE(f.exportName);
        uint32_t before = Log()->count;
        LONG r = CallWithSentinels(f.exportName, Arg(h), f.values);
        ASSERT_EQ(Log()->count, before + 1);
        const DoubleCall& call = Log()->calls[before];
        ExpectSentinelCall(call, f.entry, kContext, f.values);
        EXPECT_NE(call.args[0], Arg(h));
        EXPECT_EQ(r, DoubleResult(f.entry, call.args, call.argc)) << "result unchanged";
    }
    // Any order, any number of times.
    EXPECT_EQ(CallWithSentinels("SetCommandBase", Arg(h), 2),
              CallWithSentinels("SetCommandBase", Arg(h), 2));

    uint32_t before = Log()->count;
    Free(h);
    ASSERT_EQ(Log()->count, before + 1) << "ExcFreeExclusive once, nothing else";
    EXPECT_EQ(Log()->calls[before].entry, kExcFreeExclusive);
    EXPECT_EQ(Log()->calls[before].args[0], kContext);
    EXPECT_FALSE(DoubleLoaded("full"));
}

TEST_F(Handle, FailuresReturnNullAndUnload) {
    struct Failure {
        const char* what;
        std::string data;
        intptr_t context;
        uint32_t calls; // ExcGetExclusive only when binding succeeded
    };
    std::vector<Failure> failures = {
        {"no entry", "*Other: x\n", kContext, 0},
        {"library missing", "*ExcDepDLLName: \"" + DoublePath("absent") + "\"\n", kContext, 0},
        {"zero context", "*ExcDepDLLName: \"" + DoublePath("full") + "\"\n", 0, 1},
    };
    const char* bound[] = {"ExcGetExclusive",    "ExcFreeExclusive",    "ExcGetPrinterOption",
                           "ExcGetPrinterValue", "ExcGetWaterMarkList", "ExcSetCommandBase",
                           "ExcGetCommandBase",  "ExcUpdateCommand",    "ExcGetCommandChange",
                           "ExcGetCommandValue"};
    for (const char* name : bound)
        failures.push_back({name,
                            "*ExcDepDLLName: \"" + DoublePath(std::string("no_") + name) + "\"\n",
                            kContext, 0});
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.what);
        ResetLog(f.context);
        WriteDataFile(f.data);
        EXPECT_EQ(Open(), nullptr);
        EXPECT_EQ(Log()->count, f.calls);
        if (f.calls == 1) {
            EXPECT_EQ(Log()->calls[0].entry, kExcGetExclusive);
        }
        EXPECT_FALSE(DoubleLoaded(std::string("no_") + f.what));
        EXPECT_FALSE(DoubleLoaded("full"));
    }
}

// The handle's layout, read as a caller's debugger would: thirteen
// pointer-wide words (52 bytes on i386) led by the magic, then the context,
// the library and the ten entry points in binding order; in front of it the
// hidden word with the block's global-memory handle, which for a fixed block
// is its own address.
TEST_F(Handle, LayoutIsThirteenPointerWideWords) {
    void* h = Open();
    ASSERT_NE(h, nullptr);
    uintptr_t words[13];
    std::memcpy(words, h, sizeof words);
    EXPECT_EQ(sizeof words, sizeof(void*) == 4 ? 52u : 104u);
    EXPECT_EQ(words[0], 0x45584330u);
    EXPECT_EQ(static_cast<intptr_t>(words[1]), kContext);
    HMODULE library = GetModuleHandleA("exc_full.dll");
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(words[2], reinterpret_cast<uintptr_t>(library));
    const char* entries[] = {"ExcGetExclusive",    "ExcFreeExclusive",    "ExcGetPrinterOption",
                             "ExcGetPrinterValue", "ExcGetWaterMarkList", "ExcSetCommandBase",
                             "ExcGetCommandBase",  "ExcUpdateCommand",    "ExcGetCommandChange",
                             "ExcGetCommandValue"};
    for (size_t i = 0; i < 10; ++i)
        EXPECT_EQ(words[3 + i], reinterpret_cast<uintptr_t>(GetProcAddress(library, entries[i])))
            << entries[i];
    HGLOBAL hidden = nullptr;
    std::memcpy(&hidden, static_cast<const uint8_t*>(h) - sizeof(HGLOBAL), sizeof hidden);
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(hidden),
              static_cast<const uint8_t*>(h) - sizeof(HGLOBAL));
    EXPECT_EQ(GlobalSize(hidden), 13 * sizeof(void*) + sizeof(HGLOBAL));
    Free(h);
}

TEST_F(Handle, OneShotEntryPointsAreNotBound) {
    for (const char* variant : {"no_ExcGetIniFileName", "no_ExcGetDriverDevmode"}) {
        SCOPED_TRACE(variant);
        UseLibrary(variant);
        void* h = Open();
        ASSERT_NE(h, nullptr);
        Free(h);
        EXPECT_FALSE(DoubleLoaded(variant));
    }
}

TEST_F(Handle, NullAndForeignHandlesCallNothing) {
    alignas(void*) uint8_t zeroed[13 * sizeof(void*)] = {};
    // 'E','X','C','0': the magic's bytes reversed
    alignas(void*) uint8_t reversed[13 * sizeof(void*)] = {};
    std::memcpy(reversed, "EXC0", 4);
    for (void* h :
         {static_cast<void*>(nullptr), static_cast<void*>(zeroed), static_cast<void*>(reversed)}) {
        for (const Forwarder& f : kForwarders)
            EXPECT_EQ(CallWithSentinels(f.exportName, Arg(h), f.values), -1) << f.exportName;
        Free(h);
    }
    EXPECT_EQ(Log()->count, 0u);
    EXPECT_EQ(std::memcmp(reversed, "EXC0", 4), 0) << "a foreign block is left alone";
}

TEST_F(Handle, OneShotCallsLoadCallAndUnload) {
    LONG r = CallWithSentinels("GetDriverIniFileName", Arg(kPrinter), 3);
    ASSERT_EQ(Log()->count, 1u);
    EXPECT_EQ(r, DoubleResult(kExcGetIniFileName, Log()->calls[0].args, 4));
    ExpectSentinelCall(Log()->calls[0], kExcGetIniFileName, Arg(kPrinter), 3);
    EXPECT_FALSE(DoubleLoaded("full"));

    r = CallWithSentinels("GetDriverDevmode", Arg(kPrinter), 4);
    ASSERT_EQ(Log()->count, 2u);
    EXPECT_EQ(r, DoubleResult(kExcGetDriverDevmode, Log()->calls[1].args, 5));
    ExpectSentinelCall(Log()->calls[1], kExcGetDriverDevmode, Arg(kPrinter), 4);
    EXPECT_FALSE(DoubleLoaded("full"));
}

TEST_F(Handle, OneShotWhileHandleOpenLeavesItWorking) {
    void* h = Open();
    ASSERT_NE(h, nullptr);
    CallWithSentinels("GetDriverIniFileName", Arg(kPrinter), 3);
    CallWithSentinels("GetDriverDevmode", Arg(kPrinter), 4);
    EXPECT_TRUE(DoubleLoaded("full"));
    uint32_t before = Log()->count;
    LONG r = CallWithSentinels("GetCommandValue", Arg(h), 5);
    ASSERT_EQ(Log()->count, before + 1);
    EXPECT_EQ(r, DoubleResult(kExcGetCommandValue, Log()->calls[before].args, 6));
    Free(h);
}

TEST_F(Handle, OneShotFailuresReturnMinusOne) {
    struct OneShot {
        const char* exportName;
        const char* lacking;
        int32_t values;
    };
    const OneShot shots[] = {{"GetDriverIniFileName", "no_ExcGetIniFileName", 3},
                             {"GetDriverDevmode", "no_ExcGetDriverDevmode", 4}};
    for (const OneShot& s : shots) {
        SCOPED_TRACE(s.exportName);
        UseLibrary(s.lacking);
        EXPECT_EQ(CallWithSentinels(s.exportName, Arg(kPrinter), s.values), -1);
        EXPECT_FALSE(DoubleLoaded(s.lacking));
        WriteDataFile("*Other: x\n");
        EXPECT_EQ(CallWithSentinels(s.exportName, Arg(kPrinter), s.values), -1);
        UseLibrary("absent");
        EXPECT_EQ(CallWithSentinels(s.exportName, Arg(kPrinter), s.values), -1);
        EXPECT_EQ(CallWithSentinels(s.exportName, Arg("Zelt No Such Printer"), s.values), -1);
    }
    EXPECT_EQ(Log()->count, 0u);
}
} // namespace
