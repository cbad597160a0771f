// Test seam over AllocBlock: only the test variant of the library
// (DRVBRIDGE_ALLOC_HOOKS defined) has these; the shipped DLL does not.
#pragma once

#include <cstdint>

// From now on, the k-th AllocBlock call (1-based, counted from this call)
// fails; 0 makes none fail. Resets the call count.
void AllocHookFailAt(uint32_t k);
// AllocBlock calls since the last AllocHookFailAt.
[[nodiscard]] uint32_t AllocHookCalls();
// Blocks handed out and not yet freed.
[[nodiscard]] int32_t AllocHookOutstanding();
// Runs fn(context) once, at the start of the k-th AllocBlock call counted
// like AllocHookFailAt's (set it after that reset); lets a test change the
// world at an exact point inside a call. 0 or a null fn clears it.
using AllocHookFn = void (*)(void* context);
void AllocHookOnCall(uint32_t k, AllocHookFn fn, void* context);
