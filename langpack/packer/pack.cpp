#include "pack.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gzmember.h"

namespace {

bool complain(const std::string& path, const std::string& why) {
    std::fprintf(stderr, "lppack: %s: %s\n", path.c_str(), why.c_str());
    return false;
}

// Size of an open file, or -1.
long long fileSize(std::FILE* f) {
#ifdef _WIN32
    if (_fseeki64(f, 0, SEEK_END) != 0) return -1;
    const long long size = _ftelli64(f);
    if (_fseeki64(f, 0, SEEK_SET) != 0) return -1;
#else
    if (fseeko(f, 0, SEEK_END) != 0) return -1;
    const long long size = ftello(f);
    if (fseeko(f, 0, SEEK_SET) != 0) return -1;
#endif
    return size;
}

// The size check alone, for reporting every bad file before reading any.
std::string checkSource(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return std::strerror(errno);
    const long long size = fileSize(f);
    std::fclose(f);
    if (size < 0) return "cannot tell its size";
    if (size == 0) return "empty file (the installer refuses a member of 0 bytes)";
    if (static_cast<unsigned long long>(size) > kMaxFileSize)
        return "file of 4 GiB or more (a member records its size in 32 bits)";
    return {};
}

bool utf16Contains(const Bytes& blob, const char* text) {
    Bytes needle;
    for (const char* p = text; *p != '\0'; ++p) {
        needle.push_back(static_cast<unsigned char>(*p));
        needle.push_back(0);
    }
    for (std::size_t i = 0; i + needle.size() <= blob.size(); i += 2)
        if (std::memcmp(&blob[i], needle.data(), needle.size()) == 0) return true;
    return false;
}

std::string checkLangpack(const PeImage& pe, const ResTree& tree) {
    const bool i386 = pe.machine == kMachineI386 && pe.magic == 0x10B;
    const bool x64 = pe.machine == kMachineAmd64 && pe.magic == 0x20B;
    if (!i386 && !x64) return "not a 32-bit (i386) or 64-bit (x64) Windows program";
    if ((pe.characteristics & 0x2000) != 0) return "a DLL, not langpack.exe";
    if (pe.subsystem != 2) return "not a windowed program like langpack.exe";
    const ResType* members = FindType(tree, "DEVFILE");
    if (members == nullptr) return "no \"DEVFILE\" resources: not langpack.exe";
    if (members->names.size() != kPackFiles)
        return "holds " + std::to_string(members->names.size()) +
               " \"DEVFILE\" resources, not 100: not langpack.exe";
    for (std::size_t i = 0; i < members->names.size(); ++i) {
        const ResName& n = members->names[i];
        const std::string which = "\"DEVFILE\" resource " + std::to_string(i + 1);
        if (n.key.named || n.key.id != kFirstMemberId + i)
            return which + " is not id " + std::to_string(kFirstMemberId + i) +
                   ": not langpack.exe";
        if (n.leaves.size() != 1 || n.leaves[0].language != kMemberLanguage)
            return which + " is not in language 1041 alone: not langpack.exe";
        const Bytes& d = n.leaves[0].data;
        if (d.size() < 31 || d[0] != 0x1F || d[1] != 0x8B || d[2] != 8 || d[3] != 0x08)
            return which + " is not a gzip member: not langpack.exe";
    }
    const ResType* version = FindType(tree, kRtVersion);
    if (version == nullptr || version->names.empty() || version->names[0].leaves.empty())
        return "no version block: not langpack.exe";
    const Bytes& v = version->names[0].leaves[0].data;
    if (!utf16Contains(v, "ZeltDrv") || !utf16Contains(v, "langpack.exe"))
        return "its version block is not langpack.exe's of ZeltDrv";
    const ResType* manifest = FindType(tree, kRtManifest);
    if (manifest == nullptr || manifest->names.size() != 1 || manifest->names[0].key.named ||
        manifest->names[0].key.id != 1)
        return "no application manifest (id 1): not langpack.exe";
    return {};
}

} // namespace

std::string SourcePath(const std::string& prefix, int index) {
    char name[16];
    GzMemberName(index, name);
    return prefix + name;
}

