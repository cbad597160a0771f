// Test rig: the bridge loaded as a client loads it, a printer in the
// prefix's spooler whose data file the tests rewrite, and the double's log.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "double_log.h"

inline constexpr char kPrinter[] = "Zelt Bridge Test";

// Calls a bridge export by name through the ESP-checking thunk; a stack
// imbalance fails the current test.
int32_t CallExport(const char* name, std::initializer_list<int32_t> args);
int32_t Arg(const void* p);
FARPROC BridgeExport(const char* name);
HMODULE Bridge();

// Creates the printer once per process (a second run finds it in place).
void EnsurePrinter();
// The data file's path as the spooler reports it.
const std::string& DataFilePath();
void WriteDataFile(const std::string& contents);
// Z:\ path of a double variant ("full", "no_ExcFreeExclusive", ...).
std::string DoublePath(const std::string& variant);
bool DoubleLoaded(const std::string& variant);

DoubleLog* Log(); // cleared by ResetLog
void ResetLog(int32_t exclusiveResult = 0x5A5A0001);
