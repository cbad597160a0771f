// Calls a __stdcall function with 32-bit arguments and reports how far the
// stack pointer moved across the call: 0 when the callee removed exactly the
// arguments pushed.
#pragma once

#include <cstdint>

extern "C" int32_t __cdecl CallStdcall(const void* fn, const int32_t* args, int32_t count,
                                       int32_t* espDelta);
