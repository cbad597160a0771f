// One "DEVFILE" member of this module to one file on disk. The member is
// decoded whole before the disk is touched, and the target is only ever
// replaced by a complete copy already flushed to disk, so a failure, a
// killed run or a power cut leaves it as it was.

#include "extract.h"

#include "file_ops.h"
#include "gunzip.h"
#include "trace.h"

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

// Another program has the file open for a moment (a scanner, an indexer,
// another run of this one): worth waiting for.
bool Busy(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// Someone else's file or folder of that name, or one still being deleted
// (Windows then answers ERROR_ACCESS_DENIED for the name itself). Access
// denied on a name that does not exist is a folder this account cannot write.
bool NameTaken(const char* path, DWORD error) {
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
        return true;
    }
    if (error != ERROR_ACCESS_DENIED) {
        return false;
    }
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES ||
           GetLastError() == ERROR_ACCESS_DENIED;
}

// The rename could not replace the target because it is open elsewhere
// (Windows says access denied for an open or deleting target, sharing
// violation for one opened without delete sharing). The folder is known to
// be writable (the temporary file is in it), so access denied is the target
// being busy, unless the target has become read-only or a folder.
bool MoveMayClear(const char* targetPath, DWORD error) {
    return Busy(error) || (error == ERROR_ACCESS_DENIED && TargetReplaceable(targetPath));
}

// Notes where the member failed and returns the failure.
int32_t Failed(ExtractRun* run, ExtractStep step, DWORD error) {
    run->failedStep = step;
    run->error = error;
    return EXTRACT_FAILED;
}

// Sleeps before the next attempt of one step, pauses doubling from
// kFirstPauseMs up to kLongestPauseMs; false once the run's budget is spent.
bool PauseBeforeRetry(ExtractRun* run, uint32_t* pauseMs, const char* path, ExtractStep step,
                      DWORD error) {
    if (run->waitLeftMs == 0) {
        return false;
    }
    if (*pauseMs == kFirstPauseMs) {
        TraceLine("%s: %s met error %lu (the file is held by another program), trying again for "
                  "up to %lu ms",
                  path, StepName(step), static_cast<unsigned long>(error),
                  static_cast<unsigned long>(run->waitLeftMs));
    }
    const uint32_t pause = *pauseMs < run->waitLeftMs ? *pauseMs : run->waitLeftMs;
    run->ops->sleep(pause);
    run->waitLeftMs -= pause;
    *pauseMs = *pauseMs * 2 < kLongestPauseMs ? *pauseMs * 2 : kLongestPauseMs;
    return true;
}

// Opened without sharing and with delete access: no one else can open,
// delete or rename it while this run holds it, and the run renames it
// through this handle.
HANDLE CreateTempFile(ExtractRun* run, const char* targetPath, char* tempPath, size_t size) {
    uint32_t pauseMs = kFirstPauseMs;
    uint32_t attempt = 0;
    DWORD error = ERROR_FILE_EXISTS;
    while (attempt < kTempNameAttempts) {
        if (FormTempPath(tempPath, size, targetPath, attempt) == 0) {
            Failed(run, ExtractStep::kCreate, ERROR_FILENAME_EXCED_RANGE);
            return INVALID_HANDLE_VALUE;
        }
        HANDLE file = run->ops->createFile(tempPath, GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            return file;
        }
        error = GetLastError();
        if (Busy(error)) {
            if (!PauseBeforeRetry(run, &pauseMs, tempPath, ExtractStep::kCreate, error)) {
                break;
            }
            continue;
        }
        if (!NameTaken(tempPath, error)) {
            break;
        }
        ++attempt;
    }
    Failed(run, ExtractStep::kCreate, error);
    return INVALID_HANDLE_VALUE;
}

