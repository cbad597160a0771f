// A bridge client for the trace tests, run under the debug capture: calls the
// one export its command line names and says the result and the last-error
// value it read, in a line of its own after the bridge's; the exit code is
// that value too.
//   why_client <export> <printer>          the printer-name exports
//   why_client <export> null|foreign       the forwarders and FreeExclusive
//   why_client GetDependDllName <printer> nullbuf   no buffer for the name
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "drvbridge.h"

namespace {
// Set before each call: a bridge that left the value alone would show it.
constexpr DWORD kUntouched = 0x2BAD;

template <typename Fn> Fn Find(HMODULE bridge, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(bridge, name)));
}

int Say(const char* exportName, long long result, DWORD error) {
    char line[200];
    std::snprintf(line, sizeof(line), "client: %s result %lld error %lu", exportName, result,
                  static_cast<unsigned long>(error));
    OutputDebugStringA(line);
    return static_cast<int>(error);
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && !(argc == 4 && std::strcmp(argv[3], "nullbuf") == 0)) return 1000;
    const char* exportName = argv[1];
    const char* arg = argv[2];
    const bool nullBuffer = argc == 4;
    HMODULE bridge = LoadLibraryA("drvbridge.dll");
    if (bridge == nullptr || GetProcAddress(bridge, exportName) == nullptr) return 1001;
    // A block of the handle's size without the magic.
    alignas(8) static unsigned char foreign[13 * sizeof(void*)] = {'E', 'X', 'C', '0'};
    HEXCLUSIVE handle = std::strcmp(arg, "foreign") == 0 ? foreign : nullptr;

    long long result = 0;
    DWORD error = 0;
    if (std::strcmp(exportName, "GetExclusive") == 0) {
        SetLastError(kUntouched);
        HEXCLUSIVE h = Find<decltype(&::GetExclusive)>(bridge, exportName)(arg);
        error = GetLastError();
        result = h != nullptr ? 1 : 0;
        if (h != nullptr) Find<decltype(&::FreeExclusive)>(bridge, "FreeExclusive")(h);
    } else if (std::strcmp(exportName, "GetDependDllName") == 0) {
        char name[DRVBRIDGE_NAME_SIZE];
        SetLastError(kUntouched);
        result = Find<decltype(&::GetDependDllName)>(bridge,
                                                     exportName)(arg, nullBuffer ? nullptr : name);
        error = GetLastError();
    } else if (std::strcmp(exportName, "GetDriverIniFileName") == 0) {
        SetLastError(kUntouched);
        result = Find<decltype(&::GetDriverIniFileName)>(bridge, exportName)(arg, 1, 2, 3);
        error = GetLastError();
    } else if (std::strcmp(exportName, "GetDriverDevmode") == 0) {
        SetLastError(kUntouched);
        result = Find<decltype(&::GetDriverDevmode)>(bridge, exportName)(arg, 1, 2, 3, 4);
        error = GetLastError();
    } else if (std::strcmp(exportName, "FreeExclusive") == 0) {
        SetLastError(kUntouched);
        Find<decltype(&::FreeExclusive)>(bridge, exportName)(handle);
        error = GetLastError();
    } else {
        // The forwarders, each with the largest number of values any takes.
        using Forwarder =
            LONG(WINAPI*)(HEXCLUSIVE, LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR);
        const int values = std::strcmp(exportName, "GetCommandValue") == 0   ? 5
                           : std::strncmp(exportName, "GetCommand", 10) == 0 ? 3
                           : std::strcmp(exportName, "SetCommandBase") == 0 ||
                                   std::strcmp(exportName, "UpdateCommand") == 0
                               ? 2
                               : 4;
        FARPROC fn = GetProcAddress(bridge, exportName);
        SetLastError(kUntouched);
        switch (values) {
        case 2:
            result = reinterpret_cast<LONG(WINAPI*)(HEXCLUSIVE, LONG_PTR, LONG_PTR)>(
                reinterpret_cast<void*>(fn))(handle, 1, 2);
            break;
        case 3:
            result = reinterpret_cast<LONG(WINAPI*)(HEXCLUSIVE, LONG_PTR, LONG_PTR, LONG_PTR)>(
                reinterpret_cast<void*>(fn))(handle, 1, 2, 3);
            break;
        case 4:
            result =
                reinterpret_cast<LONG(WINAPI*)(HEXCLUSIVE, LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR)>(
                    reinterpret_cast<void*>(fn))(handle, 1, 2, 3, 4);
            break;
        default:
            result =
                reinterpret_cast<Forwarder>(reinterpret_cast<void*>(fn))(handle, 1, 2, 3, 4, 5);
            break;
        }
        error = GetLastError();
    }
    return Say(exportName, result, error);
}
