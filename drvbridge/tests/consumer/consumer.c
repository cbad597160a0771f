/* Calls every export of the bridge as an application does, through the
 * import library it was linked with. On i386 that library holds the
 * decorated names of drvbridge_stdcall.def, so a wrong @N there leaves a
 * name of this program unresolved and its link fails.
 *
 * First on a printer that does not exist (every documented failure result),
 * then on a printer of its own whose data file names consumer_double.dll:
 * each forwarder and one-shot must hand its own values, in order, to the
 * double and return the double's result. Prints where drvbridge.dll was
 * loaded from. Exit 0 only when every result is right. */
#include <stdio.h>
#include <string.h>

#include <drvbridge.h>

#include "consumer_double.h"

/* The import library leaves DllMain out; the DLL exports it at ordinal 1. */
typedef BOOL(WINAPI* DllMainFn)(HINSTANCE module, DWORD reason, LPVOID reserved);

#define PRINTER "Zelt Consumer Test"
#define DRIVER "Zelt Consumer Test Driver"

static int failures;

static void expect(int ok, const char* what) {
    printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    if (!ok) failures++;
}

typedef LONG (*ForwardFn)(HEXCLUSIVE handle, const LONG_PTR* v);
typedef LONG (*OneShotFn)(LPCSTR printer, const LONG_PTR* v);

static LONG CallGetPrinterOption(HEXCLUSIVE h, const LONG_PTR* v) {
    return GetPrinterOption(h, v[0], v[1], v[2], v[3]);
}
static LONG CallGetPrinterValue(HEXCLUSIVE h, const LONG_PTR* v) {
    return GetPrinterValue(h, v[0], v[1], v[2], v[3]);
}
static LONG CallGetWaterMarkList(HEXCLUSIVE h, const LONG_PTR* v) {
    return GetWaterMarkList(h, v[0], v[1], v[2], v[3]);
}
static LONG CallSetCommandBase(HEXCLUSIVE h, const LONG_PTR* v) {
    return SetCommandBase(h, v[0], v[1]);
}
static LONG CallGetCommandBase(HEXCLUSIVE h, const LONG_PTR* v) {
    return GetCommandBase(h, v[0], v[1], v[2]);
}
static LONG CallUpdateCommand(HEXCLUSIVE h, const LONG_PTR* v) {
    return UpdateCommand(h, v[0], v[1]);
}
static LONG CallGetCommandChange(HEXCLUSIVE h, const LONG_PTR* v) {
    return GetCommandChange(h, v[0], v[1], v[2]);
}
static LONG CallGetCommandValue(HEXCLUSIVE h, const LONG_PTR* v) {
    return GetCommandValue(h, v[0], v[1], v[2], v[3], v[4]);
}
static LONG CallGetDriverIniFileName(LPCSTR p, const LONG_PTR* v) {
    return GetDriverIniFileName(p, v[0], v[1], v[2]);
}
static LONG CallGetDriverDevmode(LPCSTR p, const LONG_PTR* v) {
    return GetDriverDevmode(p, v[0], v[1], v[2], v[3]);
}

static const struct {
    const char* name;
    LONG entry;
    LONG values;
    ForwardFn call;
} kForwarders[] = {
    {"GetPrinterOption", DOUBLE_GET_PRINTER_OPTION, 4, CallGetPrinterOption},
    {"GetPrinterValue", DOUBLE_GET_PRINTER_VALUE, 4, CallGetPrinterValue},
    {"GetWaterMarkList", DOUBLE_GET_WATER_MARK_LIST, 4, CallGetWaterMarkList},
    {"SetCommandBase", DOUBLE_SET_COMMAND_BASE, 2, CallSetCommandBase},
    {"GetCommandBase", DOUBLE_GET_COMMAND_BASE, 3, CallGetCommandBase},
    {"UpdateCommand", DOUBLE_UPDATE_COMMAND, 2, CallUpdateCommand},
    {"GetCommandChange", DOUBLE_GET_COMMAND_CHANGE, 3, CallGetCommandChange},
    {"GetCommandValue", DOUBLE_GET_COMMAND_VALUE, 5, CallGetCommandValue},
};

