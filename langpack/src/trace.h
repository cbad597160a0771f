// One line per event to whoever debugs langpack.exe (OutputDebugStringA):
// "langpack: " and the formatted text. Silent for the program's callers;
// formatted into a fixed buffer, no allocation; the caller's last-error
// value is kept.
#pragma once

[[gnu::format(printf, 1, 2)]] void TraceLine(const char* format, ...);
