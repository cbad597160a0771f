// The library search of the bridge. LoadLibraryA would also search the
// current directory and every PATH folder, where anyone may plant a library
// of the same name; the bridge runs inside other people's processes, so it
// narrows the search per call instead of changing the process's settings.
#include "library_load.h"

#include <cstring>

#include "codepage.h"
#include "library_name.h"

namespace {
// Not the process's AddDllDirectory folders (LOAD_LIBRARY_SEARCH_USER_DIRS):
// the fallback below cannot see them, and the bridge should find the same
// library in every process.
constexpr DWORD kBareSearch = LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32;
// A full path's own dependencies: its folder first, then the same two.
constexpr DWORD kFullPathSearch = LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | kBareSearch;

#ifdef DRVBRIDGE_ALLOC_HOOKS
volatile LONG g_searchFlagsHook = kSearchFlagsReal;
#endif

// The flags came with AddDllDirectory: a kernel32 that exports it takes
// them. Asked per load; GetModuleHandleA changes no reference count.
bool SystemHasSearchFlags() {
#ifdef DRVBRIDGE_ALLOC_HOOKS
    if (g_searchFlagsHook == kSearchFlagsAbsent) return false;
#endif
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel != nullptr && GetProcAddress(kernel, "AddDllDirectory") != nullptr;
}

HMODULE LoadWithFlags(const char* name, DWORD flags) {
#ifdef DRVBRIDGE_ALLOC_HOOKS
    if (g_searchFlagsHook == kSearchFlagsLoadFails) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
#endif
    return LoadLibraryExA(name, nullptr, flags);
}

// Length of folder\name in path (MAX_PATH bytes), or 0 when it does not fit.
// The loader appends ".dll" to a name without an extension; so does this.
size_t JoinPath(const char* folder, size_t folderLength, const char* name, char* path) {
    const size_t nameLength = std::strlen(name);
    const bool addExtension = std::strchr(name, '.') == nullptr;
    const size_t total = folderLength + 1 + nameLength + (addExtension ? 4 : 0);
    if (folderLength == 0 || total >= MAX_PATH) return 0;
    std::memcpy(path, folder, folderLength);
    path[folderLength] = '\\';
    std::memcpy(path + folderLength + 1, name, nameLength);
    if (addExtension) std::memcpy(path + folderLength + 1 + nameLength, ".dll", 4);
    path[total] = '\0';
    return total;
}

// The folder of the program's file, without the final separator; 0 if unknown.
size_t ApplicationFolder(char* folder) {
    const DWORD n = GetModuleFileNameA(nullptr, folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 0; // truncated: no folder to trust
    // Whole characters only (a trail byte may be 0x5C); the lead-byte test
    // of kernel32 rather than CharNextA keeps user32 out of the imports.
    const uint32_t codePage = CurrentCodePage();
    size_t end = 0;
    for (size_t i = 0; folder[i] != '\0'; ++i) {
        if (IsLeadByteIn(codePage, static_cast<uint8_t>(folder[i]))) {
            if (folder[i + 1] == '\0') break;
            ++i;
        } else if (folder[i] == '\\' || folder[i] == '/') {
            end = i;
        }
    }
    return end;
}

size_t SystemFolder(char* folder) {
    const UINT n = GetSystemDirectoryA(folder, MAX_PATH);
    return n < MAX_PATH ? n : 0;
}

bool IsFile(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Systems without the search flags: the two folders by hand, each file by
// its full path, so no folder but these is ever searched for the library.
HMODULE LoadBareByHand(const char* name) {
    char folder[MAX_PATH];
    char path[MAX_PATH];
    using FolderFn = size_t (*)(char*);
    constexpr FolderFn kFolders[] = {ApplicationFolder, SystemFolder};
    for (FolderFn find : kFolders) {
        const size_t length = find(folder);
        if (JoinPath(folder, length, name, path) == 0 || !IsFile(path)) continue;
        // The file found is the one meant: its load error is the answer.
        return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}
} // namespace

#ifdef DRVBRIDGE_ALLOC_HOOKS
void LoadHookSearchFlags(LONG mode) {
    InterlockedExchange(&g_searchFlagsHook, mode);
}
#endif

// Where the system has the flags, their load's answer is final, whatever
// its error: falling back would search the library's dependencies in the
// altered order, current directory and PATH included.
HMODULE LoadDriverLibrary(const char* name) {
    switch (ClassifyLibraryName(name, CurrentCodePage())) {
    case LibraryNameKind::kBare:
        return SystemHasSearchFlags() ? LoadWithFlags(name, kBareSearch) : LoadBareByHand(name);
    case LibraryNameKind::kFullPath:
        return SystemHasSearchFlags()
                   ? LoadWithFlags(name, kFullPathSearch)
                   : LoadLibraryExA(name, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    case LibraryNameKind::kRelative:
    case LibraryNameKind::kEmpty:
        break;
    }
    // Relative to the current directory, which the caller's user may choose.
    SetLastError(ERROR_BAD_PATHNAME);
    return nullptr;
}
