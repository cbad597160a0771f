// Stand-in for a driver's exclusive-settings library: logs every call with
// its arguments. Built once per variant; EXC_LACKS=<n> leaves entry n out.
// EXC_PLANTED: the planted copy, which signals kPlantedEvent when it is
// loaded, so a test sees that its DllMain ran.
// Values and the context are pointer-wide, results LONG, as the bridge
// expects of a real library of either width.
#include <windows.h>

#include "double_log.h"

#ifndef EXC_LACKS
#define EXC_LACKS -1
#endif

namespace {
HANDLE g_mapping;
DoubleLog* g_log;

int64_t Record(int32_t entry, const int64_t* args, int32_t argc) {
    // Threads may call at once: each takes its own slot; calls past the last
    // slot are counted, not kept.
    const LONG slot =
        g_log != nullptr ? InterlockedIncrement(reinterpret_cast<volatile LONG*>(&g_log->count)) - 1
                         : 64;
    if (slot < 64) {
        DoubleCall& call = g_log->calls[slot];
        call.entry = entry;
        call.argc = argc;
        for (int32_t i = 0; i < argc; ++i)
            call.args[i] = args[i];
    }
    if (entry == kExcGetExclusive) return g_log != nullptr ? g_log->exclusiveResult : 0;
    return DoubleResult(entry, args, argc);
}

int64_t Ptr(LPCSTR p) {
    return reinterpret_cast<intptr_t>(p);
}
} // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
#ifdef EXC_PLANTED
        HANDLE ran = OpenEventA(EVENT_MODIFY_STATE, FALSE, kPlantedEvent);
        if (ran != nullptr) {
            SetEvent(ran);
            CloseHandle(ran);
        }
#endif
        g_mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, kDoubleLogName);
        if (g_mapping != nullptr)
            g_log = static_cast<DoubleLog*>(MapViewOfFile(g_mapping, FILE_MAP_WRITE, 0, 0, 0));
    } else if (reason == DLL_PROCESS_DETACH) {
        if (g_log != nullptr) UnmapViewOfFile(g_log);
        if (g_mapping != nullptr) CloseHandle(g_mapping);
    }
    return TRUE;
}

#if EXC_LACKS != 0
LONG_PTR WINAPI ExcGetExclusive(LPCSTR printer) {
    int64_t a[] = {Ptr(printer)};
    return static_cast<LONG_PTR>(Record(kExcGetExclusive, a, 1));
}
#endif
#if EXC_LACKS != 1
LONG WINAPI ExcFreeExclusive(LONG_PTR context) {
    int64_t a[] = {context};
    return static_cast<LONG>(Record(kExcFreeExclusive, a, 1));
}
#endif
#if EXC_LACKS != 2
LONG WINAPI ExcGetPrinterOption(LONG_PTR x, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d) {
    int64_t v[] = {x, a, b, c, d};
    return static_cast<LONG>(Record(kExcGetPrinterOption, v, 5));
}
#endif
#if EXC_LACKS != 3
LONG WINAPI ExcGetPrinterValue(LONG_PTR x, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d) {
    int64_t v[] = {x, a, b, c, d};
    return static_cast<LONG>(Record(kExcGetPrinterValue, v, 5));
}
#endif
#if EXC_LACKS != 4
LONG WINAPI ExcGetWaterMarkList(LONG_PTR x, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d) {
    int64_t v[] = {x, a, b, c, d};
    return static_cast<LONG>(Record(kExcGetWaterMarkList, v, 5));
}
#endif
#if EXC_LACKS != 5
LONG WINAPI ExcSetCommandBase(LONG_PTR x, LONG_PTR a, LONG_PTR b) {
    int64_t v[] = {x, a, b};
    return static_cast<LONG>(Record(kExcSetCommandBase, v, 3));
}
#endif
#if EXC_LACKS != 6
LONG WINAPI ExcGetCommandBase(LONG_PTR x, LONG_PTR a, LONG_PTR b, LONG_PTR c) {
    int64_t v[] = {x, a, b, c};
    return static_cast<LONG>(Record(kExcGetCommandBase, v, 4));
}
#endif
#if EXC_LACKS != 7
LONG WINAPI ExcUpdateCommand(LONG_PTR x, LONG_PTR a, LONG_PTR b) {
    int64_t v[] = {x, a, b};
    return static_cast<LONG>(Record(kExcUpdateCommand, v, 3));
}
#endif
#if EXC_LACKS != 8
LONG WINAPI ExcGetCommandChange(LONG_PTR x, LONG_PTR a, LONG_PTR b, LONG_PTR c) {
    int64_t v[] = {x, a, b, c};
    return static_cast<LONG>(Record(kExcGetCommandChange, v, 4));
}
#endif
#if EXC_LACKS != 9
LONG WINAPI ExcGetCommandValue(LONG_PTR x, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d,
                               LONG_PTR e) {
    int64_t v[] = {x, a, b, c, d, e};
    return static_cast<LONG>(Record(kExcGetCommandValue, v, 6));
}
#endif
#if EXC_LACKS != 10
LONG WINAPI ExcGetIniFileName(LPCSTR printer, LONG_PTR a, LONG_PTR b, LONG_PTR c) {
    int64_t v[] = {Ptr(printer), a, b, c};
    return static_cast<LONG>(Record(kExcGetIniFileName, v, 4));
}
#endif
#if EXC_LACKS != 11
LONG WINAPI ExcGetDriverDevmode(LPCSTR printer, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d) {
    int64_t v[] = {Ptr(printer), a, b, c, d};
    return static_cast<LONG>(Record(kExcGetDriverDevmode, v, 5));
}
#endif

} // extern "C"
