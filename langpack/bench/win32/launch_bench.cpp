// launch_bench RUNS [PAYLOAD_DIR]: starts langpack.exe (built with the
// measuring payload) with the exact command line "langpack.exe /L<n>" for the
// set whose five members decode to the most bytes, each time into a fresh
// target directory named by the registry value; langpack_idle.exe (the same
// imports, no work) as often; and langpack.exe with the rejected switch /L20
// (the same image, no work). Prints the median wall time of each, the
// difference, and the median peak working set and peak pagefile use of all
// three. A run with an unexpected exit code, or a langpack run that does
// not leave the set's five files, makes the figures void.
//
// Also, in this process: the set's five files written with and without the
// flush, and the cost of one trace line when no debugger listens.
//
// Memory: Windows still answers GetProcessMemoryInfo for an exited process
// whose handle is open; Wine answers zeros once the process is gone. So the
// memory runs also sample the counters while the child runs (the working-set
// peak is the kernel's own high-water mark; the pagefile figure is the
// highest value seen) and take the larger of the two readings. Timed runs
// do not sample, so that the sampling does not slow the child.
#include <windows.h>
#include <psapi.h>

#include "trace.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char kKey[] = "SOFTWARE\\KAVEN\\ZeltDrv";
constexpr char kValue[] = "_ZELTDirectory";
constexpr int kSets = 20;
constexpr int kMembers = 5;
constexpr uint64_t kMemoryAllowance = 256 * 1024;

const char* const kCodes[kSets] = {"jp", "us", "cz", "dn", "gm", "sp", "fr", "it", "hn", "dt",
                                   "nw", "pl", "pr", "fn", "sw", "ru", "cs", "ct", "kr", "he"};
// Installed names: stem, the set's code, extension.
const char* const kStems[kMembers] = {"KWT5D1", "KWT5D1", "KWT5D1", "KWT5DS", "KWT5DS"};
const char* const kExtensions[kMembers] = {".DLL", ".HLP", ".cnt", ".HLP", ".cnt"};

struct RunResult {
    double ms;
    DWORD exitCode;
    PROCESS_MEMORY_COUNTERS memory;
};

struct Samples {
    std::vector<double> ms;
    std::vector<double> peakWorkingSet;
    std::vector<double> peakPagefile;
};

std::string ProgramDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

// Size of a file, or -1 when it is missing.
int64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return -1;
    }
    return static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) |
                                data.nFileSizeLow);
}

bool SetDirectoryValue(const std::string& dir) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const LONG status =
        RegSetValueExA(key, kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(dir.c_str()),
                       static_cast<DWORD>(dir.size() + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

// The value as it was before the bench, put back at the end.
struct SavedValue {
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> bytes;
};

SavedValue SaveValue() {
    SavedValue saved;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return saved;
    }
    DWORD size = 0;
    if (RegQueryValueExA(key, kValue, nullptr, &saved.type, nullptr, &size) == ERROR_SUCCESS) {
        saved.bytes.resize(size);
        saved.present = RegQueryValueExA(key, kValue, nullptr, &saved.type, saved.bytes.data(),
                                         &size) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return saved;
}

void RestoreValue(const SavedValue& saved) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
        return;
    }
    if (saved.present) {
        RegSetValueExA(key, kValue, 0, saved.type, saved.bytes.data(),
                       static_cast<DWORD>(saved.bytes.size()));
    } else {
        RegDeleteValueA(key, kValue);
    }
    RegCloseKey(key);
}

