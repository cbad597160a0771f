// One embedded payload member to one file on disk, with write-if-changed.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int32_t EXTRACT_WRITTEN = 1;
inline constexpr int32_t EXTRACT_UNCHANGED = 0;
inline constexpr int32_t EXTRACT_FAILED = -2;

// resourceId: integer id of a "DEVFILE" resource of this module (low 16 bits).
// compareFirst: exactly 1 leaves an existing file alone when its first 256
// bytes equal the decoded data's; any other value writes unconditionally.
[[nodiscard]] int32_t ExtractPayloadMember(uint32_t resourceId, const char* targetPath,
                                           int32_t compareFirst);

// The same within a run: the run's retry budget and file calls (file_ops.h).
struct ExtractRun;
[[nodiscard]] int32_t ExtractPayloadMember(uint32_t resourceId, const char* targetPath,
                                           int32_t compareFirst, ExtractRun* run);

// A member's new content written and flushed to its temporary file, which is
// held open, not yet in place.
struct PendingFile {
    void* file; // the temporary file's handle, null when there is none
    char tempPath[260];
    char targetPath[260];
};

// ExtractPayloadMember in two halves, so that the install sequence can put a
// contents file in place before its help file. Prepare: 1 pending, 0 left
// unchanged, -2 failed (nothing pending). Commit: 1 in place, -2 failed (the
// temporary file deleted, the target as it was).
[[nodiscard]] int32_t PreparePayloadMember(uint32_t resourceId, const char* targetPath,
                                           int32_t compareFirst, ExtractRun* run,
                                           PendingFile* pending);
[[nodiscard]] int32_t CommitPendingFile(ExtractRun* run, PendingFile* pending);
// The pending file closed and deleted; its target stays as it was.
void DropPendingFile(ExtractRun* run, PendingFile* pending);

// 1 same first 256 bytes, 0 no file or different, -2 unreadable or shorter
// (GetLastError: the failing call's error, ERROR_HANDLE_EOF for a shorter
// file).
[[nodiscard]] int32_t MatchesExistingFile(const char* path, const uint8_t* data);

// Each member is written to a fresh file beside its target, flushed, and
// renamed over the target while still open: "~lp" + five hex digits +
// ".tmp", never longer than the members' own names, created with CREATE_NEW
// so it can only be this run's. A name that is taken is passed over for the
// next one, up to kTempNameAttempts.
inline constexpr uint32_t kTempNameAttempts = 16;
inline constexpr size_t kTempNameLength = 12;

// The attempt-th candidate for targetPath (from this process's id and the
// attempt) into tempPath (size bytes): 1, or 0 when it would not fit within
// MAX_PATH.
[[nodiscard]] int32_t FormTempPath(char* tempPath, size_t size, const char* targetPath,
                                   uint32_t attempt);

// Deletes every "~lp?????.tmp" in folder (a target-directory prefix: empty or
// ending with a separator) that no one holds open: a live run keeps its own
// open without sharing until it is renamed, so only a dead run's is taken.
void RemoveLeftoverTempFiles(const char* folder);

// Whether name has the form of this program's temporary files.
[[nodiscard]] bool IsTempFileName(const char* name);
