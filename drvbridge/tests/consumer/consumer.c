/* Calls the bridge as an application would, on a printer that does not
 * exist, and checks every documented failure result. Prints where
 * drvbridge.dll was loaded from. Exit 0 only when every result is right. */
#include <stdio.h>
#include <string.h>

#include <drvbridge.h>

static int failures;

static void expect(int ok, const char* what) {
    printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    if (!ok) failures++;
}

int main(void) {
    const char* printer = "Zelt consumer test: no such printer";
    char name[DRVBRIDGE_NAME_SIZE];
    char path[MAX_PATH];
    HMODULE bridge = GetModuleHandleA("drvbridge.dll");

    if (bridge == NULL || !GetModuleFileNameA(bridge, path, sizeof path)) {
        printf("FAIL drvbridge.dll is not loaded\n");
        return 1;
    }
    printf("drvbridge.dll (%u-bit) loaded from %s\n", (unsigned)(8 * sizeof(void*)), path);

    memset(name, 'x', sizeof name);
    expect(GetDependDllName(printer, name) == 0, "GetDependDllName on a missing printer returns 0");
    expect(name[0] == 'x' && name[sizeof name - 1] == 'x', "and leaves the buffer untouched");
    expect(GetExclusive(printer) == NULL, "GetExclusive on a missing printer returns NULL");
    expect(GetPrinterOption(NULL, 1, 2, 3, 4) == -1,
           "GetPrinterOption on a null handle returns -1");
    expect(GetDriverIniFileName(printer, 0, 0, 0) == -1,
           "GetDriverIniFileName on a missing printer returns -1");
    /* Ignored by the bridge; a fault here ends the program with a nonzero code. */
    FreeExclusive(NULL);
    printf("%s\n", failures ? "consumer: FAILED" : "consumer: every result as documented");
    return failures ? 1 : 0;
}
