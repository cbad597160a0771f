#pragma once

#include <cstdint>
#include <string>

#include "block.h"

inline ReadCursor MemoryCursor(const std::string& bytes) {
    const auto* base = reinterpret_cast<const uint8_t*>(bytes.data());
    return ReadCursor{base, base, static_cast<uint32_t>(bytes.size())};
}
