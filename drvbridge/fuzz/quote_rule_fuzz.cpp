// The quote rule of the library-name lookup, into a 260-byte destination
// with guard bytes either side.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "quote_rule.h"

namespace {
constexpr size_t kGuard = 16;
constexpr char kGuardByte = '\x5A';
constexpr char kFill = '\x33';
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto* nul = static_cast<const uint8_t*>(memchr(data, 0, size));
    const size_t n = nul ? static_cast<size_t>(nul - data) : size;
    auto* value = static_cast<char*>(malloc(n + 1));
    memcpy(value, data, n);
    value[n] = '\0';

    char buffer[kLibraryNameSize + 2 * kGuard];
    memset(buffer, kGuardByte, sizeof buffer);
    char* name = buffer + kGuard;
    memset(name, kFill, kLibraryNameSize);
    const int32_t result = ApplyQuoteRule(value, name, kLibraryNameSize);

    for (size_t i = 0; i < kGuard; ++i) {
        if (buffer[i] != kGuardByte || name[kLibraryNameSize + i] != kGuardByte) abort();
    }
    // The rule as a reference: one leading quote off and, after it, a closing
    // quote off when 2 or more bytes follow the leading one.
    const bool quoted = value[0] == '"';
    const char* start = quoted ? value + 1 : value;
    size_t length = strlen(start);
    if (quoted && length >= 2 && start[length - 1] == '"') --length;
    if (result == 1) {
        if (length + 1 > kLibraryNameSize) abort();
        if (memcmp(name, start, length) != 0 || name[length] != '\0') abort();
    } else if (result == 0) {
        if (length + 1 <= kLibraryNameSize) abort();
        for (size_t i = 0; i < kLibraryNameSize; ++i) {
            if (name[i] != kFill) abort(); // untouched on refusal
        }
    } else {
        abort();
    }
    free(value);
    return 0;
}
