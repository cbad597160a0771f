#include "write_win32.h"

#include <windows.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t kHeaderSize = 23; // fixed header, "file0000.001" and its NUL
constexpr std::size_t kTrailerSize = 8;

std::string systemMessage(DWORD code) {
    char text[512] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, text, sizeof text, nullptr);
    std::string s(text, n);
    while (!s.empty() &&
           (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '.'))
        s.pop_back();
    if (s.empty()) s = "system error";
    return s + " (error " + std::to_string(code) + ")";
}

bool complain(const std::string& path, const std::string& why) {
    std::fprintf(stderr, "lppack: %s: %s\n", path.c_str(), why.c_str());
    return false;
}

std::uint32_t le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

// Offset of the last whole character of `path` in the system code page (a
// trail byte 0x5C of a double-byte character is no separator), or npos.
std::size_t lastCharAt(const std::string& path) {
    std::size_t last = std::string::npos;
    for (const char* p = path.c_str(); *p != '\0'; p = CharNextA(p))
        last = static_cast<std::size_t>(p - path.c_str());
    return last;
}

// The full path of `path` and the folder part of it, found by whole
// characters; a drive-relative "C:new.exe" resolves against that drive's
// current folder, not the process's.
bool splitFull(const std::string& path, std::string& full, std::string& folder) {
    char buffer[MAX_PATH];
    const DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
    if (n == 0 || n >= MAX_PATH) return false;
    full.assign(buffer, n);
    std::size_t cut = std::string::npos;
    for (const char* p = full.c_str(); *p != '\0'; p = CharNextA(p))
        if (isSeparator(*p)) cut = static_cast<std::size_t>(p - full.c_str());
    if (cut == std::string::npos) return false;
    // A drive's root "C:\" keeps its separator.
    const bool root = cut == 2 && full[1] == ':';
    folder = full.substr(0, root ? cut + 1 : cut);
    return true;
}

bool writeAll(const std::string& path, const Bytes& bytes, std::string& why) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        why = systemMessage(GetLastError());
        return false;
    }
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        DWORD wrote = 0;
        ok = WriteFile(h, bytes.data() + done, chunk, &wrote, nullptr) && wrote == chunk;
        done += wrote;
    }
    // On the disk before the rename makes it the output.
    if (ok) ok = FlushFileBuffers(h) != 0;
    if (!ok) why = systemMessage(GetLastError());
    if (!CloseHandle(h) && ok) {
        why = systemMessage(GetLastError());
        ok = false;
    }
    return ok;
}

// The member as the system's resource lookup finds it in the new file.
bool resourceBytes(HMODULE module, LPCSTR name, LPCSTR type, const unsigned char*& data,
                   DWORD& size) {
    HRSRC found = FindResourceA(module, name, type);
    if (found == nullptr) return false;
    size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    data = loaded != nullptr ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
    return data != nullptr;
}

// Member i decoded on its own and held against the file it came from.
std::string checkMember(const PackJob& job, int i, const unsigned char* data, DWORD size) {
    const Bytes& made =
        FindType(job.tree, "DEVFILE")->names[static_cast<std::size_t>(i)].leaves[0].data;
    if (size != made.size() || std::memcmp(data, made.data(), size) != 0)
        return "differs from the member that was packed";
    Bytes source;
    if (std::string why = ReadSource(SourcePath(job.dir, i), source); !why.empty())
        return "its file cannot be read again: " + why;
    Bytes decoded(source.size() + 1);
    z_stream strm{};
    if (inflateInit2(&strm, -15) != Z_OK) return "out of memory";
    strm.next_in = const_cast<Bytef*>(data + kHeaderSize);
    strm.avail_in = static_cast<uInt>(size - kHeaderSize);
    strm.next_out = decoded.data();
    strm.avail_out = static_cast<uInt>(decoded.size());
    const int rc = inflate(&strm, Z_FINISH);
    const std::size_t produced = strm.total_out;
    const uInt left = strm.avail_in;
    inflateEnd(&strm);
    if (rc != Z_STREAM_END || left != kTrailerSize) return "does not decode as one gzip member";
    const unsigned char* trailer = data + size - kTrailerSize;
    if (le32(trailer + 4) != source.size() || produced != source.size())
        return "ISIZE or decoded size differs from the file's size";
    if (le32(trailer) != crc32(0L, source.data(), static_cast<uInt>(source.size())))
        return "CRC-32 differs from the file's";
    if (std::memcmp(decoded.data(), source.data(), source.size()) != 0)
        return "decodes to bytes other than the file's";
    return {};
}

bool verify(const PackJob& job, const std::string& tmp, const std::string& out) {
    HMODULE module = LoadLibraryExA(tmp.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr)
        return complain(out, "the new program cannot be opened to check it: " +
                                 systemMessage(GetLastError()));
    bool ok = true;
    for (int i = 0; i < kPackFiles && ok; ++i) {
        const unsigned char* data = nullptr;
        DWORD size = 0;
        const std::string id = std::to_string(kFirstMemberId + i);
        if (!resourceBytes(module, MAKEINTRESOURCEA(kFirstMemberId + i), "DEVFILE", data, size)) {
            ok = complain(out, "member " + id + " is not found in the new program");
        } else if (std::string why = checkMember(job, i, data, size); !why.empty()) {
            ok = complain(out, "member " + id + " (" + SourcePath(job.dir, i) + ") " + why);
        }
    }
    const unsigned char* manifest = nullptr;
    DWORD size = 0;
    const Bytes& want = FindType(job.tree, kRtManifest)->names[0].leaves[0].data;
    if (ok && (!resourceBytes(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(kRtManifest), manifest,
                              size) ||
               size != want.size() || std::memcmp(manifest, want.data(), size) != 0))
        ok = complain(out, "the manifest did not survive the rewrite");
    FreeLibrary(module);
    return ok;
}

} // namespace

std::string FolderPrefix(const std::string& dir) {
    const std::size_t last = lastCharAt(dir);
    if (last == std::string::npos || isSeparator(dir[last]) || (last == 1 && dir[1] == ':'))
        return dir;
    return dir + "\\";
}

bool CheckFolder(const std::string& dir) {
    const DWORD attributes = GetFileAttributesA(dir.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return complain(dir, "cannot open the folder: " + systemMessage(GetLastError()));
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return complain(dir, "not a folder");
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((FolderPrefix(dir) + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return complain(dir, "cannot read the folder: " + systemMessage(GetLastError()));
    FindClose(find);
    return true;
}

bool WriteChecked(const PackJob& job, const Bytes& program, const std::string& out) {
    std::string full;
    std::string folder;
    if (!splitFull(out, full, folder))
        return complain(out, "not a path of a file: " + systemMessage(GetLastError()));
    char tmp[MAX_PATH] = {};
    if (GetTempFileNameA(folder.c_str(), "lpp", 0, tmp) == 0)
        return complain(out,
                        "cannot write a file in " + folder + ": " + systemMessage(GetLastError()));
    bool ok = false;
    try {
        std::string why;
        ok = writeAll(tmp, program, why);
        if (!ok) complain(out, "writing " + std::string(tmp) + " failed: " + why);
        if (ok) ok = verify(job, tmp, out);
        if (ok &&
            !MoveFileExA(tmp, full.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            ok = complain(out, "cannot be written: " + systemMessage(GetLastError()));
    } catch (...) {
        DeleteFileA(tmp); // what threw (out of memory) is reported by main
        throw;
    }
    if (!ok) DeleteFileA(tmp);
    return ok;
}
