// The previous reader, kept as an oracle for the fast one.
#pragma once

#include "entry_reader.h"

namespace refreader {
[[nodiscard]] int32_t NextChar(ReadCursor* cursor, uint8_t* current);
[[nodiscard]] int32_t InitTextBuffer(TextBuffer* buffer);
void ClearTextBuffer(TextBuffer* buffer);
[[nodiscard]] int32_t GrowTextBuffer(TextBuffer* buffer);
[[nodiscard]] int32_t AppendChar(TextBuffer* buffer, uint8_t byte);
[[nodiscard]] int32_t ReadToken(TextBuffer* buffer, ReadCursor* cursor, uint8_t* current);
[[nodiscard]] int32_t SkipToLineEnd(ReadCursor* cursor);
[[nodiscard]] int32_t FindEntryStart(TextBuffer* keyword, ReadCursor* cursor, uint8_t* current);
[[nodiscard]] int32_t ReadValue(TextBuffer* value, ReadCursor* cursor, uint8_t* current);
[[nodiscard]] DescriptionEntry* CreateDescriptionEntry();
void FreeDescriptionEntry(DescriptionEntry* entry);
[[nodiscard]] int32_t ReadNextEntry(DescriptionEntry* entry, ReadCursor* cursor);
} // namespace refreader
