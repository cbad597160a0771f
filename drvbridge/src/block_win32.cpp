// Block allocator and read cursor over Win32 global memory and file mappings.
#include <windows.h>

#include <cstring>

#include "alloc_hooks_impl.h"
#include "block.h"

namespace {
// The hidden word in front of each block holds its global-memory handle.
constexpr uint32_t kHandleWord = sizeof(HGLOBAL);
#if defined(_M_IX86) || defined(__i386__)
static_assert(kHandleWord == 4, "i386: the hidden word is 4 bytes");
#endif
} // namespace

void* AllocBlock(uint32_t n) {
    // n + the hidden word must not wrap: a wrapped request would be tiny and
    // zeroing n bytes would run far past it.
    if (n > UINT32_MAX - kHandleWord) return nullptr;
    if (HookRefuses()) return nullptr;
    HGLOBAL handle = GlobalAlloc(GMEM_FIXED, n + kHandleWord);
    if (handle == nullptr) return nullptr;
    auto* base = static_cast<uint8_t*>(GlobalLock(handle));
    if (base == nullptr) {
        GlobalFree(handle);
        return nullptr;
    }
    std::memcpy(base, &handle, kHandleWord);
    std::memset(base + kHandleWord, 0, n);
    HookAllocated();
    return base + kHandleWord;
}

void* ResizeBlock(void* block, uint32_t n) {
    if (n > UINT32_MAX - kHandleWord) return nullptr;
    if (HookRefuses()) return nullptr;
    HGLOBAL handle;
    std::memcpy(&handle, static_cast<uint8_t*>(block) - kHandleWord, kHandleWord);
    // GMEM_MOVEABLE lets the block move and it stays fixed, so the handle is
    // its address; no GMEM_ZEROINIT, so the new tail's pages stay untouched.
    HGLOBAL resized = GlobalReAlloc(handle, n + kHandleWord, GMEM_MOVEABLE);
    if (resized == nullptr) return nullptr;
    auto* base = static_cast<uint8_t*>(resized);
    std::memcpy(base, &resized, kHandleWord);
    return base + kHandleWord;
}

void FreeBlock(void* block) {
    if (block == nullptr) return;
    HGLOBAL handle;
    std::memcpy(&handle, static_cast<uint8_t*>(block) - kHandleWord, kHandleWord);
    GlobalUnlock(handle);
    GlobalFree(handle);
    HookFreed();
}

namespace {
// Maps the whole file read-only; every handle is closed before returning.
// On failure the last-error value is the failing call's, whatever the
// clean-up calls leave.
int32_t MapFileReadOnly(const char* path, const uint8_t** viewBase, const uint8_t** position,
                        uint32_t* size) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    *size = GetFileSize(file, nullptr);
    if (*size == INVALID_FILE_SIZE) {
        const DWORD error = GetLastError();
        CloseHandle(file);
        SetLastError(error);
        return 0;
    }
    int32_t mapped = 0;
    DWORD error = 0;
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping != nullptr) {
        const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
        if (view != nullptr) {
            *viewBase = static_cast<const uint8_t*>(view);
            *position = *viewBase;
            mapped = 1;
        } else {
            error = GetLastError();
        }
        CloseHandle(mapping);
    } else {
        error = GetLastError();
    }
    // The view alone keeps the contents reachable from here on.
    CloseHandle(file);
    if (mapped == 0) SetLastError(error);
    return mapped;
}
} // namespace

ReadCursor* OpenReadCursor(const char* path) {
    auto* cursor = static_cast<ReadCursor*>(AllocBlock(sizeof(ReadCursor)));
    if (cursor == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (MapFileReadOnly(path, &cursor->viewBase, &cursor->position, &cursor->remaining) == 0) {
        const DWORD error = GetLastError();
        FreeBlock(cursor);
        SetLastError(error);
        return nullptr;
    }
    return cursor;
}

void CloseReadCursor(ReadCursor* cursor) {
    if (cursor == nullptr) return;
    UnmapViewOfFile(cursor->viewBase);
    FreeBlock(cursor);
}
