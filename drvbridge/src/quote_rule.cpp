// Quote removal for the library name.
#include "quote_rule.h"

#include <cstring>

int32_t ApplyQuoteRule(const char* value, char* name, uint32_t nameSize) {
    const char* text = value;
    if (*text == '"') ++text;
    size_t length = std::strlen(text);
    // A single character is kept even when it is a quote: "" gives ".
    size_t kept = length;
    if (text != value && length >= 2 && text[length - 1] == '"') --kept;
    // Measured before writing, so a name that does not fit leaves the
    // caller's buffer as it was.
    if (kept + 1 > nameSize) return 0;
    std::memcpy(name, text, kept);
    name[kept] = '\0';
    return 1;
}
