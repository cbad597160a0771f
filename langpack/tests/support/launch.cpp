// launch.exe APP COMMANDLINE [RUNS]: starts APP with COMMANDLINE exactly as
// given (CreateProcessA), prints its exit code as an unsigned number. With
// RUNS, starts it that many times and prints the median wall time too.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool RunOnce(const char* app, const char* commandLine, DWORD* exitCode) {
    std::string line = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(app, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "launch: CreateProcessA failed, error %lu\n", GetLastError());
        return false;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: launch APP COMMANDLINE [RUNS]\n");
        return 2;
    }
    const int runs = argc > 3 ? std::atoi(argv[3]) : 1;
    std::vector<double> times;
    DWORD exitCode = 0;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    for (int i = 0; i < std::max(runs, 1); ++i) {
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        QueryPerformanceCounter(&start);
        if (!RunOnce(argv[1], argv[2], &exitCode)) {
            return 2;
        }
        QueryPerformanceCounter(&end);
        times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                        static_cast<double>(frequency.QuadPart));
    }
    std::printf("exit code %lu\n", exitCode);
    if (runs > 1) {
        std::sort(times.begin(), times.end());
        std::printf("runs %d median %.1f ms min %.1f ms max %.1f ms\n", runs,
                    times[times.size() / 2], times.front(), times.back());
    }
    return 0;
}
