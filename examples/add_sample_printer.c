/* Demo set-up: installs a printer whose driver data file is the file named on
 * the command line, so that the bridge can find its library. */
#include <stdio.h>
#include <string.h>

#include <windows.h>

static int CopyInto(const char* dir, const char* name, const char* from) {
    char to[MAX_PATH];
    snprintf(to, sizeof(to), "%s\\%s", dir, name);
    if (from != NULL) return CopyFileA(from, to, FALSE) != 0;
    FILE* f = fopen(to, "wb");
    if (f == NULL) return 0;
    fputs("placeholder", f);
    return fclose(f) == 0;
}

int main(int argc, char** argv) {
    const char* printer = "Zelt Sample Printer";
    char dir[MAX_PATH];
    DWORD needed = 0;
    DRIVER_INFO_3A driver;
    PRINTER_INFO_2A info;
    HANDLE h;

    if (argc < 2) {
        fprintf(stderr, "usage: add_sample_printer DATAFILE\n");
        return 2;
    }
    if (!GetPrinterDriverDirectoryA(NULL, NULL, 1, (BYTE*)dir, sizeof(dir), &needed) ||
        !CopyInto(dir, "zeltsample.ppd", argv[1]) || !CopyInto(dir, "zeltsample_drv.dll", NULL) ||
        !CopyInto(dir, "zeltsample_ui.dll", NULL)) {
        fprintf(stderr, "cannot fill the driver directory\n");
        return 1;
    }
    memset(&driver, 0, sizeof(driver));
    driver.cVersion = 3;
    driver.pName = (LPSTR) "Zelt Sample Driver";
    driver.pDriverPath = (LPSTR) "zeltsample_drv.dll";
    driver.pDataFile = (LPSTR) "zeltsample.ppd";
    driver.pConfigFile = (LPSTR) "zeltsample_ui.dll";
    if (!AddPrinterDriverA(NULL, 3, (BYTE*)&driver) &&
        GetLastError() != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED) {
        fprintf(stderr, "AddPrinterDriverA failed: %lu\n", GetLastError());
        return 1;
    }
    memset(&info, 0, sizeof(info));
    info.pPrinterName = (LPSTR)printer;
    info.pPortName = (LPSTR) "FILE:";
    info.pDriverName = driver.pName;
    info.pPrintProcessor = (LPSTR) "WinPrint";
    info.pDatatype = (LPSTR) "RAW";
    h = AddPrinterA(NULL, 2, (BYTE*)&info);
    if (h != NULL) {
        ClosePrinter(h);
    } else if (GetLastError() != ERROR_PRINTER_ALREADY_EXISTS) {
        fprintf(stderr, "AddPrinterA failed: %lu\n", GetLastError());
        return 1;
    }
    printf("printer \"%s\" installed\n", printer);
    return 0;
}
