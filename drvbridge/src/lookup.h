// Finds a printer's exclusive-settings library; GetDependDllName and the
// calls that load the library share it.
#pragma once

#include <windows.h>

#include "failure.h"

// Writes the name that the printer's data file gives (quote rule applied)
// into libraryName, kLibraryNameSize bytes. 1 found, else 0 with libraryName
// untouched and failure saying why.
[[nodiscard]] LONG FindLibraryName(LPCSTR printerName, LPSTR libraryName, Failure* failure);
