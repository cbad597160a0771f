/* A driver team's DLL that uses the bridge and has no DllMain of its own:
 * the C runtime's start-up then calls the runtime's default DllMain. Linked
 * through the bridge's import library, it must not import the bridge's
 * DllMain in its place; bridge-imports.sh reads its import table. */
#include <drvbridge.h>

__declspec(dllexport) LONG WINAPI TeamLibraryName(LPCSTR printer, LPSTR name) {
    return GetDependDllName(printer, name);
}

__declspec(dllexport) LONG WINAPI TeamPrinterOption(LPCSTR printer, LONG_PTR option) {
    HEXCLUSIVE handle = GetExclusive(printer);
    LONG result = -1;
    if (handle != NULL) {
        result = GetPrinterOption(handle, option, 0, 0, 0);
        FreeExclusive(handle);
    }
    return result;
}
