/* An application built the way Visual Studio builds one: the compiler's
 * MSVC ABI, an MSVC-mode linker, no MinGW library anywhere. It declares the
 * bridge's functions itself (as a team whose headers predate drvbridge.h
 * does), links drvbridge.lib and a kernel32 import library and nothing
 * else: no C runtime, its own entry point. On i386 the compiler emits the
 * __stdcall names (_Name@N), so a wrong @N in drvbridge.lib fails the link.
 *
 * Calls every export on a printer that does not exist and on a null handle
 * and checks the documented failure results. DllMain, which applications
 * never import, is reached by ordinal 1 and by name. Prints one line per
 * check; exit code 0 only when every result is right. */

typedef long LONG;
typedef unsigned long DWORD;
typedef int BOOL;
typedef void* HANDLE;
typedef void* HEXCLUSIVE;
#ifdef _WIN64
typedef long long LONG_PTR;
#else
typedef long LONG_PTR;
#endif
#define WINAPI __stdcall
#define STD_OUTPUT_HANDLE ((DWORD)-11)
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

/* The bridge, as drvbridge.h declares it: plain declarations, so calls go
 * through the import library's thunks. */
LONG WINAPI GetDependDllName(const char* printer, char* library);
HEXCLUSIVE WINAPI GetExclusive(const char* printer);
void WINAPI FreeExclusive(HEXCLUSIVE handle);
LONG WINAPI GetPrinterOption(HEXCLUSIVE h, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d);
LONG WINAPI GetPrinterValue(HEXCLUSIVE h, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d);
LONG WINAPI GetWaterMarkList(HEXCLUSIVE h, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d);
LONG WINAPI SetCommandBase(HEXCLUSIVE h, LONG_PTR a, LONG_PTR b);
LONG WINAPI GetCommandBase(HEXCLUSIVE h, LONG_PTR a, LONG_PTR b, LONG_PTR c);
LONG WINAPI UpdateCommand(HEXCLUSIVE h, LONG_PTR a, LONG_PTR b);
LONG WINAPI GetCommandChange(HEXCLUSIVE h, LONG_PTR a, LONG_PTR b, LONG_PTR c);
LONG WINAPI GetCommandValue(HEXCLUSIVE h, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d,
                            LONG_PTR e);
LONG WINAPI GetDriverIniFileName(const char* printer, LONG_PTR a, LONG_PTR b, LONG_PTR c);
LONG WINAPI GetDriverDevmode(const char* printer, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d);

__declspec(dllimport) HANDLE WINAPI GetModuleHandleA(const char* name);
__declspec(dllimport) void* WINAPI GetProcAddress(HANDLE module, const char* name);
__declspec(dllimport) HANDLE WINAPI GetStdHandle(DWORD which);
__declspec(dllimport) BOOL WINAPI
    WriteFile(HANDLE file, const void* data, DWORD size, DWORD* written, void* overlapped);
__declspec(dllimport) void WINAPI ExitProcess(unsigned code);

typedef BOOL(WINAPI* EntryFn)(HANDLE module, DWORD reason, void* reserved);

static int failures;

static void say(const char* text) {
    DWORD size = 0;
    DWORD written;
    while (text[size] != 0)
        size++;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, size, &written, 0);
}

static void expect(int ok, const char* what) {
    say(ok ? "ok   " : "FAIL ");
    say(what);
    say("\n");
    if (!ok) failures++;
}

static const char kMissing[] = "Zelt MSVC client: no such printer";

void mainCRTStartup(void) {
    char name[260];
    HANDLE bridge = GetModuleHandleA("drvbridge.dll");
    EntryFn byOrdinal = 0;
    EntryFn byName = 0;
    int untouched = 1;

    expect(bridge != 0, "drvbridge.dll is loaded by the import library");
    if (bridge != 0) {
        byOrdinal = (EntryFn)GetProcAddress(bridge, (const char*)1);
        byName = (EntryFn)GetProcAddress(bridge, "DllMain");
    }
    expect(byOrdinal != 0 && byOrdinal == byName, "DllMain is export ordinal 1");
    expect(byOrdinal != 0 && byOrdinal(bridge, DLL_THREAD_ATTACH, 0) == 1 &&
               byOrdinal(bridge, DLL_THREAD_DETACH, 0) == 1,
           "DllMain returns TRUE");

    for (int i = 0; i < (int)sizeof name; ++i)
        name[i] = 'x';
    expect(GetDependDllName(kMissing, name) == 0,
           "GetDependDllName on a missing printer returns 0");
    for (int i = 0; i < (int)sizeof name; ++i)
        untouched &= name[i] == 'x';
    expect(untouched, "GetDependDllName leaves the buffer untouched");
    expect(GetExclusive(kMissing) == 0, "GetExclusive on a missing printer returns NULL");
    expect(GetDriverIniFileName(kMissing, 1, 2, 3) == -1,
           "GetDriverIniFileName on a missing printer returns -1");
    expect(GetDriverDevmode(kMissing, 1, 2, 3, 4) == -1,
           "GetDriverDevmode on a missing printer returns -1");
    FreeExclusive(0); /* ignored; a fault ends the program with a non-zero code */

    expect(GetPrinterOption(0, 1, 2, 3, 4) == -1, "GetPrinterOption on a null handle returns -1");
    expect(GetPrinterValue(0, 1, 2, 3, 4) == -1, "GetPrinterValue on a null handle returns -1");
    expect(GetWaterMarkList(0, 1, 2, 3, 4) == -1, "GetWaterMarkList on a null handle returns -1");
    expect(SetCommandBase(0, 1, 2) == -1, "SetCommandBase on a null handle returns -1");
    expect(GetCommandBase(0, 1, 2, 3) == -1, "GetCommandBase on a null handle returns -1");
    expect(UpdateCommand(0, 1, 2) == -1, "UpdateCommand on a null handle returns -1");
    expect(GetCommandChange(0, 1, 2, 3) == -1, "GetCommandChange on a null handle returns -1");
    expect(GetCommandValue(0, 1, 2, 3, 4, 5) == -1, "GetCommandValue on a null handle returns -1");

    say(failures ? "msvc_client: FAILED\n" : "msvc_client: every result as documented\n");
    ExitProcess(failures ? 1u : 0u);
}
