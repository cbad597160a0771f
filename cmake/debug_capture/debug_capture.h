// Runs a program as its debugger and keeps what it sends to
// OutputDebugString: how the tests read the modules' trace, the way a
// debug-output viewer would on a customer's machine.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct CapturedRun {
    DWORD exitCode;
    DWORD error;                    // why the run could not be watched, or 0
    bool timedOut;                  // no debug event within the limit: ended by force
    std::vector<std::string> lines; // one per call, a trailing newline removed
};

// app and commandLine go to CreateProcessA unchanged. false when the program
// could not be started or watched to its end (run->error says why).
[[nodiscard]] bool RunUnderDebugger(const char* app, const char* commandLine, CapturedRun* run,
                                    DWORD limitMs = 120000);