std::string ReadSource(const std::string& path, Bytes& data) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return std::strerror(errno);
    std::string why;
    const long long size = fileSize(f);
    if (size < 0) {
        why = "cannot tell its size";
    } else if (size == 0) {
        why = "empty file (the installer refuses a member of 0 bytes)";
    } else if (static_cast<unsigned long long>(size) > kMaxFileSize) {
        why = "file of 4 GiB or more (a member records its size in 32 bits)";
    } else if (static_cast<unsigned long long>(size) > SIZE_MAX / 2) {
        why = "too large to read into memory";
    } else {
        data.resize(static_cast<std::size_t>(size));
        if (std::fread(data.data(), 1, data.size(), f) != data.size() || std::fgetc(f) != EOF)
            why = "changed or could not be read in full";
    }
    std::fclose(f);
    return why;
}

bool LoadInput(PackJob& job) {
    std::FILE* f = std::fopen(job.input.c_str(), "rb");
    if (f == nullptr) return complain(job.input, std::strerror(errno));
    Bytes bytes;
    const long long size = fileSize(f);
    bool read = size > 0 && size < 0x7FFFFFFF;
    if (read) {
        bytes.resize(static_cast<std::size_t>(size));
        read = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
    }
    std::fclose(f);
    if (!read) return complain(job.input, "cannot be read (empty, too large or unreadable)");
    if (std::string why = ParsePe(std::move(bytes), job.pe); !why.empty())
        return complain(job.input, why + ": not langpack.exe");
    if (std::string why = ReadResources(job.pe, job.tree); !why.empty())
        return complain(job.input, why + ": not langpack.exe");
    if (std::string why = checkLangpack(job.pe, job.tree); !why.empty())
        return complain(job.input, why);
    return true;
}

bool ChooseTime(PackJob& job, const char* epoch) {
    if (job.haveTime) return true;
    if (epoch != nullptr && *epoch != '\0') {
        char* end = nullptr;
        errno = 0;
        const unsigned long long v = std::strtoull(epoch, &end, 10);
        if (errno != 0 || *end != '\0' || *epoch == '-' || v > 0xFFFFFFFFull)
            return complain("SOURCE_DATE_EPOCH",
                            "not a Unix time of 32 bits: " + std::string(epoch));
        job.time = static_cast<std::uint32_t>(v);
        return true;
    }
    const Bytes& first = FindType(job.tree, "DEVFILE")->names[0].leaves[0].data;
    job.time = static_cast<std::uint32_t>(first[4] | first[5] << 8 | first[6] << 16) |
               static_cast<std::uint32_t>(first[7]) << 24;
    return true;
}

bool PackFiles(PackJob& job) {
    bool ok = true;
    for (int i = 0; i < kPackFiles; ++i) {
        const std::string path = SourcePath(job.dir, i);
        if (std::string why = checkSource(path); !why.empty()) ok = complain(path, why);
    }
    if (!ok) return false;
    Bytes data;
    Bytes member; // room for the largest; each member is kept at its own size
    for (int i = 0; i < kPackFiles; ++i) {
        const std::string path = SourcePath(job.dir, i);
        if (std::string why = ReadSource(path, data); !why.empty()) return complain(path, why);
        char name[16];
        GzMemberName(i, name);
        const int rc = MakeGzipMember(data.data(), data.size(), name, job.time, member);
        if (rc != kGzMemberOk) return complain(path, "cannot be compressed (out of memory?)");
        job.members[static_cast<std::size_t>(i)].assign(member.begin(), member.end());
        job.sourceBytes += data.size();
    }
    return true;
}

bool MakeProgram(PackJob& job, Bytes& out) {
    const ResType* found = FindType(job.tree, "DEVFILE");
    ResType& devfile = job.tree.types[static_cast<std::size_t>(found - job.tree.types.data())];
    for (std::size_t i = 0; i < devfile.names.size(); ++i)
        devfile.names[i].leaves[0].data = std::move(job.members[i]);
    if (job.haveVersion) {
        for (ResType& t : job.tree.types) {
            if (&t != FindType(job.tree, kRtVersion)) continue;
            for (ResName& n : t.names)
                for (ResLeaf& l : n.leaves)
                    if (std::string why = SetVersion(l.data, job.version); !why.empty())
                        return complain(job.input, why);
        }
    }
    if (std::string why = WriteWithResources(job.pe, job.tree, out); !why.empty())
        return complain(job.input, "cannot be rewritten: " + why);
    return true;
}
