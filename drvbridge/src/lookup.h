// Library lookup shared by the exports.
#pragma once

#include <windows.h>

// The data-file path of the printer's driver as an AllocBlock string, or null.
[[nodiscard]] char* GetDriverDataFile(HANDLE printer);

extern "C" LONG WINAPI GetDependDllName(LPCSTR printerName, LPSTR libraryName);