static const struct {
    const char* name;
    LONG entry;
    LONG values;
    OneShotFn call;
} kOneShots[] = {
    {"GetDriverIniFileName", DOUBLE_GET_INI_FILE_NAME, 3, CallGetDriverIniFileName},
    {"GetDriverDevmode", DOUBLE_GET_DRIVER_DEVMODE, 4, CallGetDriverDevmode},
};

/* Distinct for every entry point and position, and in both halves on x64. */
static void FillValues(LONG_PTR* v, LONG entry) {
    for (LONG i = 0; i < 5; ++i) {
        const unsigned low = 0x01000000u * (unsigned)(entry + 1) + 0x111u * (unsigned)(i + 1);
        v[i] = DOUBLE_WIDE(low, 0x80000000u | low);
    }
}

/* The double's one call since `before` was entry with exactly these
 * arguments; otherwise says what it got. */
static int SawOnly(const DoubleLog* log, LONG before, LONG entry, const LONG_PTR* args,
                   LONG count) {
    const DoubleCall* call;
    if (log->calls != before + 1 || before >= 32) {
        printf("     the double got %ld calls, not 1\n", (long)(log->calls - before));
        return 0;
    }
    call = &log->call[before];
    if (call->entry != entry || call->count != count ||
        memcmp(call->args, args, sizeof(LONG_PTR) * (size_t)count) != 0) {
        printf("     the double got entry %ld with %ld arguments:", (long)call->entry,
               (long)call->count);
        for (LONG i = 0; i < call->count && i < 6; ++i)
            printf(" %#llx", (unsigned long long)call->args[i]);
        printf("\n");
        return 0;
    }
    return 1;
}

static int WriteText(const char* path, const char* text) {
    FILE* f = fopen(path, "wb");
    if (f == NULL) return 0;
    const int ok = fputs(text, f) >= 0;
    return fclose(f) == 0 && ok;
}

/* Installs the printer once per prefix and writes its data file (as the
 * spooler reports its path) to name the double. */
static int SetUpPrinter(const char* doublePath) {
    static const char* const files[] = {"zeltct.ppd", "zeltct_drv.dll", "zeltct_ui.dll"};
    char dir[MAX_PATH];
    char path[MAX_PATH + 32];
    char text[MAX_PATH + 64];
    DWORD needed = 0;
    DRIVER_INFO_3A driver;
    PRINTER_INFO_2A info;
    HANDLE printer = NULL;
    BYTE record[4096];
    int written;

    if (!GetPrinterDriverDirectoryA(NULL, NULL, 1, (BYTE*)dir, sizeof dir, &needed)) {
        printf("     GetPrinterDriverDirectoryA failed: %lu\n", GetLastError());
        return 0;
    }
    for (size_t i = 0; i < sizeof files / sizeof files[0]; ++i) {
        snprintf(path, sizeof path, "%s\\%s", dir, files[i]);
        if (!WriteText(path, "*% placeholder\n")) {
            printf("     cannot write %s\n", path);
            return 0;
        }
    }
    memset(&driver, 0, sizeof driver);
    driver.cVersion = 3;
    driver.pName = (LPSTR)DRIVER;
    driver.pDriverPath = (LPSTR)files[1];
    driver.pDataFile = (LPSTR)files[0];
    driver.pConfigFile = (LPSTR)files[2];
    if (!AddPrinterDriverA(NULL, 3, (BYTE*)&driver) &&
        GetLastError() != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED) {
        printf("     AddPrinterDriverA failed: %lu\n", GetLastError());
        return 0;
    }
    memset(&info, 0, sizeof info);
    info.pPrinterName = (LPSTR)PRINTER;
    info.pPortName = (LPSTR) "FILE:";
    info.pDriverName = (LPSTR)DRIVER;
    info.pPrintProcessor = (LPSTR) "WinPrint";
    info.pDatatype = (LPSTR) "RAW";
    printer = AddPrinterA(NULL, 2, (BYTE*)&info);
    if (printer != NULL) {
        ClosePrinter(printer);
    } else if (GetLastError() != ERROR_PRINTER_ALREADY_EXISTS) {
        printf("     AddPrinterA failed: %lu\n", GetLastError());
        return 0;
    }
    if (!OpenPrinterA((LPSTR)PRINTER, &printer, NULL)) {
        printf("     OpenPrinterA failed: %lu\n", GetLastError());
        return 0;
    }
    const BOOL got = GetPrinterDriverA(printer, NULL, 2, record, sizeof record, &needed);
    ClosePrinter(printer);
    if (!got) {
        printf("     GetPrinterDriverA failed: %lu\n", GetLastError());
        return 0;
    }
    written =
        snprintf(text, sizeof text, "*%% consumer test\n*ExcDepDLLName: \"%s\"\n", doublePath);
    if (written < 0 || (size_t)written >= sizeof text ||
        !WriteText(((DRIVER_INFO_2A*)record)->pDataFile, text)) {
        printf("     cannot write the data file\n");
        return 0;
    }
    return 1;
}

