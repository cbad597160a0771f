// Calls a WINAPI function with pointer-wide integer arguments and returns the
// whole return register (a LONG result is its low 32 bits). On i386 it also
// reports how far ESP moved across the call: 0 when the callee removed
// exactly the arguments pushed. x64 has one calling convention, in which the
// caller cleans the stack, so there is nothing to check and *espDelta is 0.
#pragma once

#include <cstdint>

inline constexpr bool kStackBalanceChecked = sizeof(void*) == 4;

extern "C" intptr_t CallWinapi(const void* fn, const intptr_t* args, int32_t count,
                               int32_t* espDelta);
