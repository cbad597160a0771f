// Reader of the printer description file: one entry per call, forward only.
#include "entry_reader.h"

#include <array>
#include <cstring>

#include "codepage.h"

static_assert(sizeof(TextBuffer) == 8 + sizeof(uint8_t*), "capacity, length, data");
static_assert(sizeof(DescriptionEntry) == 4 * sizeof(TextBuffer), "four buffers in a row");

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

// Byte classes for the runs the scanners pass over in bulk: a value byte that
// changes no state (plain ASCII, none of the bracket, quote, escape or line
// end bytes), and a byte that cannot end a token.
constexpr uint8_t kPlainValue = 1;
constexpr uint8_t kTokenByte = 2;
constexpr std::array<uint8_t, 256> kClass = [] {
    std::array<uint8_t, 256> table{};
    for (uint32_t b = 0; b < 256; ++b) {
        const auto byte = static_cast<uint8_t>(b);
        uint8_t c = 0;
        if (b < 0x80 && !IsLineEnd(byte) && byte != '"' && byte != '(' && byte != ')' &&
            byte != '{' && byte != '}' && byte != '%')
            c = static_cast<uint8_t>(c | kPlainValue);
        if (!IsDelimiter(byte)) c = static_cast<uint8_t>(c | kTokenByte);
        table[b] = c;
    }
    return table;
}();

// No double-byte Windows page has a lead byte below 0x80; skipping the
// platform call there keeps plain text cheap.
bool IsLead(uint32_t codePage, uint8_t b) {
    return b >= 0x80 && IsLeadByteIn(codePage, b);
}

inline int32_t Next(ReadCursor* cursor, uint8_t* current) {
    if (cursor->remaining == 0) return READ_END;
    *current = *cursor->position;
    ++cursor->position;
    --cursor->remaining;
    return READ_OK;
}

// Bytes of class cls that follow the cursor, without consuming them.
inline uint32_t RunLength(const ReadCursor* cursor, uint8_t cls) {
    const uint8_t* p = cursor->position;
    const uint8_t* const end = p + cursor->remaining;
    while (p != end && (kClass[*p] & cls) != 0)
        ++p;
    return static_cast<uint32_t>(p - cursor->position);
}

void ClearTextBuffer(TextBuffer* buffer) {
    buffer->length = 0;
    buffer->data[0] = 0;
}

int32_t InitTextBuffer(TextBuffer* buffer) {
    buffer->data = static_cast<uint8_t*>(AllocBlock(kFirstCapacity + 1));
    if (buffer->data == nullptr) return 0;
    buffer->capacity = kFirstCapacity;
    ClearTextBuffer(buffer);
    return 1;
}

