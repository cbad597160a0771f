// The Win32 side of lppack.exe: the folder check, and the new program written
// to a temporary file beside the output, read back through the system's
// resource lookup, checked, and only then renamed to the output.
#pragma once

#include <string>

#include "pack.h"

// `dir` with a backslash added unless its last whole character (in the
// system code page) is a separator or it is a bare drive "C:".
[[nodiscard]] std::string FolderPrefix(const std::string& dir);
[[nodiscard]] bool CheckFolder(const std::string& dir);
[[nodiscard]] bool WriteChecked(const PackJob& job, const Bytes& program, const std::string& out);