/* Everything through the printer whose data file names the double. */
static void ForwardThroughTheDouble(const DoubleLog* log, const char* doublePath) {
    const char* printer = PRINTER; /* the bridge passes this very pointer on */
    char name[DRVBRIDGE_NAME_SIZE];
    char what[160];
    LONG_PTR v[5];
    LONG_PTR args[6];
    LONG before;
    HEXCLUSIVE handle;

    for (size_t i = 0; i < sizeof kForwarders / sizeof kForwarders[0]; ++i) {
        FillValues(v, kForwarders[i].entry);
        before = log->calls;
        snprintf(what, sizeof what, "%s on a null handle returns -1 and calls nothing",
                 kForwarders[i].name);
        expect(kForwarders[i].call(NULL, v) == -1 && log->calls == before, what);
    }

    expect(GetDependDllName(printer, name) == 1 && strcmp(name, doublePath) == 0,
           "GetDependDllName names the double");
    before = log->calls;
    handle = GetExclusive(printer);
    args[0] = (LONG_PTR)printer;
    expect(handle != NULL && SawOnly(log, before, DOUBLE_GET_EXCLUSIVE, args, 1),
           "GetExclusive opens a handle; the double got the caller's printer name");
    if (handle == NULL) return;

    for (size_t i = 0; i < sizeof kForwarders / sizeof kForwarders[0]; ++i) {
        const LONG entry = kForwarders[i].entry;
        LONG result;
        FillValues(v, entry);
        args[0] = DOUBLE_CONTEXT;
        memcpy(args + 1, v, sizeof(LONG_PTR) * (size_t)kForwarders[i].values);
        before = log->calls;
        result = kForwarders[i].call(handle, v);
        snprintf(what, sizeof what,
                 "%s: the double got the context and %ld values in order; %ld came back",
                 kForwarders[i].name, (long)kForwarders[i].values, (long)result);
        expect(SawOnly(log, before, entry, args, kForwarders[i].values + 1) &&
                   result == kDoubleResults[entry],
               what);
    }
    for (size_t i = 0; i < sizeof kOneShots / sizeof kOneShots[0]; ++i) {
        const LONG entry = kOneShots[i].entry;
        LONG result;
        FillValues(v, entry);
        args[0] = (LONG_PTR)printer;
        memcpy(args + 1, v, sizeof(LONG_PTR) * (size_t)kOneShots[i].values);
        before = log->calls;
        result = kOneShots[i].call(printer, v);
        snprintf(what, sizeof what,
                 "%s: the double got the printer name and %ld values in order; %ld came back",
                 kOneShots[i].name, (long)kOneShots[i].values, (long)result);
        expect(SawOnly(log, before, entry, args, kOneShots[i].values + 1) &&
                   result == kDoubleResults[entry],
               what);
    }
    before = log->calls;
    FreeExclusive(handle);
    args[0] = DOUBLE_CONTEXT;
    expect(SawOnly(log, before, DOUBLE_FREE_EXCLUSIVE, args, 1),
           "FreeExclusive hands the context to ExcFreeExclusive");
}

