// The byte-at-a-time reader as it stood before the fast path, kept whole as
// the oracle the fast reader must agree with. Same code, namespace refreader.
#include "entry_reader.h"

#include <cstring>

#include "codepage.h"
#include "reference_reader.h"

namespace refreader {

// static_assert(sizeof(TextBuffer) == 8 + sizeof(uint8_t*), "capacity, length, data");
// static_assert(sizeof(DescriptionEntry) == 4 * sizeof(TextBuffer), "four buffers in a row");

namespace {
constexpr uint32_t kFirstCapacity = 1024;

constexpr bool IsBlank(uint8_t b) {
    return b == 0x09 || b == 0x20;
}
constexpr bool IsLineEnd(uint8_t b) {
    return b == 0x0D || b == 0x0A;
}
constexpr bool IsDelimiter(uint8_t b) {
    return IsBlank(b) || IsLineEnd(b) || b == ':';
}

// No double-byte Windows page has a lead byte below 0x80; skipping the
// platform call there keeps plain text cheap.
bool IsLead(uint32_t codePage, uint8_t b) {
    return b >= 0x80 && IsLeadByteIn(codePage, b);
}

int32_t StoreByte(TextBuffer* buffer, uint8_t byte) {
    if (refreader::AppendChar(buffer, byte) == 0) return READ_OK;
    if (refreader::GrowTextBuffer(buffer) != 0) return READ_NO_MEMORY;
    return refreader::AppendChar(buffer, byte);
}

void EndText(TextBuffer* buffer) {
    buffer->data[buffer->length] = 0;
}

int32_t SkipBlanks(ReadCursor* cursor, uint8_t* current) {
    while (IsBlank(*current)) {
        if (refreader::NextChar(cursor, current) != 0) return READ_END;
    }
    return READ_OK;
}

int32_t ScanValue(TextBuffer* value, ReadCursor* cursor, uint8_t* current, uint32_t codePage) {
    // The current byte is the colon.
    do {
        if (refreader::NextChar(cursor, current) != 0) return READ_END;
    } while (IsBlank(*current));
    bool quoted = false;
    uint32_t parens = 0;
    uint32_t braces = 0;
    for (;;) {
        if (!quoted && parens == 0 && braces == 0 && IsLineEnd(*current)) return READ_OK;
        if (StoreByte(value, *current) != 0) return READ_NO_MEMORY;
        const uint8_t b = *current;
        if (IsLead(codePage, b)) {
            // The trail byte is text whatever it is, a line end included.
            if (refreader::NextChar(cursor, current) != 0) return READ_END;
            if (StoreByte(value, *current) != 0) return READ_NO_MEMORY;
        } else if (b == '"') {
            quoted = !quoted;
        } else if (b == '(') {
            if (quoted) return READ_SYNTAX;
            ++parens;
        } else if (b == ')') {
            if (quoted || parens == 0) return READ_SYNTAX;
            --parens;
        } else if (b == '{') {
            if (quoted || parens > 0) return READ_SYNTAX;
            ++braces;
        } else if (b == '}') {
            if (quoted || parens > 0 || braces == 0) return READ_SYNTAX;
            --braces;
        } else if (b == '%' && quoted) {
            if (refreader::NextChar(cursor, current) != 0) return READ_END;
            if (IsLineEnd(*current)) return READ_SYNTAX;
            if (StoreByte(value, *current) != 0) return READ_NO_MEMORY;
        }
        if (refreader::NextChar(cursor, current) != 0) return READ_END;
    }
}

int32_t ValueIn(TextBuffer* value, ReadCursor* cursor, uint8_t* current, uint32_t codePage) {
    const int32_t status = ScanValue(value, cursor, current, codePage);
    EndText(value);
    return status;
}
} // namespace

int32_t NextChar(ReadCursor* cursor, uint8_t* current) {
    if (cursor->remaining == 0) return READ_END;
    *current = *cursor->position;
    ++cursor->position;
    --cursor->remaining;
    return READ_OK;
}

int32_t InitTextBuffer(TextBuffer* buffer) {
    buffer->data = static_cast<uint8_t*>(AllocBlock(kFirstCapacity + 1));
    if (buffer->data == nullptr) return 0;
    buffer->capacity = kFirstCapacity;
    refreader::ClearTextBuffer(buffer);
    return 1;
}

void ClearTextBuffer(TextBuffer* buffer) {
    buffer->length = 0;
    buffer->data[0] = 0;
}

int32_t GrowTextBuffer(TextBuffer* buffer) {
    // Doubling keeps a long value linear: a fixed step copies quadratically.
    if (buffer->capacity > (UINT32_MAX - 1) / 2) return READ_NO_MEMORY;
    const uint32_t capacity = buffer->capacity * 2;
    auto* block = static_cast<uint8_t*>(AllocBlock(capacity + 1));
    if (block == nullptr) return READ_NO_MEMORY;
    std::memcpy(block, buffer->data, buffer->length);
    FreeBlock(buffer->data);
    buffer->data = block;
    buffer->capacity = capacity;
    return READ_OK;
}

int32_t AppendChar(TextBuffer* buffer, uint8_t byte) {
    if (buffer->length >= buffer->capacity) return READ_NO_MEMORY;
    buffer->data[buffer->length] = byte;
    ++buffer->length;
    return READ_OK;
}

int32_t ReadToken(TextBuffer* buffer, ReadCursor* cursor, uint8_t* current) {
    if (IsDelimiter(*current)) return READ_SYNTAX;
    int32_t status = READ_OK;
    for (;;) {
        if (StoreByte(buffer, *current) != 0) {
            status = READ_NO_MEMORY;
            break;
        }
        if (refreader::NextChar(cursor, current) != 0) {
            status = READ_END;
            break;
        }
        if (IsDelimiter(*current)) break;
    }
    EndText(buffer);
    return status;
}

int32_t SkipToLineEnd(ReadCursor* cursor) {
    uint8_t b = 0;
    do {
        if (refreader::NextChar(cursor, &b) != 0) return READ_END;
    } while (!IsLineEnd(b));
    return READ_OK;
}

int32_t FindEntryStart(TextBuffer* keyword, ReadCursor* cursor, uint8_t* current) {
    if (refreader::NextChar(cursor, current) != 0) return READ_END;
    for (;;) {
        if (*current == '*') {
            if (refreader::NextChar(cursor, current) != 0) return READ_END;
            if (*current != '%') return refreader::ReadToken(keyword, cursor, current);
        }
        // A comment, or a line that cannot start an entry: pass it over.
        if (!IsLineEnd(*current) && refreader::SkipToLineEnd(cursor) != 0) return READ_END;
        if (refreader::NextChar(cursor, current) != 0) return READ_END;
    }
}

int32_t ReadValue(TextBuffer* value, ReadCursor* cursor, uint8_t* current) {
    return ValueIn(value, cursor, current, CurrentCodePage());
}

DescriptionEntry* CreateDescriptionEntry() {
    auto* entry = static_cast<DescriptionEntry*>(AllocBlock(sizeof(DescriptionEntry)));
    if (entry == nullptr) return nullptr;
    // All four are tried so a failure leaves each buffer's block known.
    const int32_t ready =
        refreader::InitTextBuffer(&entry->keyword) & refreader::InitTextBuffer(&entry->qualifier1) &
        refreader::InitTextBuffer(&entry->qualifier2) & refreader::InitTextBuffer(&entry->value);
    if (ready == 1) return entry;
    refreader::FreeDescriptionEntry(entry);
    return nullptr;
}

void FreeDescriptionEntry(DescriptionEntry* entry) {
    if (entry == nullptr) return;
    FreeBlock(entry->keyword.data);
    FreeBlock(entry->qualifier1.data);
    FreeBlock(entry->qualifier2.data);
    FreeBlock(entry->value.data);
    FreeBlock(entry);
}

int32_t ReadNextEntry(DescriptionEntry* entry, ReadCursor* cursor) {
    // Once per call: the page does not change within an entry.
    const uint32_t codePage = CurrentCodePage();
    uint8_t current = 0;
    refreader::ClearTextBuffer(&entry->keyword);
    refreader::ClearTextBuffer(&entry->qualifier1);
    refreader::ClearTextBuffer(&entry->qualifier2);
    refreader::ClearTextBuffer(&entry->value);

    int32_t status = refreader::FindEntryStart(&entry->keyword, cursor, &current);
    if (status != READ_OK) return status;
    if (IsLineEnd(current)) return READ_OK;
    if (SkipBlanks(cursor, &current) != READ_OK) return READ_END;
    if (current != ':') {
        status = refreader::ReadToken(&entry->qualifier1, cursor, &current);
        if (status != READ_OK) return status;
        if (SkipBlanks(cursor, &current) != READ_OK) return READ_END;
        if (current != ':') {
            status = refreader::ReadToken(&entry->qualifier2, cursor, &current);
            if (status != READ_OK) return status;
            if (SkipBlanks(cursor, &current) != READ_OK) return READ_END;
            if (current != ':') return READ_SYNTAX;
        }
    }
    return ValueIn(&entry->value, cursor, &current, codePage);
}
} // namespace refreader
