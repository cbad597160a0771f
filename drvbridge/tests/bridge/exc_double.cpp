// Stand-in for a driver's exclusive-settings library: logs every call with
// its arguments. Built once per variant; EXC_LACKS=<n> leaves entry n out.
#include <windows.h>

#include "double_log.h"

#ifndef EXC_LACKS
#define EXC_LACKS -1
#endif

namespace {
HANDLE g_mapping;
DoubleLog* g_log;

int32_t Record(int32_t entry, const int32_t* args, int32_t argc) {
    if (g_log != nullptr && g_log->count < 64) {
        DoubleCall& call = g_log->calls[g_log->count++];
        call.entry = entry;
        call.argc = argc;
        for (int32_t i = 0; i < argc; ++i)
            call.args[i] = args[i];
    }
    if (entry == kExcGetExclusive) return g_log != nullptr ? g_log->exclusiveResult : 0;
    return DoubleResult(entry, args, argc);
}

int32_t Ptr(LPCSTR p) {
    return static_cast<int32_t>(reinterpret_cast<uintptr_t>(p));
}
} // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
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
LONG WINAPI ExcGetExclusive(LPCSTR printer) {
    int32_t a[] = {Ptr(printer)};
    return Record(kExcGetExclusive, a, 1);
}
#endif
#if EXC_LACKS != 1
LONG WINAPI ExcFreeExclusive(LONG context) {
    int32_t a[] = {context};
    return Record(kExcFreeExclusive, a, 1);
}
#endif
#if EXC_LACKS != 2
LONG WINAPI ExcGetPrinterOption(LONG x, LONG a, LONG b, LONG c, LONG d) {
    int32_t v[] = {x, a, b, c, d};
    return Record(kExcGetPrinterOption, v, 5);
}
#endif
#if EXC_LACKS != 3
LONG WINAPI ExcGetPrinterValue(LONG x, LONG a, LONG b, LONG c, LONG d) {
    int32_t v[] = {x, a, b, c, d};
    return Record(kExcGetPrinterValue, v, 5);
}
#endif
#if EXC_LACKS != 4
LONG WINAPI ExcGetWaterMarkList(LONG x, LONG a, LONG b, LONG c, LONG d) {
    int32_t v[] = {x, a, b, c, d};
    return Record(kExcGetWaterMarkList, v, 5);
}
#endif
#if EXC_LACKS != 5
LONG WINAPI ExcSetCommandBase(LONG x, LONG a, LONG b) {
    int32_t v[] = {x, a, b};
    return Record(kExcSetCommandBase, v, 3);
}
#endif
#if EXC_LACKS != 6
LONG WINAPI ExcGetCommandBase(LONG x, LONG a, LONG b, LONG c) {
    int32_t v[] = {x, a, b, c};
    return Record(kExcGetCommandBase, v, 4);
}
#endif
#if EXC_LACKS != 7
LONG WINAPI ExcUpdateCommand(LONG x, LONG a, LONG b) {
    int32_t v[] = {x, a, b};
    return Record(kExcUpdateCommand, v, 3);
}
#endif
#if EXC_LACKS != 8
LONG WINAPI ExcGetCommandChange(LONG x, LONG a, LONG b, LONG c) {
    int32_t v[] = {x, a, b, c};
    return Record(kExcGetCommandChange, v, 4);
}
#endif
#if EXC_LACKS != 9
LONG WINAPI ExcGetCommandValue(LONG x, LONG a, LONG b, LONG c, LONG d, LONG e) {
    int32_t v[] = {x, a, b, c, d, e};
    return Record(kExcGetCommandValue, v, 6);
}
#endif
#if EXC_LACKS != 10
LONG WINAPI ExcGetIniFileName(LPCSTR printer, LONG a, LONG b, LONG c) {
    int32_t v[] = {Ptr(printer), a, b, c};
    return Record(kExcGetIniFileName, v, 4);
}
#endif
#if EXC_LACKS != 11
LONG WINAPI ExcGetDriverDevmode(LPCSTR printer, LONG a, LONG b, LONG c, LONG d) {
    int32_t v[] = {Ptr(printer), a, b, c, d};
    return Record(kExcGetDriverDevmode, v, 5);
}
#endif

} // extern "C"
