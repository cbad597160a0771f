// Loads the printer's exclusive-settings library without searching the
// current directory or PATH, and without changing anything process-wide.
#pragma once

#include <windows.h>

// A bare name is looked for in the application's folder, then the system
// folder; a full path loads that file; a relative path with a folder, or an
// empty name, is refused (ERROR_BAD_PATHNAME). Null on failure, with the
// thread's last-error value saying why.
[[nodiscard]] HMODULE LoadDriverLibrary(const char* name);

#ifdef DRVBRIDGE_ALLOC_HOOKS
// Test seam, test builds only: the system as it is, a system without the
// LOAD_LIBRARY_SEARCH_* flags (so the fallback runs), or one that has them
// but whose flagged load fails with ERROR_INVALID_PARAMETER.
inline constexpr LONG kSearchFlagsReal = 0;
inline constexpr LONG kSearchFlagsAbsent = 1;
inline constexpr LONG kSearchFlagsLoadFails = 2;
void LoadHookSearchFlags(LONG mode);
#endif
