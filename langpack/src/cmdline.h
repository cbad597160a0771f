// The command-line grammar: "/" tokens, each "L" or "l" and a number 0..19.
// Portable: the step from one character to the next is injected, CharNextA on
// Windows, a byte step (or a test double) elsewhere.
#pragma once

#include <cstdint>

using CharStepFn = char* (*)(const char* position);

// NextToken: position just after the first delimiter at or after position,
// or null when the text ends first or position is null.
[[nodiscard]] char* NextToken(char* position, const char* delimiters, CharStepFn step);

// text: the working copy, modified in place. Returns 1 and sets *index to the
// last token's number when every token is valid, else 0; then *why (when
// given) says which rule refused the line.
[[nodiscard]] int32_t ParseLanguageSwitch(char* text, int32_t* index, CharStepFn step,
                                          const char** why = nullptr);

// One byte per character (single-byte code pages, native builds).
char* ByteStep(const char* position);

// The argument tail of a whole command line: the program name skipped (a
// quoted name through its closing quote, else up to the first byte <= 32),
// then every byte <= 32 after it. Points into commandLine.
[[nodiscard]] const char* ArgumentTail(const char* commandLine);
