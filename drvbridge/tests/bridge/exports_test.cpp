// The export contract, read from the loaded module's PE export directory.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "esp_thunk.h"
#include "rig.h"

namespace {
constexpr std::array<const char*, 14> kExports = {
    "DllMain",         "FreeExclusive",    "GetCommandBase",   "GetCommandChange",
    "GetCommandValue", "GetDependDllName", "GetDriverDevmode", "GetDriverIniFileName",
    "GetExclusive",    "GetPrinterOption", "GetPrinterValue",  "GetWaterMarkList",
    "SetCommandBase",  "UpdateCommand",
};

// The headers of this build's own width (PE32 on i386, PE32+ on x64).
const IMAGE_NT_HEADERS* Headers(HMODULE module) {
    auto* base = reinterpret_cast<const BYTE*>(module);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    return reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
}

TEST(ExportContract, FourteenUndecoratedNamesWithOrdinalsOneToFourteen) {
    HMODULE module = Bridge();
    ASSERT_NE(module, nullptr);
    auto* base = reinterpret_cast<const BYTE*>(module);
    const IMAGE_DATA_DIRECTORY& dir =
        Headers(module)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(dir.VirtualAddress, 0u);
    auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    EXPECT_STREQ(reinterpret_cast<const char*>(base + exports->Name), "drvbridge.dll");
    EXPECT_EQ(Headers(module)->FileHeader.Machine,
              sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(exports->Base, 1u);
    ASSERT_EQ(exports->NumberOfFunctions, kExports.size()) << "nothing else exported";
    ASSERT_EQ(exports->NumberOfNames, kExports.size());

    auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    auto* ordinals = reinterpret_cast<const WORD*>(base + exports->AddressOfNameOrdinals);
    auto* functions = reinterpret_cast<const DWORD*>(base + exports->AddressOfFunctions);
    for (size_t i = 0; i < kExports.size(); ++i) {
        const char* name = reinterpret_cast<const char*>(base + names[i]);
        SCOPED_TRACE(name);
        EXPECT_STREQ(name, kExports[i]);
        EXPECT_EQ(std::string(name).find_first_of("@_?"), std::string::npos) << "decorated";
        EXPECT_EQ(ordinals[i] + exports->Base, i + 1) << "ordinal";
        EXPECT_NE(functions[ordinals[i]], 0u);

        FARPROC byName = GetProcAddress(module, kExports[i]);
        FARPROC byOrdinal = GetProcAddress(module, MAKEINTRESOURCEA(i + 1));
        EXPECT_NE(byName, nullptr);
        EXPECT_EQ(byName, byOrdinal);
        EXPECT_EQ(reinterpret_cast<const BYTE*>(byName), base + functions[ordinals[i]]);
    }
}

TEST(ExportContract, ImportsOnlySystemLibraries) {
    HMODULE module = Bridge();
    ASSERT_NE(module, nullptr);
    auto* base = reinterpret_cast<const BYTE*>(module);
    const IMAGE_DATA_DIRECTORY& dir =
        Headers(module)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    const std::array<std::string, 7> system = {"kernel32.dll", "winspool.drv", "user32.dll",
                                               "gdi32.dll",    "advapi32.dll", "msvcrt.dll",
                                               "ntdll.dll"};
    int count = 0;
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         d->Name != 0; ++d, ++count) {
        std::string name = reinterpret_cast<const char*>(base + d->Name);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        EXPECT_NE(std::find(system.begin(), system.end(), name), system.end()) << name;
    }
    EXPECT_GT(count, 0);
}

TEST(ExportContract, DllMainReturnsTrueForEveryReason) {
    for (intptr_t reason : {0, 1, 2, 3})
        EXPECT_EQ(CallExport("DllMain", {Arg(Bridge()), reason, 0}), 1) << reason;
}
} // namespace

namespace {
LONG WINAPI TakesTwo(LONG a, LONG b) {
    return a - b;
}

LONG_PTR WINAPI Subtract(LONG_PTR a, LONG_PTR b) {
    return a - b;
}

// The thunk itself must see a callee that removes more or fewer arguments
// than were pushed, or the arity checks above prove nothing.
TEST(EspThunk, ReportsImbalance) {
    if (!kStackBalanceChecked)
        GTEST_SKIP() << "i386 only: x64 has one calling convention (the caller cleans the "
                        "stack), so there is no argument count to get wrong";
    const intptr_t args[] = {7, 3, 9};
    int32_t delta = -99;
    EXPECT_EQ(CallWinapi(reinterpret_cast<const void*>(&TakesTwo), args, 2, &delta), 4);
    EXPECT_EQ(delta, 0);
    CallWinapi(reinterpret_cast<const void*>(&TakesTwo), args, 3, &delta);
    EXPECT_EQ(delta, -4);
    CallWinapi(reinterpret_cast<const void*>(&TakesTwo), args, 1, &delta);
    EXPECT_EQ(delta, 4);
}

// Every value reaches the callee whole: on x64 a high half cut off on the way
// would change the result.
TEST(EspThunk, PassesPointerWideValues) {
    const intptr_t args[] = {Wide(0x9, 0x70000001), Wide(0x4, 0x10000002)};
    int32_t delta = -99;
    const intptr_t r = CallWinapi(reinterpret_cast<const void*>(&Subtract), args, 2, &delta);
    EXPECT_EQ(r, args[0] - args[1]);
    EXPECT_EQ(delta, 0);
}
} // namespace
