// Files around the extraction tests: whole-file reads and writes, the raw
// (decoded) bytes of a test member, a folder's names and its removal. The including
// target defines ZELT_MEMBERS_DIR, the folder make_members.py wrote.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace member_files {

using Bytes = std::vector<uint8_t>;

inline Bytes ReadFile(const std::string& path) {
    Bytes out;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        uint8_t chunk[4096];
        size_t n = 0;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
            out.insert(out.end(), chunk, chunk + n);
        }
        std::fclose(f);
    }
    return out;
}

inline void WriteFile(const std::string& path, const Bytes& data) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    ASSERT_EQ(std::fwrite(data.data(), 1, data.size(), f), data.size());
    ASSERT_EQ(std::fclose(f), 0);
}

inline Bytes Raw(uint32_t id) {
    char name[16];
    std::snprintf(name, sizeof name, "\\%03u.raw", static_cast<unsigned>(id));
    Bytes b = ReadFile(std::string(ZELT_MEMBERS_DIR) + name);
    EXPECT_FALSE(b.empty()) << "test data missing for member " << id;
    return b;
}

inline std::set<std::string> Listing(const std::string& dir) {
    std::set<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &data);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string n = data.cFileName;
            if (n != "." && n != "..") {
                names.insert(n);
            }
        } while (FindNextFileA(h, &data));
        FindClose(h);
    }
    return names;
}

// Removes the folder and everything below it, read-only files too.
inline void RemoveTree(const std::string& dir) {
    for (const auto& n : Listing(dir)) {
        const std::string p = dir + "\\" + n;
        SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (GetFileAttributesA(p.c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveTree(p);
        } else {
            DeleteFileA(p.c_str());
        }
    }
    RemoveDirectoryA(dir.c_str());
}

} // namespace member_files