void RemoveDir(const std::string& dir) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name != "." && name != "..") {
                DeleteFileA((dir + "\\" + name).c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(dir.c_str());
}

void KeepPeaks(HANDLE process, PROCESS_MEMORY_COUNTERS* peaks) {
    PROCESS_MEMORY_COUNTERS now = {};
    now.cb = sizeof now;
    if (!GetProcessMemoryInfo(process, &now, sizeof now)) {
        return;
    }
    peaks->PeakWorkingSetSize =
        std::max({peaks->PeakWorkingSetSize, now.PeakWorkingSetSize, now.WorkingSetSize});
    peaks->PeakPagefileUsage =
        std::max({peaks->PeakPagefileUsage, now.PeakPagefileUsage, now.PagefileUsage});
}

bool Start(const std::string& app, const std::string& commandLine, bool watch,
           LARGE_INTEGER frequency, RunResult* result) {
    std::string line = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(app.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fprintf(stderr, "CreateProcessA %s failed, error %lu\n", app.c_str(), GetLastError());
        return false;
    }
    result->memory = {};
    result->memory.cb = sizeof result->memory;
    if (watch) {
        while (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
            KeepPeaks(process.hProcess, &result->memory);
            Sleep(0);
        }
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    QueryPerformanceCounter(&end);
    result->ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                 static_cast<double>(frequency.QuadPart);
    result->exitCode = 0xDEAD;
    GetExitCodeProcess(process.hProcess, &result->exitCode);
    if (watch) {
        KeepPeaks(process.hProcess, &result->memory);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (watch && result->memory.PeakWorkingSetSize == 0) {
        std::fprintf(stderr, "GetProcessMemoryInfo gave no figures\n");
        return false;
    }
    return true;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Add(Samples* s, const RunResult& r, bool watched) {
    if (watched) {
        s->peakWorkingSet.push_back(static_cast<double>(r.memory.PeakWorkingSetSize));
        s->peakPagefile.push_back(static_cast<double>(r.memory.PeakPagefileUsage));
    } else {
        s->ms.push_back(r.ms);
    }
}

// Whether the set's five files stand in dir with the payload's sizes.
bool SetInPlace(const std::string& dir, int set, const std::array<int64_t, kMembers>& sizes) {
    for (int m = 0; m < kMembers; ++m) {
        const std::string name = std::string(kStems[m]) + kCodes[set] + kExtensions[m];
        if (FileSize(dir + "\\" + name) != sizes[static_cast<size_t>(m)]) {
            std::fprintf(stderr, "%s\\%s missing or of the wrong size\n", dir.c_str(),
                         name.c_str());
            return false;
        }
    }
    return true;
}

std::vector<char> ReadWhole(const std::string& path) {
    std::vector<char> bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char chunk[65536];
        size_t n = 0;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
            bytes.insert(bytes.end(), chunk, chunk + n);
        }
        std::fclose(f);
    }
    return bytes;
}

// The file calls langpack.exe makes for one set (create, write, flush or
// not, rename while open, close), timed in this process for the set's five
// files: the flush's cost without the noise of process start-up. Median ms.
double TimeSetWrites(const std::string& dir, const std::vector<std::vector<char>>& files,
                     bool flush, int runs, LARGE_INTEGER frequency) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        QueryPerformanceCounter(&start);
        for (size_t m = 0; m < files.size(); ++m) {
            const std::string temp = dir + "\\~lp0000" + std::to_string(m) + ".tmp";
            const std::wstring target = L"KWT5D1jp." + std::to_wstring(m);
            HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
            DWORD written = 0;
            WriteFile(h, files[m].data(), static_cast<DWORD>(files[m].size()), &written, nullptr);
            if (flush) {
                FlushFileBuffers(h);
            }
            std::wstring full(dir.begin(), dir.end());
            full += L"\\" + target;
            std::vector<unsigned char> info(sizeof(FILE_RENAME_INFO) +
                                            (full.size() + 1) * sizeof(WCHAR));
            auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(info.data());
            rename->ReplaceIfExists = TRUE;
            rename->FileNameLength = static_cast<DWORD>(full.size() * sizeof(WCHAR));
            std::memcpy(rename->FileName, full.c_str(), full.size() * sizeof(WCHAR));
            SetFileInformationByHandle(h, FileRenameInfo, info.data(),
                                       static_cast<DWORD>(info.size()));
            CloseHandle(h);
        }
        QueryPerformanceCounter(&end);
        times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                        static_cast<double>(frequency.QuadPart));
    }
    return Median(times);
}

