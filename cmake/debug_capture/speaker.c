/* Says a few lines through OutputDebugString, crosses an exception it
   handles itself, and exits with a known code: the capture's own test.
   "speaker hang" says one line and never exits. */
#include <string.h>
#include <windows.h>

#define SPEAKER_OWN_EXCEPTION 0xE0000001u
#define PRINT_WIDE_EXCEPTION 0x4001000Au

/* Takes its own exception only; the system's debug-print exceptions go on
   to whoever handles them. */
static LONG CALLBACK TakeOwn(EXCEPTION_POINTERS* info) {
    return info->ExceptionRecord->ExceptionCode == SPEAKER_OWN_EXCEPTION
               ? EXCEPTION_CONTINUE_EXECUTION
               : EXCEPTION_CONTINUE_SEARCH;
}

static volatile LONG g_wideNotTaken = 0;

/* Last in line, where newer systems' OutputDebugStringW catches its wide
   exception when no debugger took it. */
static LONG CALLBACK WideNotTaken(EXCEPTION_POINTERS* info) {
    if (info->ExceptionRecord->ExceptionCode != PRINT_WIDE_EXCEPTION) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    g_wideNotTaken = 1;
    return EXCEPTION_CONTINUE_EXECUTION;
}

/* What OutputDebugStringW does on systems that raise the wide exception
   first: a debugger that waits for wide lines takes it; otherwise the ANSI
   form follows. */
static void SayWideFirst(const wchar_t* wide, const char* ansi) {
    ULONG_PTR args[4];
    args[0] = (ULONG_PTR)(wcslen(wide) + 1);
    args[1] = (ULONG_PTR)wide;
    args[2] = (ULONG_PTR)(strlen(ansi) + 1);
    args[3] = (ULONG_PTR)ansi;
    g_wideNotTaken = 0;
    RaiseException(PRINT_WIDE_EXCEPTION, 0, 4, args);
    if (g_wideNotTaken) {
        OutputDebugStringA(ansi);
    }
}

int main(int argc, char** argv) {
    if (argc > 1 && strcmp(argv[1], "hang") == 0) {
        OutputDebugStringA("speaker: hanging");
        Sleep(INFINITE);
    }
    PVOID own = AddVectoredExceptionHandler(1, TakeOwn);
    PVOID last = AddVectoredExceptionHandler(0, WideNotTaken);
    OutputDebugStringA("speaker: one\n");
    RaiseException(SPEAKER_OWN_EXCEPTION, 0, 0, NULL);
    OutputDebugStringA("speaker: two");
    OutputDebugStringW(L"speaker: three\n");
    SayWideFirst(L"speaker: four", "speaker: four");
    OutputDebugStringA("");
    RemoveVectoredExceptionHandler(last);
    RemoveVectoredExceptionHandler(own);
    return 7;
}
