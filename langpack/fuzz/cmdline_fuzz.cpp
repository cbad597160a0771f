// ParseLanguageSwitch on arbitrary argument tails, over an exact-size heap
// copy so any access outside the working copy is caught.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "cmdline.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The parser works on a NUL-terminated text: stop at the first NUL.
    const auto* nul = static_cast<const uint8_t*>(memchr(data, 0, size));
    const size_t n = nul ? static_cast<size_t>(nul - data) : size;
    auto* text = static_cast<char*>(malloc(n + 1));
    memcpy(text, data, n);
    text[n] = '\0';

    int32_t index = -1;
    const int32_t result = ParseLanguageSwitch(text, &index, ByteStep);
    if (result != 0 && result != 1) abort();
    if (result == 1 && (index < 0 || index > 19)) abort();
    free(text);
    return 0;
}