// A full disk shows as a failed or short write.
bool WriteAll(const FileOps* ops, HANDLE file, const uint8_t* data, uint32_t size) {
    while (size > 0) {
        const DWORD chunk = size < kWriteChunk ? size : kWriteChunk;
        DWORD written = 0;
        if (!ops->writeFile(file, data, chunk, &written, nullptr)) {
            return false;
        }
        if (written == 0) {
            SetLastError(ERROR_HANDLE_DISK_FULL);
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

// FILE_RENAME_INFO with the target's path (absolute, or relative to the
// current directory like every other path of the run).
struct RenameRequest {
    alignas(
        FILE_RENAME_INFO) unsigned char bytes[sizeof(FILE_RENAME_INFO) + MAX_PATH * sizeof(WCHAR)];
};

bool FormRenameRequest(RenameRequest* request, const char* targetPath) {
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(request->bytes);
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    const int count = MultiByteToWideChar(CP_ACP, 0, targetPath, -1, info->FileName, MAX_PATH);
    if (count <= 1) {
        return false;
    }
    info->FileNameLength = static_cast<DWORD>(count - 1) * sizeof(WCHAR);
    return true;
}

bool RenameOverTarget(ExtractRun* run, HANDLE file, const char* targetPath) {
    RenameRequest request = {};
    if (!FormRenameRequest(&request, targetPath)) {
        Failed(run, ExtractStep::kMove, GetLastError());
        return false;
    }
    uint32_t pauseMs = kFirstPauseMs;
    for (;;) {
        if (run->ops->setFileInformationByHandle(file, FileRenameInfo, request.bytes,
                                                 sizeof request.bytes)) {
            return true;
        }
        const DWORD error = GetLastError();
        if (!MoveMayClear(targetPath, error) ||
            !PauseBeforeRetry(run, &pauseMs, targetPath, ExtractStep::kMove, error)) {
            Failed(run, ExtractStep::kMove, error);
            return false;
        }
    }
}

void DropPending(const FileOps* ops, PendingFile* pending) {
    ops->closeHandle(pending->file);
    pending->file = nullptr;
    ops->deleteFileA(pending->tempPath);
}

// Write and flush: the data is on disk before the target's name can point at
// it. The temporary file stays open (so no other run can take it for a
// leftover) until it has become the target; on failure it is closed and
// deleted.
int32_t WritePending(ExtractRun* run, const char* targetPath, const uint8_t* data, uint32_t size,
                     PendingFile* pending) {
    const size_t length = std::strlen(targetPath);
    if (length >= sizeof pending->targetPath) {
        return Failed(run, ExtractStep::kCreate, ERROR_FILENAME_EXCED_RANGE);
    }
    if (!TargetReplaceable(targetPath)) {
        // What the rename would meet on Windows: a read-only file or a folder.
        return Failed(run, ExtractStep::kMove, ERROR_ACCESS_DENIED);
    }
    std::memcpy(pending->targetPath, targetPath, length + 1);
    HANDLE file = CreateTempFile(run, targetPath, pending->tempPath, sizeof pending->tempPath);
    if (file == INVALID_HANDLE_VALUE) {
        return EXTRACT_FAILED;
    }
    pending->file = file;
    ExtractStep step = ExtractStep::kNone;
    if (!WriteAll(run->ops, file, data, size)) {
        step = ExtractStep::kWrite;
    } else if (!run->ops->flushFileBuffers(file)) {
        step = ExtractStep::kFlush;
    }
    if (step != ExtractStep::kNone) {
        const DWORD error = GetLastError();
        DropPending(run->ops, pending);
        return Failed(run, step, error);
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

const char* StepName(ExtractStep step) {
    constexpr const char* kNames[] = {"none",   "find",  "decode", "compare",
                                      "create", "write", "flush",  "move"};
    const auto i = static_cast<size_t>(step);
    return i < sizeof kNames / sizeof kNames[0] ? kNames[i] : "?";
}

const FileOps kSystemFileOps = {
    CreateFileA, WriteFile, FlushFileBuffers, SetFileInformationByHandle, CloseHandle,
    DeleteFileA, Sleep};

bool IsTempFileName(const char* name) {
    if (std::strlen(name) != kTempNameLength || std::strncmp(name, "~lp", 3) != 0 ||
        std::strcmp(name + 8, ".tmp") != 0) {
        return false;
    }
    for (int i = 3; i < 8; ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    return true;
}

// An exclusive open fails while anyone holds the file, so a live run's
// temporary file is never taken; the file goes when the handle closes.
void RemoveLeftoverTempFiles(const char* folder) {
    const size_t length = std::strlen(folder);
    if (length + kTempNameLength >= MAX_PATH) {
        return;
    }
    char path[MAX_PATH] = {};
    std::memcpy(path, folder, length);
    std::memcpy(path + length, "~lp?????.tmp", kTempNameLength + 1);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
            !IsTempFileName(found.cFileName)) {
            continue;
        }
        std::memcpy(path + length, found.cFileName, kTempNameLength + 1);
        HANDLE leftover = CreateFileA(path, DELETE, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (leftover != INVALID_HANDLE_VALUE) {
            CloseHandle(leftover);
            TraceLine("%s: removed, left by a run that did not finish", path);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
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
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return EXTRACT_FAILED;
    }
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        std::free(head);
        return EXTRACT_FAILED;
    }
    const size_t got = std::fread(head, 1, kCompareSize, file);
    // A read error leaves the failing call's error; a short file had none,
    // so it gets its own, for the trace.
    const bool readFailed = std::ferror(file) != 0;
    const DWORD readError = GetLastError();
    std::fclose(file);
    int32_t result = EXTRACT_FAILED;
    if (got == kCompareSize) {
        result = std::memcmp(head, data, kCompareSize) == 0 ? 1 : 0;
    } else {
        SetLastError(readFailed ? readError : ERROR_HANDLE_EOF);
    }
    std::free(head);
    return result;
}

int32_t ExtractPayloadMember(uint32_t resourceId, const char* targetPath, int32_t compareFirst) {
    ExtractRun run = NewExtractRun();
    return ExtractPayloadMember(resourceId, targetPath, compareFirst, &run);
}

int32_t ExtractPayloadMember(uint32_t resourceId, const char* targetPath, int32_t compareFirst,
                             ExtractRun* run) {
    PendingFile pending = {};
    const int32_t result =
        PreparePayloadMember(resourceId, targetPath, compareFirst, run, &pending);
    return result == EXTRACT_WRITTEN ? CommitPendingFile(run, &pending) : result;
}

// Rename, then close: a failing close loses nothing once the file is in place.
int32_t CommitPendingFile(ExtractRun* run, PendingFile* pending) {
    if (pending->file == nullptr) {
        return EXTRACT_FAILED;
    }
    if (!RenameOverTarget(run, pending->file, pending->targetPath)) {
        DropPending(run->ops, pending);
        return EXTRACT_FAILED;
    }
    run->ops->closeHandle(pending->file);
    pending->file = nullptr;
    return EXTRACT_WRITTEN;
}

void DropPendingFile(ExtractRun* run, PendingFile* pending) {
    if (pending->file != nullptr) {
        DropPending(run->ops, pending);
    }
}

int32_t PreparePayloadMember(uint32_t resourceId, const char* targetPath, int32_t compareFirst,
                             ExtractRun* run, PendingFile* pending) {
    pending->file = nullptr;
    Member member{};
    if (!FindMember(resourceId, &member)) {
        return Failed(run, ExtractStep::kFind, GetLastError());
    }
    if (member.size < 4) {
        return Failed(run, ExtractStep::kFind, ERROR_INVALID_DATA);
    }
    const uint32_t expected = TrailerSize(member);
    // Zero is no file at all, and the slack byte must fit in the count.
    if (expected == 0 || expected == UINT32_MAX) {
        return Failed(run, ExtractStep::kDecode, ERROR_INVALID_DATA);
    }
    auto* buffer = static_cast<uint8_t*>(std::calloc(expected + 1u, 1));
    if (buffer == nullptr) {
        return Failed(run, ExtractStep::kDecode, ERROR_NOT_ENOUGH_MEMORY);
    }
    int32_t result = EXTRACT_FAILED;
    if (!DecodeExactly(member, buffer, expected)) {
        Failed(run, ExtractStep::kDecode, ERROR_INVALID_DATA);
    } else {
        int32_t same = 0;
        if (compareFirst == 1 && expected >= kCompareSize) {
            same = MatchesExistingFile(targetPath, buffer);
            const DWORD error = GetLastError();
            if (same == EXTRACT_FAILED && error == ERROR_HANDLE_EOF) {
                TraceLine("%s: compare found the existing file shorter than 256 bytes, writing it "
                          "anew",
                          targetPath);
            } else if (same == EXTRACT_FAILED) {
                TraceLine("%s: compare could not read the existing file (error %lu), writing it "
                          "anew",
                          targetPath, static_cast<unsigned long>(error));
            }
        }
        result = same == 1 ? EXTRACT_UNCHANGED
                           : WritePending(run, targetPath, buffer, expected, pending);
    }
    std::free(buffer);
    return result;
}
