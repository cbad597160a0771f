/* drvbridge.dll: reach a printer driver's exclusive settings by printer name.
 *
 * Every export is WINAPI (__stdcall on i386). Values and the exclusive
 * library's context are pointer-wide (LONG_PTR: LONG on i386, 64 bits on
 * x64); results are LONG on both. A 64-bit application loads the 64-bit
 * bridge, which loads the 64-bit exclusive-settings library. Strings are ANSI
 * (the system code page); there are no wide-character variants.
 *
 * Threads and state: the bridge keeps no global state, starts no threads and
 * takes no locks; every function may be called from any thread. Calls that
 * take a printer name talk to the spooler, and all but GetDependDllName load
 * libraries: make none of them from a DllMain.
 *
 * Failures: each function's failure result is given below. After a failure,
 * GetLastError on the same thread names the cause, and one line
 *     drvbridge: <export>("<printer>"): <step>, error <n>
 * goes to OutputDebugStringA (a debugger or debug-output viewer shows it).
 * After a successful call the last-error value means nothing. The causes:
 *     1801 and others  OpenPrinterA's error: no such printer, or no access
 *     GetPrinterDriverA's error, or 13 ERROR_INVALID_DATA: no driver data file
 *     2, 32, 1006 ...  the data file cannot be opened, sized or mapped
 *     1168 ERROR_NOT_FOUND             no ExcDepDLLName entry in the data file
 *     206 ERROR_FILENAME_EXCED_RANGE   the library name has 260 bytes or more
 *     126 and others   the loader's error: the library cannot be loaded
 *     161 ERROR_BAD_PATHNAME           a relative library path with a folder
 *     127 ERROR_PROC_NOT_FOUND         the library lacks an entry point
 *     1627 ERROR_FUNCTION_FAILED       ExcGetExclusive returned 0
 *     6 ERROR_INVALID_HANDLE           a null or foreign handle
 *     8 ERROR_NOT_ENOUGH_MEMORY        memory ran out
 *     87 ERROR_INVALID_PARAMETER       GetDependDllName without a buffer
 *
 * Where the library is loaded from: a bare name from the application's
 * folder or the system folder only, a full path as it is; never from the
 * current directory or a PATH folder. A relative path with a folder is
 * refused.
 *
 * The values a ... e of the forwarders and one-shots belong to the driver's
 * exclusive-settings library: their meaning, and the meaning of its
 * results, are the driver's. The bridge passes them on unchanged, at full
 * width and in order, and reads nothing they point to. */
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

/* GetDependDllName: the file name of the printer's exclusive-settings
 * library, as the printer's data file gives it (its ExcDepDLLName entry, one
 * pair of enclosing quotes removed). Loads nothing and calls no driver code.
 *   printerName  in: the printer's name; read only during the call. Null
 *                names no printer: 0, with the spooler's error (6
 *                ERROR_INVALID_HANDLE on Windows).
 *   libraryName  out: a caller-owned buffer of DRVBRIDGE_NAME_SIZE bytes;
 *                on success it holds the name, NUL-terminated (259 bytes at
 *                most); on failure it is untouched. Null: the call fails
 *                with 87 ERROR_INVALID_PARAMETER (since 2.0.0; it crashed
 *                before).
 * Returns 1 when found; 0 on failure, with the last-error value set. */
LONG WINAPI GetDependDllName(LPCSTR printerName, LPSTR libraryName);

/* GetExclusive: loads the printer's library, binds its ten Exc... entry
 * points and opens a context with ExcGetExclusive(printerName).
 *   printerName  in: read only during the call (the library may keep its
 *                own copy).
 * Returns the handle, owned by the caller until FreeExclusive; null on
 * failure, with the last-error value set and nothing left loaded.
 * Side effect: it first asks the spooler for the printer's capabilities
 * (DeviceCapabilitiesA), which loads the driver's user-interface module into
 * the calling process; the library it loads stays loaded until
 * FreeExclusive. */
HEXCLUSIVE WINAPI GetExclusive(LPCSTR printerName);

/* FreeExclusive: calls the library's ExcFreeExclusive(context) once, unloads
 * the library and releases the handle.
 *   handle  in: from GetExclusive. Null is ignored quietly (the last-error
 *           value is left alone). A block that is not a live handle is
 *           ignored with 6 ERROR_INVALID_HANDLE when the bridge can tell
 *           (see below).
 * The handle must not be used again, nor be freed while another call on it
 * is running. */
void WINAPI FreeExclusive(HEXCLUSIVE handle);

/* Forwarders: each calls the library's entry point of the same name with
 * "Exc" in front (GetPrinterOption -> ExcGetPrinterOption) with the handle's
 * context followed by the values, in order, and returns its result.
 *   handle   in: from GetExclusive. Null, or a block that does not start
 *            with the handle's mark (another record, most freed handles),
 *            gives -1 with 6 ERROR_INVALID_HANDLE and calls nothing. A
 *            pointer to released or unreadable memory cannot be told
 *            apart: undefined behaviour.
 *   a ... e  in: the library's values (see above).
 * Returns the library's result. A -1 of the library's own looks the same as
 * the bridge's; after the library's result the last-error value is what the
 * library left. Calls on one handle from several threads reach the library
 * without serialisation: the library must cope with them. */
LONG WINAPI GetPrinterOption(HEXCLUSIVE handle, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d);
LONG WINAPI GetPrinterValue(HEXCLUSIVE handle, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d);
LONG WINAPI GetWaterMarkList(HEXCLUSIVE handle, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d);
LONG WINAPI SetCommandBase(HEXCLUSIVE handle, LONG_PTR a, LONG_PTR b);
LONG WINAPI GetCommandBase(HEXCLUSIVE handle, LONG_PTR a, LONG_PTR b, LONG_PTR c);
LONG WINAPI UpdateCommand(HEXCLUSIVE handle, LONG_PTR a, LONG_PTR b);
LONG WINAPI GetCommandChange(HEXCLUSIVE handle, LONG_PTR a, LONG_PTR b, LONG_PTR c);
LONG WINAPI GetCommandValue(HEXCLUSIVE handle, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d,
                            LONG_PTR e);

/* One-shot calls: each loads the printer's library, calls ExcGetIniFileName
 * or ExcGetDriverDevmode with the printer name and the values, unloads the
 * library and returns the result. Only that one entry point is needed.
 *   printerName  in: read only during the call; passed to the library.
 *   a ... d      in: the library's values (see above).
 * Returns the library's result; -1 when the lookup, the load or the entry
 * point fails, with the last-error value set. Side effect: like
 * GetExclusive, it first calls DeviceCapabilitiesA for the printer, which
 * loads the driver's user-interface module into the calling process. May be
 * used while a handle on the same printer is open. */
LONG WINAPI GetDriverIniFileName(LPCSTR printerName, LONG_PTR a, LONG_PTR b, LONG_PTR c);
LONG WINAPI GetDriverDevmode(LPCSTR printerName, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d);

/* DllMain is exported too (ordinal 1) and returns TRUE; it is not declared
 * here and the import libraries leave it out. */

#ifdef __cplusplus
}
#endif

#endif /* DRVBRIDGE_H */
