// The Win32 side of the trace: one OutputDebugStringA call per line.

#include "trace.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

constexpr char kPrefix[] = "langpack: ";
constexpr size_t kLineSize = 512; // longer lines are cut, still ending in "\n"

} // namespace

void TraceLine(const char* format, ...) {
    const DWORD lastError = GetLastError();
    char line[kLineSize];
    constexpr size_t prefix = sizeof kPrefix - 1;
    std::memcpy(line, kPrefix, prefix);
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(line + prefix, sizeof line - prefix - 1, format, args);
    va_end(args);
    size_t end = prefix;
    if (length > 0) {
        end += static_cast<size_t>(length) < sizeof line - prefix - 1 ? static_cast<size_t>(length)
                                                                      : sizeof line - prefix - 2;
    }
    line[end] = '\n';
    line[end + 1] = '\0';
    OutputDebugStringA(line);
    SetLastError(lastError);
}
