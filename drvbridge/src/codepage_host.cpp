// Native stand-in for the system's ANSI code page: lead-byte ranges of the
// double-byte pages; every other page is single-byte.
#include <array>
#include <atomic>

#include "codepage.h"

namespace {
struct LeadRange {
    uint32_t codePage;
    uint8_t first;
    uint8_t last;
};

constexpr std::array<LeadRange, 5> kLeadRanges{{
    {932, 0x81, 0x9F},
    {932, 0xE0, 0xFC},
    {936, 0x81, 0xFE},
    {949, 0x81, 0xFE},
    {950, 0x81, 0xFE},
}};

std::atomic<uint32_t> g_codePage{1252};
} // namespace

void SetHostCodePage(uint32_t codePage) {
    g_codePage = codePage;
}

uint32_t CurrentCodePage() {
    return g_codePage;
}

bool IsLeadByteIn(uint32_t codePage, uint8_t byte) {
    for (const LeadRange& range : kLeadRanges) {
        if (range.codePage == codePage && byte >= range.first && byte <= range.last) return true;
    }
    return false;
}
