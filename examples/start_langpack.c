/* How an installer starts langpack.exe: names the driver's folder in the
 * registry value langpack.exe reads, starts it with an exact command line
 * and reads its exit code.
 *
 *   start_langpack.exe LANGPACK_FOLDER SET DRIVER_FOLDER
 *
 * LANGPACK_FOLDER holds langpack.exe, SET is 0 to 19, DRIVER_FOLDER is
 * where the five files go (created if missing). Prints the exit code and
 * what it means for the install, and exits with it. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* Starts langpack.exe from folder with /L<set>, waits and stores its exit
 * code; FALSE when it could not be started (GetLastError says why). */
static BOOL RunLangpack(const char* folder, int set, DWORD* code) {
    char app[MAX_PATH], line[MAX_PATH + 16];
    STARTUPINFOA startup = {.cb = sizeof startup};
    PROCESS_INFORMATION process;
    int n = snprintf(app, sizeof app, "%s\\langpack.exe", folder);
    if (n < 0 || n >= (int)sizeof app) return FALSE;
    /* The path in quotes, one blank, the switch and nothing after it. */
    n = snprintf(line, sizeof line, "\"%s\" /L%d", app, set);
    if (n < 0 || n >= (int)sizeof line) return FALSE;
    if (!CreateProcessA(app, line, NULL, NULL, FALSE, CREATE_NO_WINDOW, NULL, NULL, &startup,
                        &process))
        return FALSE;
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, code); /* 0, 87 or 0xFFFFFFFF (-1) */
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return TRUE;
}

/* langpack.exe writes into the folder this value names (of the account it
 * runs as); without it, into C:\_zelt\. The folder must exist. */
static BOOL NameDriverFolder(const char* folder) {
    HKEY key;
    LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\KAVEN\\ZeltDrv", 0, NULL, 0,
                                  KEY_SET_VALUE, NULL, &key, NULL);
    if (status != ERROR_SUCCESS) return FALSE;
    status = RegSetValueExA(key, "_ZELTDirectory", 0, REG_SZ, (const BYTE*)folder,
                            (DWORD)strlen(folder) + 1);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

int main(int argc, char** argv) {
    DWORD code = 0;
    if (argc != 4) {
        fprintf(stderr, "usage: start_langpack LANGPACK_FOLDER SET DRIVER_FOLDER\n");
        return 2;
    }
    if (!CreateDirectoryA(argv[3], NULL) && GetLastError() != ERROR_ALREADY_EXISTS) {
        printf("cannot create %s, error %lu\n", argv[3], GetLastError());
        return 3;
    }
    if (!NameDriverFolder(argv[3])) {
        printf("cannot set _ZELTDirectory\n");
        return 3;
    }
    if (!RunLangpack(argv[1], atoi(argv[2]), &code)) {
        printf("langpack.exe did not start, error %lu\n", GetLastError());
        return 3;
    }
    if (code == 0)
        printf("exit code 0: the set is in place\n");
    else if (code == 87)
        printf("exit code 87: command line refused, or out of memory; nothing written\n");
    else if (code == (DWORD)-1)
        printf("exit code -1: a file failed; files before it stay\n");
    else
        printf("exit code %lu: not one of langpack.exe's\n", code);
    return (int)code;
}
