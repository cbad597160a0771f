// Reader of the printer description (data) file, one entry per call.
#pragma once

#include <cstdint>

#include "block.h"

// Reading statuses; there is no 2.
inline constexpr int32_t READ_OK = 0;
inline constexpr int32_t READ_END = 1;
inline constexpr int32_t READ_SYNTAX = 3;
inline constexpr int32_t READ_NO_MEMORY = 4;

struct TextBuffer {
    uint32_t capacity; // text bytes the block holds, NUL not counted
    uint32_t length;   // text bytes held
    uint8_t* data;     // capacity + 1 bytes, from AllocBlock
};

struct DescriptionEntry {
    TextBuffer keyword;
    TextBuffer qualifier1;
    TextBuffer qualifier2;
    TextBuffer value;
};

// The next byte into *current, or READ_END with nothing consumed.
[[nodiscard]] int32_t NextChar(ReadCursor* cursor, uint8_t* current);

[[nodiscard]] DescriptionEntry* CreateDescriptionEntry();
void FreeDescriptionEntry(DescriptionEntry* entry);
[[nodiscard]] int32_t ReadNextEntry(DescriptionEntry* entry, ReadCursor* cursor);
