// The bridge's only allocator, and the read cursor over a read-only mapping.
#pragma once

#include <cstdint>

// A zero-filled block of n bytes, or null. On Windows the block sits behind a
// hidden word that holds its global-memory handle.
[[nodiscard]] void* AllocBlock(uint32_t n);
void FreeBlock(void* block); // null is ignored
// The block resized to n bytes, its first bytes kept and those past them not
// zeroed; it may move. On failure null, and the block is left as it was.
[[nodiscard]] void* ResizeBlock(void* block, uint32_t n);

struct ReadCursor {
    const uint8_t* viewBase; // only used to unmap the view
    const uint8_t* position; // next byte to read
    uint32_t remaining;      // bytes not yet read
};
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(ReadCursor) == 12, "three 32-bit fields");
#endif

// The whole file mapped read-only, or null (on Windows with the cause as the
// last-error value); no file handle stays open.
[[nodiscard]] ReadCursor* OpenReadCursor(const char* path);
void CloseReadCursor(ReadCursor* cursor);
