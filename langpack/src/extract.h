// One embedded payload member to one file on disk, with write-if-changed.
#pragma once

#include <cstdint>

inline constexpr int32_t EXTRACT_WRITTEN = 1;
inline constexpr int32_t EXTRACT_UNCHANGED = 0;
inline constexpr int32_t EXTRACT_FAILED = -2;

// resourceId: integer id of a "DEVFILE" resource of this module (low 16 bits).
// compareFirst: exactly 1 leaves an existing file alone when its first 256
// bytes equal the decoded data's; any other value writes unconditionally.
[[nodiscard]] int32_t ExtractPayloadMember(uint32_t resourceId, const char* targetPath,
                                           int32_t compareFirst);

// 1 same first 256 bytes, 0 no file or different, -2 unreadable or shorter.
[[nodiscard]] int32_t MatchesExistingFile(const char* path, const uint8_t* data);
