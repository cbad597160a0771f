// The language table and the install sequence.
#pragma once

#include <array>
#include <cstdint>

struct LanguageSet {
    char code[3];            // two lower-case letters and NUL
    uint16_t resourceIds[5]; // DEVFILE ids of the five members, column order
};

inline constexpr int kLanguageSetCount = 20;
extern const std::array<LanguageSet, kLanguageSetCount> kLanguageTable;

// index: 0..19. Returns 1 when the set is in place, 0 when it stopped on a
// failure.
[[nodiscard]] int32_t InstallLanguageSet(int32_t index);
