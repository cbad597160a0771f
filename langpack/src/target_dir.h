// Where the language files go: registry value, system drive's "_zelt\", or
// the current directory (empty prefix).
#pragma once

inline constexpr unsigned kTargetDirSize = 260;  // MAX_PATH

// Fills result (kTargetDirSize bytes) with a prefix that is empty or ends
// with a backslash.
void ResolveTargetDirectory(char* result);