int main(void) {
    const char* missing = "Zelt consumer test: no such printer";
    char name[DRVBRIDGE_NAME_SIZE];
    char path[MAX_PATH];
    char doublePath[MAX_PATH];
    HMODULE bridge = GetModuleHandleA("drvbridge.dll");
    HMODULE pinned;
    DllMainFn dllMain;
    DoubleLogFn logFn;
    DWORD length;
    char* slash;

    if (bridge == NULL || !GetModuleFileNameA(bridge, path, sizeof path)) {
        printf("FAIL drvbridge.dll is not loaded\n");
        return 1;
    }
    printf("drvbridge.dll (%u-bit) loaded from %s\n", (unsigned)(8 * sizeof(void*)), path);

    dllMain = (DllMainFn)(void (*)(void))GetProcAddress(bridge, MAKEINTRESOURCEA(1));
    expect(dllMain != NULL &&
               dllMain == (DllMainFn)(void (*)(void))GetProcAddress(bridge, "DllMain"),
           "DllMain is the export at ordinal 1");
    expect(dllMain != NULL && dllMain(bridge, DLL_THREAD_ATTACH, NULL) == TRUE &&
               dllMain(bridge, DLL_THREAD_DETACH, NULL) == TRUE,
           "DllMain returns TRUE");
    memset(name, 'x', sizeof name);
    expect(GetDependDllName(missing, name) == 0, "GetDependDllName on a missing printer returns 0");
    expect(name[0] == 'x' && name[sizeof name - 1] == 'x', "and leaves the buffer untouched");
    expect(GetExclusive(missing) == NULL, "GetExclusive on a missing printer returns NULL");
    expect(GetDriverIniFileName(missing, 0, 0, 0) == -1,
           "GetDriverIniFileName on a missing printer returns -1");
    expect(GetDriverDevmode(missing, 0, 0, 0, 0) == -1,
           "GetDriverDevmode on a missing printer returns -1");
    /* Ignored by the bridge; a fault here ends the program with a nonzero code. */
    FreeExclusive(NULL);

    /* The double beside this program, held loaded so its log outlives the
     * bridge's own loads and unloads of it. */
    length = GetModuleFileNameA(NULL, doublePath, sizeof doublePath);
    slash = strrchr(doublePath, '\\');
    if (length == 0 || length >= sizeof doublePath || slash == NULL ||
        (size_t)(slash - doublePath) + sizeof "\\consumer_double.dll" > sizeof doublePath) {
        printf("FAIL cannot name consumer_double.dll\n");
        return 1;
    }
    strcpy(slash, "\\consumer_double.dll");
    pinned = LoadLibraryA(doublePath);
    logFn = pinned != NULL ? (DoubleLogFn)(void (*)(void))GetProcAddress(pinned, DOUBLE_LOG_EXPORT)
                           : NULL;
    if (logFn == NULL) {
        printf("FAIL cannot load %s\n", doublePath);
        return 1;
    }
    if (!SetUpPrinter(doublePath)) {
        printf("FAIL cannot install the printer \"%s\"\n", PRINTER);
        FreeLibrary(pinned);
        return 1;
    }
    ForwardThroughTheDouble(logFn(), doublePath);
    FreeLibrary(pinned);

    printf("%s\n", failures ? "consumer: FAILED" : "consumer: every result as documented");
    return failures ? 1 : 0;
}
