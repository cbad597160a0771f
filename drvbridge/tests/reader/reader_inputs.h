// Inputs shared by the reader benchmarks and the oracle check.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "block.h"

inline ReadCursor CursorOver(const std::string& text) {
    ReadCursor cursor{};
    cursor.viewBase = reinterpret_cast<const uint8_t*>(text.data());
    cursor.position = cursor.viewBase;
    cursor.remaining = static_cast<uint32_t>(text.size());
    return cursor;
}

// Lines with no quote, bracket or escape byte, so that after an opening quote
// they all fall into one value that never ends.
inline std::string PlainLines(size_t size) {
    static const std::string block =
        "*PageSize Letter/US Letter: <</PageSize [612 792]>> setpagedevice\n"
        "*% Paper handling, a comment line that the reader passes over\n"
        "*OpenUI *InputSlot/Paper Source: PickOne\n"
        "*Resolution 600dpi/600 dpi: <</HWResolution [600 600]>> setpagedevice\r\n"
        "*CloseUI: *InputSlot\n\n";
    std::string text;
    text.reserve(size + block.size());
    while (text.size() < size)
        text += block;
    text.resize(size);
    return text;
}