// One trace line as langpack.exe writes it, with nobody listening (this
// program runs without a debugger): median microseconds per line over
// batches of 1000.
double TimeTraceLine(int batches, LARGE_INTEGER frequency) {
    std::vector<double> perLine;
    for (int b = 0; b < batches; ++b) {
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        QueryPerformanceCounter(&start);
        for (int i = 0; i < 1000; ++i) {
            TraceLine("%s: written", "C:\\_zelt\\KWT5D1us.DLL");
        }
        QueryPerformanceCounter(&end);
        perLine.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                          static_cast<double>(frequency.QuadPart));
    }
    return Median(perLine);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: launch_bench RUNS [PAYLOAD_DIR]\n");
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[1]));
    const std::string payload = argc > 2 ? argv[2] : ZELT_BENCH_PAYLOAD_DIR;

    // The largest set: the one whose five members decode to the most bytes.
    int largest = -1;
    int64_t largestTotal = 0;
    std::array<int64_t, kMembers> sizes = {};
    for (int set = 0; set < kSets; ++set) {
        std::array<int64_t, kMembers> s = {};
        int64_t total = 0;
        for (int m = 0; m < kMembers; ++m) {
            char name[32];
            std::snprintf(name, sizeof name, "\\file%04d.%03d", set, m + 1);
            s[static_cast<size_t>(m)] = FileSize(payload + name);
            if (s[static_cast<size_t>(m)] <= 0) {
                std::fprintf(stderr, "payload file %s%s missing\n", payload.c_str(), name);
                return 1;
            }
            total += s[static_cast<size_t>(m)];
        }
        if (total > largestTotal) {
            largest = set;
            largestTotal = total;
            sizes = s;
        }
    }
    const int64_t largestMember = *std::max_element(sizes.begin(), sizes.end());

    const std::string dir = ProgramDir();
    const std::string langpack = dir + "langpack.exe";
    const std::string idle = dir + "langpack_idle.exe";
    const std::string switchText = " /L" + std::to_string(largest);
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string root =
        std::string(temp) + "langpack-bench-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(root.c_str(), nullptr);
    const SavedValue saved = SaveValue();

    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    Samples work;
    Samples baseline;
    Samples rejected;
    bool ok = true;
    // Timed runs, then watched runs, each pair interleaved so that drift on
    // the shared machine hits both alike; the first pair is a warm-up.
    for (int i = 0; i <= 2 * runs + 1 && ok; ++i) {
        const bool watch = i > runs;
        const bool counted = i != 0 && i != runs + 1;
        const std::string target = root + "\\run" + std::to_string(i);
        ok = CreateDirectoryA(target.c_str(), nullptr) && SetDirectoryValue(target);
        if (!ok) {
            std::fprintf(stderr, "cannot prepare %s\n", target.c_str());
            break;
        }
        RunResult r = {};
        ok = Start(langpack, "langpack.exe" + switchText, watch, frequency, &r);
        if (ok && r.exitCode != 0) {
            std::fprintf(stderr, "langpack.exe%s exited with %lu\n", switchText.c_str(),
                         r.exitCode);
            ok = false;
        }
        ok = ok && SetInPlace(target, largest, sizes);
        if (ok && counted) {
            Add(&work, r, watch);
        }
        RemoveDir(target);
        if (!ok) {
            break;
        }
        ok = Start(idle, "langpack_idle.exe" + switchText, watch, frequency, &r);
        if (ok && r.exitCode != 0) {
            std::fprintf(stderr, "langpack_idle.exe exited with %lu\n", r.exitCode);
            ok = false;
        }
        if (ok && counted) {
            Add(&baseline, r, watch);
        }
        // The same image with a rejected switch: its start-up without the
        // work, which tells the image's own cost from the install's.
        if (ok) {
            ok = Start(langpack, "langpack.exe /L20", watch, frequency, &r);
            if (ok && r.exitCode != 87) {
                std::fprintf(stderr, "langpack.exe /L20 exited with %lu\n", r.exitCode);
                ok = false;
            }
            if (ok && counted) {
                Add(&rejected, r, watch);
            }
        }
    }
    RestoreValue(saved);
    double writeMs = 0;
    double writeFlushMs = 0;
    if (ok) {
        std::vector<std::vector<char>> files;
        for (int m = 0; m < kMembers; ++m) {
            char name[32];
            std::snprintf(name, sizeof name, "\\file%04d.%03d", largest, m + 1);
            files.push_back(ReadWhole(payload + name));
        }
        const std::string writes = root + "\\writes";
        CreateDirectoryA(writes.c_str(), nullptr);
        // Interleaved halves, so that drift hits both alike.
        std::vector<double> plain;
        std::vector<double> flushed;
        for (int half = 0; half < 2 * runs; ++half) {
            const bool flush = half % 2 == 1;
            (flush ? flushed : plain).push_back(TimeSetWrites(writes, files, flush, 1, frequency));
        }
        writeMs = Median(plain);
        writeFlushMs = Median(flushed);
        RemoveDir(writes);
    }
    RemoveDirectoryA(root.c_str());
    if (!ok) {
        std::fprintf(stderr, "error: a run failed, no figures\n");
        return 1;
    }

    const double workMs = Median(work.ms);
    const double idleMs = Median(baseline.ms);
    const double workWs = Median(work.peakWorkingSet);
    const double idleWs = Median(baseline.peakWorkingSet);
    const double workPf = Median(work.peakPagefile);
    const double idlePf = Median(baseline.peakPagefile);
    std::printf("set %d\nset_bytes %lld\nlargest_member_bytes %lld\nruns %d\n", largest,
                static_cast<long long>(largestTotal), static_cast<long long>(largestMember), runs);
    std::printf("langpack_ms %.1f\nidle_ms %.1f\ndiff_ms %.1f\n", workMs, idleMs, workMs - idleMs);
    std::printf("rejected_ms %.1f\n", Median(rejected.ms));
    std::printf("rejected_peak_ws %.0f\nrejected_peak_pagefile %.0f\n",
                Median(rejected.peakWorkingSet), Median(rejected.peakPagefile));
    std::printf("langpack_peak_ws %.0f\nidle_peak_ws %.0f\ndiff_peak_ws %.0f\n", workWs, idleWs,
                workWs - idleWs);
    std::printf("langpack_peak_pagefile %.0f\nidle_peak_pagefile %.0f\ndiff_peak_pagefile %.0f\n",
                workPf, idlePf, workPf - idlePf);
    std::printf("write_set_ms %.2f\nwrite_set_flush_ms %.2f\n", writeMs, writeFlushMs);
    std::printf("trace_line_us %.2f\n", TimeTraceLine(runs, frequency));
    std::printf("limit_bytes %lld\n",
                static_cast<long long>(largestMember + static_cast<int64_t>(kMemoryAllowance)));
    return 0;
}
