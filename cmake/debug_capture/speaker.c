/* Says a few lines through OutputDebugString, crosses an exception it
   handles itself, and exits with a known code: the capture's own test. */
#include <windows.h>

static LONG CALLBACK Swallow(EXCEPTION_POINTERS* info) {
    (void)info;
    return EXCEPTION_CONTINUE_EXECUTION;
}

int main(void) {
    PVOID handler = AddVectoredExceptionHandler(1, Swallow);
    OutputDebugStringA("speaker: one\n");
    RaiseException(0xE0000001u, 0, 0, NULL);
    OutputDebugStringA("speaker: two");
    OutputDebugStringW(L"speaker: three\n");
    OutputDebugStringA("");
    RemoveVectoredExceptionHandler(handler);
    return 7;
}
