// ReadNextEntry over a whole input until it reports the end, once for each
// lead-byte setting: single-byte (1252) and double-byte (932).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "alloc_hooks.h"
#include "codepage.h"
#include "entry_reader.h"

namespace {

// A text's length matches its NUL unless the input itself held a 0x00 byte.
void CheckText(const TextBuffer& text, bool inputHasNul) {
    if (text.data == nullptr || text.length > text.capacity) abort();
    if (text.data[text.length] != 0) abort();
    if (!inputHasNul && strlen(reinterpret_cast<const char*>(text.data)) != text.length) abort();
}

void ReadAll(const uint8_t* bytes, uint32_t size, uint32_t codePage, bool inputHasNul) {
    SetHostCodePage(codePage);
    AllocHookFailAt(0);
    const int32_t before = AllocHookOutstanding();
    ReadCursor cursor{bytes, bytes, size};
    DescriptionEntry* entry = CreateDescriptionEntry();
    if (entry == nullptr) abort();
    for (;;) {
        const uint32_t remaining = cursor.remaining;
        const int32_t status = ReadNextEntry(entry, &cursor);
        if (status == READ_END) break;
        if (status != READ_OK && status != READ_SYNTAX && status != READ_NO_MEMORY) abort();
        if (cursor.remaining >= remaining) abort(); // no progress would loop forever
        if (cursor.position != bytes + (size - cursor.remaining)) abort();
        CheckText(entry->keyword, inputHasNul);
        CheckText(entry->qualifier1, inputHasNul);
        CheckText(entry->qualifier2, inputHasNul);
        CheckText(entry->value, inputHasNul);
    }
    FreeDescriptionEntry(entry);
    if (AllocHookOutstanding() != before) abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    // Exact-size heap copy: a read one byte past the end is caught.
    auto* bytes = static_cast<uint8_t*>(malloc(size ? size : 1));
    if (size) memcpy(bytes, data, size);
    const bool hasNul = memchr(data, 0, size) != nullptr;
    ReadAll(bytes, static_cast<uint32_t>(size), 1252, hasNul);
    ReadAll(bytes, static_cast<uint32_t>(size), 932, hasNul);
    free(bytes);
    return 0;
}