int32_t GrowTextBuffer(TextBuffer* buffer) {
    // Doubling keeps a long value linear: a fixed step copies quadratically.
    if (buffer->capacity > (UINT32_MAX - 1) / 2) return READ_NO_MEMORY;
    const uint32_t capacity = buffer->capacity * 2;
    // Resized, not copied into a fresh block: a long value's pages are touched about once.
    auto* block = static_cast<uint8_t*>(ResizeBlock(buffer->data, capacity + 1));
    if (block == nullptr) return READ_NO_MEMORY;
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

int32_t StoreByte(TextBuffer* buffer, uint8_t byte) {
    if (AppendChar(buffer, byte) == 0) return READ_OK;
    if (GrowTextBuffer(buffer) != 0) return READ_NO_MEMORY;
    return AppendChar(buffer, byte);
}

// Stores the current byte (already consumed) and the run of bytes after it, consuming
// the run. Grows the way byte-at-a-time storing would, and on failure keeps
// what fitted and consumes up to the byte that did not fit, as that did.
int32_t StoreRun(TextBuffer* buffer, ReadCursor* cursor, uint8_t* current, uint32_t run) {
    const uint8_t first = *current;
    const uint32_t wanted = run + 1;
    while (buffer->capacity - buffer->length < wanted) {
        if (GrowTextBuffer(buffer) != 0) {
            const uint32_t fit = buffer->capacity - buffer->length;
            if (fit > 0) {
                buffer->data[buffer->length] = first;
                std::memcpy(buffer->data + buffer->length + 1, cursor->position, fit - 1);
                buffer->length += fit;
                *current = cursor->position[fit - 1];
                cursor->position += fit;
                cursor->remaining -= fit;
            }
            return READ_NO_MEMORY;
        }
    }
    buffer->data[buffer->length] = first;
    std::memcpy(buffer->data + buffer->length + 1, cursor->position, run);
    buffer->length += wanted;
    cursor->position += run;
    cursor->remaining -= run;
    return READ_OK;
}

void EndText(TextBuffer* buffer) {
    buffer->data[buffer->length] = 0;
}

int32_t SkipBlanks(ReadCursor* cursor, uint8_t* current) {
    while (IsBlank(*current)) {
        if (Next(cursor, current) != 0) return READ_END;
    }
    return READ_OK;
}

int32_t ScanValue(TextBuffer* value, ReadCursor* cursor, uint8_t* current, uint32_t codePage) {
    // The current byte is the colon.
    do {
        if (Next(cursor, current) != 0) return READ_END;
    } while (IsBlank(*current));
    bool quoted = false;
    uint32_t parens = 0;
    uint32_t braces = 0;
    for (;;) {
        const uint8_t b = *current;
        if ((kClass[b] & kPlainValue) != 0) {
            // Most of a value: taken in one copy, no state to track.
            if (StoreRun(value, cursor, current, RunLength(cursor, kPlainValue)) != 0)
                return READ_NO_MEMORY;
            if (Next(cursor, current) != 0) return READ_END;
            continue;
        }
        if (!quoted && parens == 0 && braces == 0 && IsLineEnd(b)) return READ_OK;
        if (StoreByte(value, b) != 0) return READ_NO_MEMORY;
        if (IsLead(codePage, b)) {
            // The trail byte is text whatever it is, a line end included.
            if (Next(cursor, current) != 0) return READ_END;
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
            if (Next(cursor, current) != 0) return READ_END;
            if (IsLineEnd(*current)) return READ_SYNTAX;
            if (StoreByte(value, *current) != 0) return READ_NO_MEMORY;
        }
        if (Next(cursor, current) != 0) return READ_END;
    }
}

int32_t ValueIn(TextBuffer* value, ReadCursor* cursor, uint8_t* current, uint32_t codePage) {
    const int32_t status = ScanValue(value, cursor, current, codePage);
    EndText(value);
    return status;
}

int32_t ReadToken(TextBuffer* buffer, ReadCursor* cursor, uint8_t* current) {
    if (IsDelimiter(*current)) return READ_SYNTAX;
    int32_t status = StoreRun(buffer, cursor, current, RunLength(cursor, kTokenByte));
    if (status == READ_OK) status = Next(cursor, current);
    EndText(buffer);
    return status;
}

int32_t SkipToLineEnd(ReadCursor* cursor) {
    // A tight scan: skipped lines are most of what a file holds.
    const uint8_t* p = cursor->position;
    const uint8_t* const end = p + cursor->remaining;
    while (p != end && !IsLineEnd(*p))
        ++p;
    const int32_t status = p == end ? READ_END : READ_OK;
    if (p != end) ++p;
    cursor->remaining -= static_cast<uint32_t>(p - cursor->position);
    cursor->position = p;
    return status;
}

int32_t FindEntryStart(TextBuffer* keyword, ReadCursor* cursor, uint8_t* current) {
    if (Next(cursor, current) != 0) return READ_END;
    for (;;) {
        if (*current == '*') {
            if (Next(cursor, current) != 0) return READ_END;
            if (*current != '%') return ReadToken(keyword, cursor, current);
        }
        // A comment, or a line that cannot start an entry: pass it over.
        if (!IsLineEnd(*current) && SkipToLineEnd(cursor) != 0) return READ_END;
        if (Next(cursor, current) != 0) return READ_END;
    }
}
} // namespace

int32_t NextChar(ReadCursor* cursor, uint8_t* current) {
    return Next(cursor, current);
}

DescriptionEntry* CreateDescriptionEntry() {
    auto* entry = static_cast<DescriptionEntry*>(AllocBlock(sizeof(DescriptionEntry)));
    if (entry == nullptr) return nullptr;
    // All four are tried so a failure leaves each buffer's block known.
    const int32_t ready = InitTextBuffer(&entry->keyword) & InitTextBuffer(&entry->qualifier1) &
                          InitTextBuffer(&entry->qualifier2) & InitTextBuffer(&entry->value);
    if (ready == 1) return entry;
    FreeDescriptionEntry(entry);
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
    ClearTextBuffer(&entry->keyword);
    ClearTextBuffer(&entry->qualifier1);
    ClearTextBuffer(&entry->qualifier2);
    ClearTextBuffer(&entry->value);

    int32_t status = FindEntryStart(&entry->keyword, cursor, &current);
    if (status != READ_OK) return status;
    if (IsLineEnd(current)) return READ_OK;
    if (SkipBlanks(cursor, &current) != READ_OK) return READ_END;
    if (current != ':') {
        status = ReadToken(&entry->qualifier1, cursor, &current);
        if (status != READ_OK) return status;
        if (SkipBlanks(cursor, &current) != READ_OK) return READ_END;
        if (current != ':') {
            status = ReadToken(&entry->qualifier2, cursor, &current);
            if (status != READ_OK) return status;
            if (SkipBlanks(cursor, &current) != READ_OK) return READ_END;
            if (current != ':') return READ_SYNTAX;
        }
    }
    return ValueIn(&entry->value, cursor, &current, codePage);
}
