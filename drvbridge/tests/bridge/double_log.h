// The call log that the test double keeps in a named shared mapping, so that
// it outlives the double being unloaded by the bridge.
#pragma once

#include <cstdint>

inline constexpr char kDoubleLogName[] = "zelt_exc_double_log";
// Set by the planted copy of the double when its DllMain runs.
inline constexpr char kPlantedEvent[] = "zelt_planted_dll_ran";

// Entry points of the double, in the order of DoubleCall::entry.
enum DoubleEntry : int32_t {
    kExcGetExclusive,
    kExcFreeExclusive,
    kExcGetPrinterOption,
    kExcGetPrinterValue,
    kExcGetWaterMarkList,
    kExcSetCommandBase,
    kExcGetCommandBase,
    kExcUpdateCommand,
    kExcGetCommandChange,
    kExcGetCommandValue,
    kExcGetIniFileName,
    kExcGetDriverDevmode,
};

// Values are kept at 64 bits whatever the width, so one layout serves both.
struct DoubleCall {
    int32_t entry;
    int32_t argc;
    int64_t args[6]; // printer names as their pointer value
};

struct DoubleLog {
    int64_t exclusiveResult; // what ExcGetExclusive returns; set per test
    uint32_t count;          // calls made; the first 64 are kept
    DoubleCall calls[64];
};

// What every entry point but ExcGetExclusive returns: distinct for each entry
// point and each argument position, and for both halves of a 64-bit value,
// so a swap, a drop or a cut changes it.
inline int32_t DoubleResult(int32_t entry, const int64_t* args, int32_t argc) {
    uint32_t r = 0x1000000u * static_cast<uint32_t>(entry + 1);
    for (int32_t i = 0; i < argc; ++i) {
        const auto v = static_cast<uint64_t>(args[i]);
        r += static_cast<uint32_t>(v) * static_cast<uint32_t>(2 * i + 3);
        r += static_cast<uint32_t>(v >> 32) * static_cast<uint32_t>(2 * i + 5);
    }
    return static_cast<int32_t>(r);
}
