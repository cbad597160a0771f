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

bool HookRefuses() {
    const uint32_t call = ++g_calls;
    return g_failAt != 0 && call == g_failAt;
}
void HookAllocated() { ++g_outstanding; }
void HookFreed() { --g_outstanding; }
}  // namespace

void AllocHookFailAt(uint32_t k) {
    g_failAt = k;
    g_calls = 0;
}
uint32_t AllocHookCalls() { return g_calls; }
int32_t AllocHookOutstanding() { return g_outstanding; }
#else
namespace {
constexpr bool HookRefuses() { return false; }
constexpr void HookAllocated() {}
constexpr void HookFreed() {}
}  // namespace
#endif
