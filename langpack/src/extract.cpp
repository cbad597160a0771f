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
constexpr char kTempSuffix[] = "~";

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

bool WriteWhole(const char* path, const uint8_t* data, uint32_t size) {
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        return false;
    }
    const size_t written = std::fwrite(data, 1, size, file);
    // A full disk may only show when the buffered tail goes out.
    const bool flushed = std::fflush(file) == 0;
    const bool closed = std::fclose(file) == 0;
    return written == size && flushed && closed;
}

int32_t WriteReplacing(const char* targetPath, const uint8_t* data, uint32_t size) {
    char tempPath[MAX_PATH + sizeof kTempSuffix];
    const size_t length = std::strlen(targetPath);
    if (length + sizeof kTempSuffix > sizeof tempPath || !TargetReplaceable(targetPath)) {
        return EXTRACT_FAILED;
    }
    std::memcpy(tempPath, targetPath, length);
    std::memcpy(tempPath + length, kTempSuffix, sizeof kTempSuffix);

    if (!WriteWhole(tempPath, data, size) ||
        !MoveFileExA(tempPath, targetPath, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(tempPath);
        return EXTRACT_FAILED;
    }
    return EXTRACT_WRITTEN;
}

} // namespace

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
