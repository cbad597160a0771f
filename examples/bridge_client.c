/* Example client: names a printer's exclusive-settings library, then opens a
 * handle on it, reads one option and frees the handle. On a failure it says
 * GetLastError, which names the cause (docs/drvbridge.md, "Errors"). */
#include <stdio.h>

#include <drvbridge.h>

int main(int argc, char** argv) {
    const char* printer = argc > 1 ? argv[1] : "Zelt Sample Printer";
    char library[DRVBRIDGE_NAME_SIZE];
    HEXCLUSIVE handle;
    LONG option;

    if (!GetDependDllName(printer, library)) {
        printf("%s: no exclusive-settings library found (error %lu)\n", printer,
               (unsigned long)GetLastError());
        return 1;
    }
    printf("%s: exclusive-settings library %s\n", printer, library);

    handle = GetExclusive(printer);
    if (handle == NULL) {
        printf("GetExclusive failed (error %lu)\n", (unsigned long)GetLastError());
        return 1;
    }
    option = GetPrinterOption(handle, 1, 2, 0, 0);
    printf("GetPrinterOption(1, 2, 0, 0) = %ld\n", (long)option);
    printf("GetDriverIniFileName = %ld\n", (long)GetDriverIniFileName(printer, 0, 0, 0));
    FreeExclusive(handle);
    printf("handle freed\n");
    return 0;
}
