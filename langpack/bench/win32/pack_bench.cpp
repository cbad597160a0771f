// pack_bench RUNS: starts lppack.exe RUNS times packing the measuring payload
// into langpack.exe (the same folder as this program's parent bin/), and as
// often with no arguments (the same image, no work: it prints its usage).
// Prints the median wall time of each and the median peak working set and
// peak pagefile use of both. A pack that does not exit 0, or an idle run
// that does not exit 2, makes the figures void.
//
// Memory is sampled while the child runs, as launch_bench does (Wine answers
// zeros once the process is gone); timed runs do not sample.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct RunResult {
    double ms = 0;
    DWORD exitCode = 0xDEAD;
    PROCESS_MEMORY_COUNTERS memory = {};
};

std::string ProgramDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

void KeepPeaks(HANDLE process, PROCESS_MEMORY_COUNTERS* peaks) {
    PROCESS_MEMORY_COUNTERS now = {};
    now.cb = sizeof now;
    if (!GetProcessMemoryInfo(process, &now, sizeof now)) return;
    peaks->PeakWorkingSetSize =
        std::max({peaks->PeakWorkingSetSize, now.PeakWorkingSetSize, now.WorkingSetSize});
    peaks->PeakPagefileUsage =
        std::max({peaks->PeakPagefileUsage, now.PeakPagefileUsage, now.PagefileUsage});
}

bool Start(const std::string& app, const std::string& commandLine, bool watch,
           LARGE_INTEGER frequency, RunResult* result) {
    std::string line = commandLine;
    // The packer's messages go nowhere: this program's output is the figures.
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = nul;
    startup.hStdError = nul;
    PROCESS_INFORMATION process = {};
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceCounter(&start);
    const BOOL started = CreateProcessA(app.c_str(), line.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &process);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    if (!started) {
        std::fprintf(stderr, "CreateProcessA %s failed, error %lu\n", app.c_str(), GetLastError());
        return false;
    }
    result->memory = {};
    result->memory.cb = sizeof result->memory;
    if (watch) {
        while (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
            KeepPeaks(process.hProcess, &result->memory);
            Sleep(1);
        }
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    QueryPerformanceCounter(&end);
    result->ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                 static_cast<double>(frequency.QuadPart);
    GetExitCodeProcess(process.hProcess, &result->exitCode);
    if (watch) KeepPeaks(process.hProcess, &result->memory);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return !watch || result->memory.PeakWorkingSetSize != 0;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    if (runs < 1) return 2;
    const std::string bin = ProgramDir() + "..\\";
    const std::string lppack = bin + "lppack.exe";
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string out = std::string(temp) + "pack_bench.exe";
    const std::string pack = "lppack.exe --dir \"" ZELT_BENCH_PAYLOAD_DIR "\" --into \"" + bin +
                             "langpack.exe\" --out \"" + out + "\" --time 1700000000";
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> packMs, idleMs, packWs, idleWs, packPf, idlePf;
    long long packed = 0;
    for (int i = 0; i < runs; ++i) {
        for (bool watch : {false, true}) {
            RunResult p;
            RunResult idle;
            if (!Start(lppack, pack, watch, frequency, &p) || p.exitCode != 0 ||
                !Start(lppack, "lppack.exe", watch, frequency, &idle) || idle.exitCode != 2) {
                std::fprintf(stderr, "a run failed (exit %lu / %lu): figures void\n", p.exitCode,
                             idle.exitCode);
                return 1;
            }
            if (watch) {
                packWs.push_back(static_cast<double>(p.memory.PeakWorkingSetSize));
                packPf.push_back(static_cast<double>(p.memory.PeakPagefileUsage));
                idleWs.push_back(static_cast<double>(idle.memory.PeakWorkingSetSize));
                idlePf.push_back(static_cast<double>(idle.memory.PeakPagefileUsage));
            } else {
                packMs.push_back(p.ms);
                idleMs.push_back(idle.ms);
            }
        }
    }
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(out.c_str(), GetFileExInfoStandard, &data))
        packed = (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    DeleteFileA(out.c_str());
    std::printf("pack_ms %.1f\nidle_ms %.1f\n", Median(packMs), Median(idleMs));
    std::printf("pack_peak_ws %.0f\nidle_peak_ws %.0f\n", Median(packWs), Median(idleWs));
    std::printf("pack_peak_pagefile %.0f\nidle_peak_pagefile %.0f\n", Median(packPf),
                Median(idlePf));
    std::printf("output_bytes %lld\n", packed);
    return 0;
}
