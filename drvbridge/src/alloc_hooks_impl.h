// Shared by both block allocators; included once by each.
#pragma once

#include <cstdint>

#ifdef DRVBRIDGE_ALLOC_HOOKS
#include <atomic>

#include "alloc_hooks.h"

namespace {
std::atomic<uint32_t> g_failAt{0};
std::atomic<uint32_t> g_calls{0};
std::atomic<int32_t> g_outstanding{0};
std::atomic<uint32_t> g_callbackAt{0};
std::atomic<AllocHookFn> g_callback{nullptr};
std::atomic<void*> g_callbackContext{nullptr};

bool HookRefuses() {
    const uint32_t call = ++g_calls;
    if (g_callbackAt != 0 && call == g_callbackAt) {
        const AllocHookFn fn = g_callback;
        if (fn != nullptr) fn(g_callbackContext);
    }
    return g_failAt != 0 && call == g_failAt;
}
void HookAllocated() {
    ++g_outstanding;
}
void HookFreed() {
    --g_outstanding;
}
} // namespace

void AllocHookFailAt(uint32_t k) {
    g_failAt = k;
    g_calls = 0;
}
uint32_t AllocHookCalls() {
    return g_calls;
}
void AllocHookOnCall(uint32_t k, AllocHookFn fn, void* context) {
    g_callbackAt = 0;
    g_callback = fn;
    g_callbackContext = context;
    g_callbackAt = fn != nullptr ? k : 0;
}
int32_t AllocHookOutstanding() {
    return g_outstanding;
}
#else
namespace {
constexpr bool HookRefuses() {
    return false;
}
constexpr void HookAllocated() {}
constexpr void HookFreed() {}
} // namespace
#endif
