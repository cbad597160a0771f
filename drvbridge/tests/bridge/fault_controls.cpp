// Exports of the allocator seam, so a test can steer the seam-enabled bridge
// through its module the way it reaches every other export.
#include <windows.h>

#include "alloc_hooks.h"

extern "C" {

void WINAPI FaultFailAt(DWORD k) {
    AllocHookFailAt(k);
}

DWORD WINAPI FaultCalls() {
    return AllocHookCalls();
}

LONG WINAPI FaultOutstanding() {
    return AllocHookOutstanding();
}

void WINAPI FaultOnCall(DWORD k, AllocHookFn fn, void* context) {
    AllocHookOnCall(k, fn, context);
}

} // extern "C"
