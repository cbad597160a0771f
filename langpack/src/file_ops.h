// The system calls that put a member's file in place, in one table: the
// program uses the system's own, a test one that records their order or
// fails one of them.
#pragma once

#include <windows.h>

#include <cstdint>

struct FileOps {
    HANDLE(WINAPI* createFile)
    (LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
    BOOL(WINAPI* writeFile)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
    BOOL(WINAPI* flushFileBuffers)(HANDLE);
    BOOL(WINAPI* setFileInformationByHandle)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);
    BOOL(WINAPI* closeHandle)(HANDLE);
    BOOL(WINAPI* deleteFileA)(LPCSTR);
    VOID(WINAPI* sleep)(DWORD);
};

extern const FileOps kSystemFileOps;

// Waiting for files held by others is bounded per run, not per file: a
// target held for good costs the run about this much, once.
inline constexpr uint32_t kRetryBudgetMs = 2000;
inline constexpr uint32_t kFirstPauseMs = 10;
inline constexpr uint32_t kLongestPauseMs = 250;

// The step at which a member failed, for the trace.
enum class ExtractStep : int32_t {
    kNone,
    kFind,
    kDecode,
    kCompare,
    kCreate,
    kWrite,
    kFlush,
    kMove
};

// One run's state across its members.
struct ExtractRun {
    const FileOps* ops;
    uint32_t waitLeftMs;    // what is left of kRetryBudgetMs
    ExtractStep failedStep; // of the last failure
    uint32_t error;         // its system error number
};

[[nodiscard]] inline ExtractRun NewExtractRun(const FileOps* ops = &kSystemFileOps) {
    return ExtractRun{ops, kRetryBudgetMs, ExtractStep::kNone, 0};
}

[[nodiscard]] const char* StepName(ExtractStep step);
