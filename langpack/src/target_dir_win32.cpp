// The Win32 answers to the target directory's questions.

#include "target_dir.h"

#include <windows.h>

namespace {

constexpr char kSettingsKey[] = "SOFTWARE\\KAVEN\\ZeltDrv";
constexpr char kDirectoryValue[] = "_ZELTDirectory";

static_assert(sizeof(OSVERSIONINFOA) == 148);
static_assert(KEY_READ == 0x20019);

int32_t IsNtFamily() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExA(&version) == 0) {
        return 0;
    }
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT ? 1 : 0;
}

// The type is not examined: the bytes up to the first zero are the text.
int32_t ReadDirectoryValue(uint8_t* value, uint32_t size) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return TARGET_KEY_ABSENT;
    }
    DWORD length = size;
    const LONG status = RegQueryValueExA(key, kDirectoryValue, nullptr, nullptr, value, &length);
    RegCloseKey(key);
    if (status == ERROR_MORE_DATA) {
        return TARGET_VALUE_TOO_LARGE;
    }
    return status == ERROR_SUCCESS ? TARGET_VALUE_READ : TARGET_VALUE_ABSENT;
}

uint32_t SystemDirectory(char* buffer, uint32_t size) {
    return GetSystemDirectoryA(buffer, size);
}

constexpr TargetDirPlatform kWin32Platform = {IsNtFamily, ReadDirectoryValue, SystemDirectory};

} // namespace

void ResolveTargetDirectory(char* result, TargetDirOrigin* origin) {
    ResolveTargetDirectoryOn(result, kWin32Platform, origin);
}
