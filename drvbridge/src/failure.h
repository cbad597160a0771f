// Why a bridge call failed: the step, the last-error value the caller will
// read, and what the step was working on. Filled on the failure path only
// and kept on the caller's stack; portable, so its line format is tested
// natively.
#pragma once

#include <cstdint>

enum class FailStep : uint8_t {
    kNone,
    kOpenPrinter,   // OpenPrinterA
    kDriverRecord,  // GetPrinterDriverA, or a record without a data file
    kDataFile,      // the data file could not be opened, sized or mapped
    kNoEntry,       // no ExcDepDLLName entry in the data file
    kNameTooLong,   // the entry's name does not fit in 260 bytes
    kOutOfMemory,   // a block could not be had
    kLoadLibrary,   // the library could not be loaded (or its name was refused)
    kEntryPoints,   // the library lacks entry points (names in `names`)
    kZeroContext,   // ExcGetExclusive returned 0
    kNullHandle,    // a forwarder was given a null handle
    kForeignHandle, // a forwarder or FreeExclusive was given a block without the magic
    kNullBuffer,    // GetDependDllName was given no buffer for the name
};

// Fixed last-error values for failures in which no system call failed.
inline constexpr uint32_t kErrorNoEntry = 1168;     // ERROR_NOT_FOUND
inline constexpr uint32_t kErrorNameTooLong = 206;  // ERROR_FILENAME_EXCED_RANGE
inline constexpr uint32_t kErrorBadHandle = 6;      // ERROR_INVALID_HANDLE
inline constexpr uint32_t kErrorEntryPoint = 127;   // ERROR_PROC_NOT_FOUND
inline constexpr uint32_t kErrorZeroContext = 1627; // ERROR_FUNCTION_FAILED
inline constexpr uint32_t kErrorOutOfMemory = 8;    // ERROR_NOT_ENOUGH_MEMORY
inline constexpr uint32_t kErrorNoDataFile = 13;    // ERROR_INVALID_DATA
inline constexpr uint32_t kErrorNullBuffer = 87;    // ERROR_INVALID_PARAMETER

struct Failure {
    FailStep step = FailStep::kNone;
    uint32_t error = 0; // the thread's last-error value after the call
    char subject[260];  // data file path or library name, cut to fit
    char names[200];    // missing entry points, ", " between them
};

// Records step and error, and subject (may be null) cut to fit.
void SetFailure(Failure* failure, FailStep step, uint32_t error, const char* subject);
// Appends a missing entry point's name (cut when the list is full).
void AddMissingName(Failure* failure, const char* name);

// One trace line into out (size bytes, NUL always written), no allocation:
//   drvbridge: <export>("<printer>"): <what failed>[, error <n>]
// printer may be null (forwarders have none). Returns the length.
uint32_t FormatFailure(char* out, uint32_t size, const char* exportName, const char* printer,
                       const Failure& failure);
