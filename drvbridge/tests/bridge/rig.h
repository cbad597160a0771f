// Test rig: the bridge loaded as a client loads it, a printer in the
// prefix's spooler whose data file the tests rewrite, and the double's log.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "double_log.h"

inline constexpr char kPrinter[] = "Zelt Bridge Test";

// Arguments are pointer-wide, as the exports take them on either width.
intptr_t Arg(const void* p);
// A value whose high half, on x64, differs from its low half, so a value cut
// to 32 bits anywhere on its way shows; the low half alone on i386.
constexpr intptr_t Wide(uint32_t low, uint32_t high) {
    if constexpr (sizeof(intptr_t) == 8)
        return static_cast<intptr_t>((static_cast<uint64_t>(high) << 32) | low);
    else
        return static_cast<intptr_t>(low);
}

// Calls a WINAPI function through the thunk and returns the whole return
// register; on i386 a stack imbalance fails the current test.
intptr_t CallWord(FARPROC fn, const char* name, std::initializer_list<intptr_t> args);
// A bridge export by name: a LONG result, or a handle.
LONG CallExport(const char* name, std::initializer_list<intptr_t> args);
void* CallExportHandle(const char* name, std::initializer_list<intptr_t> args);
FARPROC BridgeExport(const char* name);
HMODULE Bridge();

// Creates the printer once per process (a second run finds it in place).
void EnsurePrinter();
// A further printer with a driver and data file of its own (found in place
// when it exists).
void AddTestPrinter(const char* printer, const char* driverName, const char* dataFile);
std::string DataFilePathOf(const char* printerName);
bool WriteTextFile(const std::string& path, const std::string& contents);
// The data file's path as the spooler reports it.
const std::string& DataFilePath();
void WriteDataFile(const std::string& contents);
// Z:\ path of a double variant ("full", "no_ExcFreeExclusive", ...).
std::string DoublePath(const std::string& variant);
bool DoubleLoaded(const std::string& variant);

DoubleLog* Log(); // cleared by ResetLog
void ResetLog(int64_t exclusiveResult = 0x5A5A0001);
