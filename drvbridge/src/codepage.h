// Lead-byte test of the system's ANSI code page. On Windows: GetACP and
// IsDBCSLeadByteEx. In native builds: a table for the double-byte pages 932,
// 936, 949 and 950, none for single-byte pages; tests pick the page.
#pragma once

#include <cstdint>

[[nodiscard]] uint32_t CurrentCodePage();
[[nodiscard]] bool IsLeadByteIn(uint32_t codePage, uint8_t byte);

#ifndef _WIN32
// Native builds only: the page CurrentCodePage reports (1252 at start).
void SetHostCodePage(uint32_t codePage);
#endif
