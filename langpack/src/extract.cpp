// One "DEVFILE" member of this module to one file on disk. The member is
// decoded whole before the disk is touched, and the target is only ever
// replaced by a complete, closed copy, so a failure leaves it as it was.

#include "extract.h"

#include "gunzip.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr uint32_t kCompareSize = 256;
constexpr char kTempFormat[] = "~lp%05x.tmp";
constexpr uint32_t kTempNumberMask = 0xFFFFFu; // five hex digits
constexpr uint32_t kWriteChunk = 1u << 20;

struct Member {
    const uint8_t* bytes;
    uint32_t size;
};

// The bytes of a member stay valid for the life of the process.
bool FindMember(uint32_t resourceId, Member* member) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(resourceId & 0xFFFFu), "DEVFILE");
    if (found == nullptr) {
        return false;
    }
    HGLOBAL loaded = LoadResource(nullptr, found);
    member->size = SizeofResource(nullptr, found);
    member->bytes = loaded != nullptr ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
    return member->bytes != nullptr;
}

uint32_t TrailerSize(const Member& m) {
    const uint8_t* t = m.bytes + m.size - 4;
    return t[0] | t[1] << 8 | t[2] << 16 | static_cast<uint32_t>(t[3]) << 24;
}

// One byte of slack past ISIZE: a member that decodes to more fills it, one
// that decodes to less leaves the count short, and only a count of exactly
// ISIZE below a full buffer means the member's end and CRC were reached.
bool DecodeExactly(const Member& m, uint8_t* buffer, uint32_t expected) {
    uint32_t count = expected + 1;
    return GunzipMemory(buffer, &count, m.bytes, m.size) == 0 && count == expected;
}

// Windows refuses to replace a read-only file; Wine running as root does not,
// so the attribute is honoured here.
bool TargetReplaceable(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes == INVALID_FILE_ATTRIBUTES ||
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) == 0;
}

// Someone else's file or folder of that name, or one still being deleted.
bool NameTaken(DWORD error) {
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
           error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
}

// A full disk shows as a failed or short write.
bool WriteAll(HANDLE file, const uint8_t* data, uint32_t size) {
    while (size > 0) {
        const DWORD chunk = size < kWriteChunk ? size : kWriteChunk;
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

// The temporary file is this run's own (CREATE_NEW) and is deleted on every
// path that does not move it over the target.
int32_t WriteReplacing(const char* targetPath, const uint8_t* data, uint32_t size) {
    if (!TargetReplaceable(targetPath)) {
        return EXTRACT_FAILED;
    }
    char tempPath[MAX_PATH] = {};
    HANDLE file = INVALID_HANDLE_VALUE;
    for (uint32_t attempt = 0; attempt < kTempNameAttempts; ++attempt) {
        if (FormTempPath(tempPath, sizeof tempPath, targetPath, attempt) == 0) {
            return EXTRACT_FAILED;
        }
        file = CreateFileA(tempPath, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
        if (file != INVALID_HANDLE_VALUE || !NameTaken(GetLastError())) {
            break;
        }
    }
    if (file == INVALID_HANDLE_VALUE) {
        return EXTRACT_FAILED;
    }
    const bool written = WriteAll(file, data, size);
    const bool closed = CloseHandle(file) != 0;
    if (!written || !closed || !MoveFileExA(tempPath, targetPath, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(tempPath);
        return EXTRACT_FAILED;
    }
    return EXTRACT_WRITTEN;
}

} // namespace

int32_t FormTempPath(char* tempPath, size_t size, const char* targetPath, uint32_t attempt) {
    // The folder part ends after the last separator; stepping by characters
    // keeps a double-byte character's second byte from counting as one.
    size_t folder = 0;
    for (const char* p = targetPath; *p != '\0'; p = CharNextA(p)) {
        if (*p == '\\' || *p == '/' || *p == ':') {
            folder = static_cast<size_t>(p - targetPath) + 1;
        }
    }
    if (folder + kTempNameLength >= MAX_PATH || folder + kTempNameLength >= size) {
        return 0;
    }
    // Processes start apart from each other; one process steps from there.
    const uint32_t start = (GetCurrentProcessId() * 2654435761u) >> 12;
    const auto number = static_cast<unsigned>((start + attempt) & kTempNumberMask);
    std::memcpy(tempPath, targetPath, folder);
    const int length = std::snprintf(tempPath + folder, size - folder, kTempFormat, number);
    return length == static_cast<int>(kTempNameLength) ? 1 : 0;
}

int32_t MatchesExistingFile(const char* path, const uint8_t* data) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    FindClose(search);

    auto* head = static_cast<uint8_t*>(std::calloc(kCompareSize, 1));
    if (head == nullptr) {
        return EXTRACT_FAILED;
    }
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        std::free(head);
        return EXTRACT_FAILED;
    }
    const size_t got = std::fread(head, 1, kCompareSize, file);
    std::fclose(file);
    int32_t result = EXTRACT_FAILED;
    if (got == kCompareSize) {
        result = std::memcmp(head, data, kCompareSize) == 0 ? 1 : 0;
    }
    std::free(head);
    return result;
}

int32_t ExtractPayloadMember(uint32_t resourceId, const char* targetPath, int32_t compareFirst) {
    Member member{};
    if (!FindMember(resourceId, &member) || member.size < 4) {
        return EXTRACT_FAILED;
    }
    const uint32_t expected = TrailerSize(member);
    // Zero is no file at all, and the slack byte must fit in the count.
    if (expected == 0 || expected == UINT32_MAX) {
        return EXTRACT_FAILED;
    }
    auto* buffer = static_cast<uint8_t*>(std::calloc(expected + 1u, 1));
    if (buffer == nullptr) {
        return EXTRACT_FAILED;
    }
    int32_t result = EXTRACT_FAILED;
    if (DecodeExactly(member, buffer, expected)) {
        if (compareFirst == 1 && expected >= kCompareSize &&
            MatchesExistingFile(targetPath, buffer) == 1) {
            result = EXTRACT_UNCHANGED;
        } else {
            result = WriteReplacing(targetPath, buffer, expected);
        }
    }
    std::free(buffer);
    return result;
}
