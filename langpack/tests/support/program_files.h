// What the program tests need to start langpack.exe as its caller does and
// to look at the files it leaves: the test program's folder, CreateProcessA
// with an exact command line, a folder's names and a file's bytes.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace program_files {

inline std::string ProgramDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\'));
}

// The exit code, or 0xDEAD (and a failure) when the program did not start.
inline DWORD Start(const std::string& app, const std::string& commandLine,
                   const char* currentDir = nullptr) {
    std::string line = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(app.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, currentDir,
                        &startup, &process)) {
        ADD_FAILURE() << "CreateProcessA: " << GetLastError();
        return 0xDEAD;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0xDEAD;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// Sorted, without "." and "..".
inline std::vector<std::string> List(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

// Empty when the file cannot be read.
inline std::string Slurp(const std::string& path) {
    std::string bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return bytes;
    }
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        bytes.append(buffer, n);
    }
    std::fclose(f);
    return bytes;
}

// Makes base\... a folder path of exactly `length` characters (nested
// folders, each name well under a file system's limit) and returns it, or ""
// when a folder cannot be made.
inline std::string MakeFolderOfLength(const std::string& base, size_t length) {
    std::string path = base;
    while (path.size() < length) {
        const size_t left = length - path.size() - 1; // after the separator
        // 201 would leave one character: a separator with no name after it.
        const size_t name = left <= 200 ? left : (left == 201 ? 150 : 200);
        if (name == 0) {
            return "";
        }
        path += "\\" + std::string(name, 'd');
        if (!CreateDirectoryA(path.c_str(), nullptr)) {
            return "";
        }
    }
    return path.size() == length ? path : "";
}

} // namespace program_files
