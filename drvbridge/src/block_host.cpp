// Native block allocator and read cursor, so the reader runs under sanitizers.
// Same layout as on Windows: a hidden word (here the block's size) before the
// caller's bytes.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "alloc_hooks_impl.h"
#include "block.h"

namespace {
// Keeps the caller's bytes aligned for any record.
constexpr uint32_t kHiddenWord = 16;
} // namespace

void* AllocBlock(uint32_t n) {
    // The i386 build's refusal: there the hidden word is sizeof(HGLOBAL), 4
    // bytes (8 on x64).
    if (n > UINT32_MAX - 4) return nullptr;
    if (HookRefuses()) return nullptr;
    auto* base = static_cast<uint8_t*>(std::calloc(1, size_t{n} + kHiddenWord));
    if (base == nullptr) return nullptr;
    std::memcpy(base, &n, sizeof n);
    HookAllocated();
    return base + kHiddenWord;
}

void* ResizeBlock(void* block, uint32_t n) {
    if (n > UINT32_MAX - 4) return nullptr;
    if (HookRefuses()) return nullptr;
    // Large blocks grow by remapping, so their pages are neither copied nor faulted again.
    auto* base = static_cast<uint8_t*>(
        std::realloc(static_cast<uint8_t*>(block) - kHiddenWord, size_t{n} + kHiddenWord));
    if (base == nullptr) return nullptr;
    std::memcpy(base, &n, sizeof n);
    return base + kHiddenWord;
}

void FreeBlock(void* block) {
    if (block == nullptr) return;
    std::free(static_cast<uint8_t*>(block) - kHiddenWord);
    HookFreed();
}

namespace {
// Maps the whole file read-only; every handle is closed before returning.
int32_t MapFileReadOnly(const char* path, const uint8_t** viewBase, const uint8_t** position,
                        uint32_t* size) {
    const int fd = open(path, O_RDONLY);
    if (fd < 0) return 0;
    struct stat info {};
    int32_t mapped = 0;
    if (fstat(fd, &info) == 0 && info.st_size > 0 && info.st_size < 0xFFFFFFFF) {
        *size = static_cast<uint32_t>(info.st_size);
        void* view = mmap(nullptr, *size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (view != MAP_FAILED) {
            *viewBase = static_cast<const uint8_t*>(view);
            *position = *viewBase;
            mapped = 1;
        }
    }
    close(fd);
    return mapped;
}
} // namespace

ReadCursor* OpenReadCursor(const char* path) {
    auto* cursor = static_cast<ReadCursor*>(AllocBlock(sizeof(ReadCursor)));
    if (cursor == nullptr) return nullptr;
    uint32_t size = 0;
    if (MapFileReadOnly(path, &cursor->viewBase, &cursor->position, &size) == 0) {
        FreeBlock(cursor);
        return nullptr;
    }
    cursor->remaining = size;
    return cursor;
}

void CloseReadCursor(ReadCursor* cursor) {
    if (cursor == nullptr) return;
    // The position has moved; the size is base-to-end.
    const size_t size =
        static_cast<size_t>(cursor->position - cursor->viewBase) + cursor->remaining;
    munmap(const_cast<uint8_t*>(cursor->viewBase), size);
    FreeBlock(cursor);
}
