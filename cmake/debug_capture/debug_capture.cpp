#include "debug_capture.h"

namespace {

// The string lives in the debuggee; its length counts the terminating NUL.
void KeepString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info, CapturedRun* run) {
    const SIZE_T unit = info.fUnicode ? sizeof(WCHAR) : 1;
    std::string bytes(static_cast<size_t>(info.nDebugStringLength) * unit, '\0');
    SIZE_T got = 0;
    if (bytes.empty() ||
        !ReadProcessMemory(process, info.lpDebugStringData, bytes.data(), bytes.size(), &got)) {
        return;
    }
    bytes.resize(got);
    std::string line;
    if (info.fUnicode) {
        std::wstring wide(reinterpret_cast<const wchar_t*>(bytes.data()), got / sizeof(WCHAR));
        const int need =
            WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
        line.resize(need > 0 ? static_cast<size_t>(need) : 0);
        if (need > 0) {
            WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, line.data(), need, nullptr, nullptr);
        }
    } else {
        line = bytes;
    }
    line.resize(line.find('\0') == std::string::npos ? line.size() : line.find('\0'));
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    run->lines.push_back(line);
}

using WaitFn = BOOL(WINAPI*)(DEBUG_EVENT*, DWORD);

// WaitForDebugEventEx where kernel32 has it: on systems whose
// OutputDebugStringW raises its wide exception first, only a debugger that
// waits this way is told the wide line; others get the exception instead.
WaitFn DebugEventWait() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FARPROC wide = kernel != nullptr ? GetProcAddress(kernel, "WaitForDebugEventEx") : nullptr;
    return wide != nullptr ? reinterpret_cast<WaitFn>(reinterpret_cast<void*>(wide))
                           : WaitForDebugEvent;
}

// After a time-out: the program is ended and its remaining debug events
// continued, since a debuggee does not finish exiting while one is pending.
// Bounded, in case the system never reports the exit.
void EndByForce(WaitFn wait, HANDLE process) {
    TerminateProcess(process, 1);
    constexpr DWORD kDrainMs = 5000;
    for (int events = 0; events < 1000; ++events) {
        DEBUG_EVENT event = {};
        if (!wait(&event, kDrainMs)) {
            return;
        }
        if (event.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT &&
            event.u.CreateProcessInfo.hFile != nullptr) {
            CloseHandle(event.u.CreateProcessInfo.hFile);
        } else if (event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT &&
                   event.u.LoadDll.hFile != nullptr) {
            CloseHandle(event.u.LoadDll.hFile);
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) {
            return;
        }
    }
}

} // namespace

bool RunUnderDebugger(const char* app, const char* commandLine, CapturedRun* run, DWORD limitMs) {
    *run = CapturedRun{};
    std::string line = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(app, line.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr,
                        nullptr, &startup, &process)) {
        run->error = GetLastError();
        return false;
    }
    const WaitFn wait = DebugEventWait();
    bool ended = false;
    while (!ended) {
        DEBUG_EVENT event = {};
        if (!wait(&event, limitMs)) {
            run->error = GetLastError();
            run->timedOut = true;
            EndByForce(wait, process.hProcess);
            break;
        }
        DWORD status = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            if (event.u.CreateProcessInfo.hFile != nullptr) {
                CloseHandle(event.u.CreateProcessInfo.hFile);
            }
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (event.u.LoadDll.hFile != nullptr) {
                CloseHandle(event.u.LoadDll.hFile);
            }
            break;
        case OUTPUT_DEBUG_STRING_EVENT:
            KeepString(process.hProcess, event.u.DebugString, run);
            break;
        case EXCEPTION_DEBUG_EVENT:
            // The loader's breakpoint is the debugger's to take; every other
            // exception goes back to the program as if nobody watched.
            if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
                status = DBG_EXCEPTION_NOT_HANDLED;
            }
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            run->exitCode = event.u.ExitProcess.dwExitCode;
            ended = true;
            break;
        default:
            break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    }
    // Ended or ended by force, the process is gone or about to be.
    WaitForSingleObject(process.hProcess, ended ? INFINITE : 5000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ended;
}
