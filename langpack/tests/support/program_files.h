// What the program tests need to start langpack.exe as its caller does and
// to look at the files it leaves: the test program's folder, CreateProcessA
// with an exact command line, the registry value that names the target
// folder, a folder's names, a file's bytes and its write time.
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

// Waits for a started program, closes its handles and gives its exit code
// (0xDEAD when there is none).
inline DWORD Finish(const PROCESS_INFORMATION& process) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0xDEAD;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
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
    return Finish(process);
}

inline std::string Langpack() {
    return ProgramDir() + "\\langpack.exe";
}

// langpack.exe started with its quoted path and then `switches`.
inline DWORD Install(const std::string& switches) {
    return Start(Langpack(), "\"" + Langpack() + "\" " + switches);
}

// Where the driver's installer records the target folder (HKCU).
inline constexpr char kDirectoryKey[] = "SOFTWARE\\KAVEN\\ZeltDrv";
inline constexpr char kDirectoryValue[] = "_ZELTDirectory";

// The value goes in as ANSI bytes, as the installer writes it.
inline void SetDirectoryValue(const std::string& text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kDirectoryKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, kDirectoryValue, 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

inline void DeleteDirectoryKey() {
    RegDeleteKeyA(HKEY_CURRENT_USER, kDirectoryKey);
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

// Removes the folder and everything below it, read-only files too.
inline void RemoveTree(const std::string& dir) {
    for (const std::string& name : List(dir)) {
        const std::string path = dir + "\\" + name;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveTree(path);
        } else {
            DeleteFileA(path.c_str());
        }
    }
    RemoveDirectoryA(dir.c_str());
}

// A write time no run of the program can give a file.
inline FILETIME Year2000() {
    SYSTEMTIME st = {};
    st.wYear = 2000;
    st.wMonth = 1;
    st.wDay = 1;
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

inline void SetOld(const std::string& path) {
    HANDLE h =
        CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    const FILETIME old = Year2000();
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &old)) << path;
    CloseHandle(h);
}

inline bool IsOld(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return false;
    }
    const FILETIME old = Year2000();
    return CompareFileTime(&data.ftLastWriteTime, &old) == 0;
}

} // namespace program_files
