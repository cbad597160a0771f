// Where the language files go: registry value, system drive's "_zelt\", or
// the current directory (empty prefix).
#pragma once

#include <cstdint>

inline constexpr unsigned kTargetDirSize = 260; // MAX_PATH

// Fills result (kTargetDirSize bytes) with a prefix that is empty or ends
// with a backslash; *origin (when given) says where it came from.
struct TargetDirOrigin;
void ResolveTargetDirectory(char* result, TargetDirOrigin* origin = nullptr);

// What the resolution asks of the platform. The Win32 answers live in
// target_dir_win32.cpp; tests pass their own.
inline constexpr int32_t TARGET_VALUE_READ = 1;   // key opened, value read
inline constexpr int32_t TARGET_VALUE_ABSENT = 0; // key or value missing, or too large
// Finer answers for the trace; the resolution treats them as ABSENT.
inline constexpr int32_t TARGET_KEY_ABSENT = -1;     // the key does not open
inline constexpr int32_t TARGET_VALUE_TOO_LARGE = 2; // more than the buffer holds

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

// Where the result came from, and why the registry value was passed over.
enum class TargetSource : int32_t { kRegistry, kSystemDrive, kCurrentDirectory };
enum class ValuePassedOver : int32_t {
    kNo,          // the value was used
    kNotNtFamily, // not consulted at all
    kNoKey,
    kNoValue, // or a value the platform did not say more about
    kTooLarge,
    kEmpty,
    kTooLong, // 259 characters or more, or no terminator
};
struct TargetDirOrigin {
    TargetSource source;
    ValuePassedOver passedOver;
};

void ResolveTargetDirectoryOn(char* result, const TargetDirPlatform& platform,
                              TargetDirOrigin* origin = nullptr);
