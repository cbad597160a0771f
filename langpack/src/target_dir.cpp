// Target directory: registry value + "\", else the system drive's root +
// "_zelt\", else the empty prefix (the current directory). Each failure falls
// through to the next choice; nothing is reported and nothing is created.

#include "target_dir.h"

#include <cstring>

namespace {

constexpr char kFallbackName[] = "_zelt\\";
constexpr size_t kDriveRootLength = 3; // "C:\"

static_assert(kDriveRootLength + sizeof kFallbackName <= kTargetDirSize);

// The value with its backslash and terminator must fit the result: 258
// characters at most. A longer one, or one without a terminator inside the
// buffer, is refused rather than cut.
bool CopyRegistryPrefix(char* result, const uint8_t* value) {
    const auto* text = reinterpret_cast<const char*>(value);
    const size_t length = strnlen(text, kTargetDirSize);
    if (length == 0 || length + 2 > kTargetDirSize) {
        return false;
    }
    std::memcpy(result, text, length);
    result[length] = '\\';
    result[length + 1] = '\0';
    return true;
}

// A failed query, an answer that did not fit (the query then returns the
// size it needs) and anything shorter than a drive root give no prefix.
bool CopyFallbackPrefix(char* result, const TargetDirPlatform& platform) {
    char systemDir[kTargetDirSize] = {};
    const uint32_t length = platform.systemDirectory(systemDir, kTargetDirSize);
    if (length == 0 || length >= kTargetDirSize ||
        strnlen(systemDir, kTargetDirSize) < kDriveRootLength) {
        return false;
    }
    std::memcpy(result, systemDir, kDriveRootLength);
    std::memcpy(result + kDriveRootLength, kFallbackName, sizeof kFallbackName);
    return true;
}

} // namespace

void ResolveTargetDirectoryOn(char* result, const TargetDirPlatform& platform,
                              TargetDirOrigin* origin) {
    TargetDirOrigin unused = {};
    TargetDirOrigin& from = origin != nullptr ? *origin : unused;
    from = {TargetSource::kCurrentDirectory, ValuePassedOver::kNotNtFamily};
    result[0] = '\0';
    if (platform.isNtFamily() == 0) {
        return;
    }
    uint8_t value[kTargetDirSize] = {};
    const int32_t read = platform.readDirectoryValue(value, kTargetDirSize);
    if (read == TARGET_VALUE_READ) {
        if (CopyRegistryPrefix(result, value)) {
            from = {TargetSource::kRegistry, ValuePassedOver::kNo};
            return;
        }
        from.passedOver = value[0] == 0 ? ValuePassedOver::kEmpty : ValuePassedOver::kTooLong;
    } else {
        from.passedOver = read == TARGET_KEY_ABSENT        ? ValuePassedOver::kNoKey
                          : read == TARGET_VALUE_TOO_LARGE ? ValuePassedOver::kTooLarge
                                                           : ValuePassedOver::kNoValue;
    }
    if (CopyFallbackPrefix(result, platform)) {
        from.source = TargetSource::kSystemDrive;
    } else {
        result[0] = '\0';
    }
}
