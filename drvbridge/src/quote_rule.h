// How the value of the library-name entry becomes a file name. Portable, so
// it is unit-tested natively.
#pragma once

#include <cstdint>

inline constexpr uint32_t kLibraryNameSize = 260; // MAX_PATH, NUL included

// Copies value (length bytes, NUL-terminated) into name, one leading double
// quote dropped and, if what follows is 2 or more bytes long and ends in a
// double quote, that quote dropped too. Returns 1 when the name with its NUL
// fits in nameSize bytes; otherwise 0 and name is untouched.
[[nodiscard]] int32_t ApplyQuoteRule(const char* value, char* name, uint32_t nameSize);
