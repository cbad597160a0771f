// Where the language files go: registry value, system drive's "_zelt\", or
// the current directory (empty prefix).
#pragma once

#include <cstdint>

inline constexpr unsigned kTargetDirSize = 260; // MAX_PATH

// Fills result (kTargetDirSize bytes) with a prefix that is empty or ends
// with a backslash.
void ResolveTargetDirectory(char* result);

// What the resolution asks of the platform. The Win32 answers live in
// target_dir_win32.cpp; tests pass their own.
inline constexpr int32_t TARGET_VALUE_READ = 1;   // key opened, value read
inline constexpr int32_t TARGET_VALUE_ABSENT = 0; // key or value missing, or too large

struct TargetDirPlatform {
    // Nonzero on the NT family, the only one with the per-user setting.
    int32_t (*isNtFamily)();
    // Reads the directory value into value (size bytes, zero-filled by the
    // caller): TARGET_VALUE_READ or TARGET_VALUE_ABSENT.
    int32_t (*readDirectoryValue)(uint8_t* value, uint32_t size);
    // GetSystemDirectoryA's contract: the length without its terminator, the
    // size needed when the buffer is too small, 0 on failure.
    uint32_t (*systemDirectory)(char* buffer, uint32_t size);
};

void ResolveTargetDirectoryOn(char* result, const TargetDirPlatform& platform);
