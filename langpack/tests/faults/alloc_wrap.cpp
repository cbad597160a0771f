#include "alloc_wrap.h"

#include <cstddef>
#include <unordered_set>

extern "C" void* __real_malloc(size_t n);
extern "C" void* __real_calloc(size_t count, size_t n);
extern "C" void* __real_realloc(void* p, size_t n);
extern "C" void __real_free(void* p);

namespace {

bool armed = false;
uint32_t failAt = 0;
uint32_t calls = 0;
int64_t outstanding = 0;
// Blocks handed out while armed; a free of any other block is not counted.
// The set's own nodes come from operator new, which is not wrapped here.
std::unordered_set<void*>* live = nullptr;

bool FailThisOne() {
    if (!armed) return false;
    ++calls;
    return calls == failAt;
}

void Track(void* p) {
    if (armed && p != nullptr) {
        armed = false; // the set allocates
        live->insert(p);
        armed = true;
        ++outstanding;
    }
}

void Untrack(void* p) {
    if (live != nullptr && p != nullptr) {
        const bool was = armed;
        armed = false;
        if (live->erase(p) != 0) --outstanding;
        armed = was;
    }
}

} // namespace

extern "C" void* __wrap_malloc(size_t n) {
    if (FailThisOne()) return nullptr;
    void* p = __real_malloc(n);
    Track(p);
    return p;
}

extern "C" void* __wrap_calloc(size_t count, size_t n) {
    if (FailThisOne()) return nullptr;
    void* p = __real_calloc(count, n);
    Track(p);
    return p;
}

extern "C" void* __wrap_realloc(void* old, size_t n) {
    if (FailThisOne()) return nullptr;
    Untrack(old);
    void* p = __real_realloc(old, n);
    Track(p);
    return p;
}

extern "C" void __wrap_free(void* p) {
    Untrack(p);
    __real_free(p);
}

void ArmAllocFailure(uint32_t k) {
    if (live == nullptr) live = new std::unordered_set<void*>();
    live->clear();
    failAt = k;
    calls = 0;
    outstanding = 0;
    armed = true;
}

void DisarmAllocFailure() {
    armed = false;
}
uint32_t ArmedAllocCalls() {
    return calls;
}
int64_t ArmedAllocOutstanding() {
    return outstanding;
}
