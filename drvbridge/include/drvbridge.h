/* drvbridge.dll: reach a printer driver's exclusive settings by printer name.
 *
 * Every export is WINAPI (__stdcall on i386). Values and the exclusive
 * library's context are pointer-wide (LONG_PTR: LONG on i386, 64 bits on
 * x64); results are LONG on both. A 64-bit application loads the 64-bit
 * bridge, which loads the 64-bit exclusive-settings library. Strings are ANSI
 * (the system code page). The bridge keeps no global state and takes no
 * locks; see docs/drvbridge.md. After a failing call GetLastError names the
 * cause, and one OutputDebugStringA line ("drvbridge: ...") says it for a
 * debugger or debug-output viewer; after a successful call the value means
 * nothing. */
#ifndef DRVBRIDGE_H
#define DRVBRIDGE_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The release this header belongs to; the DLL's version block carries the
 * same numbers. */
#define DRVBRIDGE_VERSION_MAJOR 2
#define DRVBRIDGE_VERSION_MINOR 0
#define DRVBRIDGE_VERSION_PATCH 0

/* Size in bytes of the buffer that GetDependDllName fills (MAX_PATH). */
#define DRVBRIDGE_NAME_SIZE 260

/* Opaque handle from GetExclusive; owned by the caller until FreeExclusive. */
typedef void* HEXCLUSIVE;

/* Writes the file name of the printer's exclusive-settings library (the data
 * file's ExcDepDLLName entry, one pair of enclosing quotes removed) into
 * libraryName, a caller-owned buffer of DRVBRIDGE_NAME_SIZE bytes. Returns 1,
 * or 0 when there is no such printer or entry, the name does not fit, or
 * anything failed; on 0 the buffer is untouched. */
LONG WINAPI GetDependDllName(LPCSTR printerName, LPSTR libraryName);

/* Loads the printer's library and opens a handle on it. Returns null on any
 * failure, with nothing left loaded. printerName must stay valid only for the
 * call. */
HEXCLUSIVE WINAPI GetExclusive(LPCSTR printerName);

/* Closes the handle and unloads the library. Null or a foreign handle is
 * ignored. The handle must not be used again, nor be freed while another call
 * on it is running. */
void WINAPI FreeExclusive(HEXCLUSIVE handle);

/* Forwarders: pass the handle's context and the values, in order, to the
 * library's Exc... entry point of the same name and return its result. -1 for
 * a null or foreign handle (a library's own -1 looks the same). */
LONG WINAPI GetPrinterOption(HEXCLUSIVE handle, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d);
LONG WINAPI GetPrinterValue(HEXCLUSIVE handle, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d);
LONG WINAPI GetWaterMarkList(HEXCLUSIVE handle, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d);
LONG WINAPI SetCommandBase(HEXCLUSIVE handle, LONG_PTR a, LONG_PTR b);
LONG WINAPI GetCommandBase(HEXCLUSIVE handle, LONG_PTR a, LONG_PTR b, LONG_PTR c);
LONG WINAPI UpdateCommand(HEXCLUSIVE handle, LONG_PTR a, LONG_PTR b);
LONG WINAPI GetCommandChange(HEXCLUSIVE handle, LONG_PTR a, LONG_PTR b, LONG_PTR c);
LONG WINAPI GetCommandValue(HEXCLUSIVE handle, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d,
                            LONG_PTR e);

/* One-shot calls: load the printer's library, call ExcGetIniFileName or
 * ExcGetDriverDevmode with the printer name and the values, unload it and
 * return the result. -1 when the library or entry point is not found. */
LONG WINAPI GetDriverIniFileName(LPCSTR printerName, LONG_PTR a, LONG_PTR b, LONG_PTR c);
LONG WINAPI GetDriverDevmode(LPCSTR printerName, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d);

#ifdef __cplusplus
}
#endif

#endif /* DRVBRIDGE_H */
