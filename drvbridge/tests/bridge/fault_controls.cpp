// Exports of the allocator seam, so a test can steer the seam-enabled bridge
// through its module the way it reaches every other export.
#include <windows.h>

#include "alloc_hooks.h"
#include "library_load.h"

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

// One of the kSearchFlags* modes of library_load.h.
void WINAPI FaultSearchFlags(DWORD mode) {
    LoadHookSearchFlags(static_cast<LONG>(mode));
}

} // extern "C"
