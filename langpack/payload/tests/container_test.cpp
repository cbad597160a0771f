// The embedded payload as langpack.exe carries it: opened as a data module,
// every "DEVFILE" member is checked byte for byte and decoded with zlib's own
// raw inflate (independent of the program's gzip reader).
//
//   payload_container_tests PATH-TO-langpack.exe

#include <windows.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kSets = 20;
constexpr int kMembers = 5;
constexpr int kFirstId = 101;
constexpr int kLastId = 200;
constexpr std::size_t kHeaderSize = 23; // 10 fixed bytes + "file0000.001" + NUL
constexpr std::size_t kTrailerSize = 8;
constexpr std::size_t kMinDecoded = 262;
constexpr std::size_t kMaxDecoded = 700 * 1024; // exclusive
constexpr WORD kContainerLanguage = 1041;

constexpr std::array<const char*, kSets> kCodes{"JP", "US", "CZ", "DN", "GM", "SP", "FR",
                                                "IT", "HN", "DT", "NW", "PL", "PR", "FN",
                                                "SW", "RU", "CS", "CT", "KR", "HE"};

// Language of each set's user-interface library.
constexpr std::array<WORD, kSets> kLibraryLanguage{1041, 1033, 1029, 1030, 1031, 1034, 1036,
                                                   1040, 1038, 1043, 1044, 1045, 1046, 1035,
                                                   1053, 1049, 2052, 1033, 1033, 1033};

// The set whose bytes a member carries, per the identical-member table.
int contentSet(int set, int member) {
    if (set >= 17) return 1;
    if (set == 16 && member >= 2) return 1;
    if ((member == 2 || member == 4) && (set == 8 || set == 11 || set == 13 || set == 15)) return 2;
    return set;
}

int idOf(int set, int member) {
    return kFirstId + kMembers * set + member - 1;
}

std::uint32_t le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::string fname(int set, int member) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "file%04d.%03d", set, member);
    return buf;
}

struct Member {
    std::vector<unsigned char> raw;
    std::vector<unsigned char> decoded;
    int inflateResult = Z_ERRNO;
    std::size_t consumed = 0; // compressed bytes inflate used
};

std::string g_modulePath;

// Raw inflate of everything after the fixed header; the member is judged by
// how far inflate got, so trailing bytes cannot hide.
void decode(Member& m) {
    if (m.raw.size() < kHeaderSize + kTrailerSize) return;
    z_stream strm{};
    if (inflateInit2(&strm, -15) != Z_OK) return;
    strm.next_in = m.raw.data() + kHeaderSize;
    strm.avail_in = static_cast<uInt>(m.raw.size() - kHeaderSize);
    std::array<unsigned char, 16384> chunk{};
    int rc = Z_OK;
    while (rc == Z_OK) {
        strm.next_out = chunk.data();
        strm.avail_out = static_cast<uInt>(chunk.size());
        rc = inflate(&strm, Z_NO_FLUSH);
        m.decoded.insert(m.decoded.end(), chunk.data(),
                         chunk.data() + (chunk.size() - strm.avail_out));
        if (rc == Z_BUF_ERROR && strm.avail_in == 0) break;
    }
    m.inflateResult = rc;
    m.consumed = strm.total_in;
    inflateEnd(&strm);
}

BOOL CALLBACK collectLanguage(HMODULE, LPCSTR, LPCSTR, WORD lang, LONG_PTR param) {
    reinterpret_cast<std::vector<WORD>*>(param)->push_back(lang);
    return TRUE;
}

BOOL CALLBACK collectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param) {
    reinterpret_cast<std::vector<int>*>(param)->push_back(
        IS_INTRESOURCE(name) ? static_cast<int>(reinterpret_cast<ULONG_PTR>(name)) : -1);
    return TRUE;
}

std::vector<WORD> languagesOf(HMODULE module, LPCSTR type, LPCSTR name) {
    std::vector<WORD> langs;
    EnumResourceLanguagesA(module, type, name, collectLanguage, reinterpret_cast<LONG_PTR>(&langs));
    return langs;
}

// Integer names of every resource of a type (a string name counts as -1).
std::vector<int> namesOf(HMODULE module, LPCSTR type) {
    std::vector<int> names;
    EnumResourceNamesA(module, type, collectName, reinterpret_cast<LONG_PTR>(&names));
    return names;
}

class Container : public ::testing::Test {
  protected:
    static HMODULE module;
    static std::array<Member, kSets * kMembers> members;

    static void SetUpTestSuite() {
        module = LoadLibraryExA(g_modulePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        if (module == nullptr) return;
        for (int id = kFirstId; id <= kLastId; ++id) {
            Member& m = members[id - kFirstId];
            HRSRC res = FindResourceA(module, MAKEINTRESOURCEA(id), "DEVFILE");
            if (res == nullptr) continue;
            const DWORD size = SizeofResource(module, res);
            HGLOBAL loaded = LoadResource(module, res);
            const auto* bytes = static_cast<const unsigned char*>(LockResource(loaded));
            if (bytes != nullptr) m.raw.assign(bytes, bytes + size);
            decode(m);
        }
    }

    static void TearDownTestSuite() {
        if (module != nullptr) FreeLibrary(module);
        module = nullptr;
    }

    void SetUp() override { ASSERT_NE(module, nullptr) << "cannot open " << g_modulePath; }

    static const Member& at(int set, int member) { return members[idOf(set, member) - kFirstId]; }
};

HMODULE Container::module = nullptr;
std::array<Member, kSets * kMembers> Container::members;

TEST_F(Container, IdsAreExactly101To200) {
    for (int id : {0, 1, 100, 201, 202, 1000})
        EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCEA(id), "DEVFILE"), nullptr) << id;
    for (int id = kFirstId; id <= kLastId; ++id)
        EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(id), "DEVFILE"), nullptr) << id;

    std::vector<int> names = namesOf(module, "DEVFILE");
    std::vector<int> expected;
    for (int id = kFirstId; id <= kLastId; ++id)
        expected.push_back(id);
    EXPECT_EQ(names, expected);
}

TEST_F(Container, EveryIdHasOnlyLanguage1041) {
    for (int id = kFirstId; id <= kLastId; ++id) {
        EXPECT_EQ(languagesOf(module, "DEVFILE", MAKEINTRESOURCEA(id)),
                  std::vector<WORD>{kContainerLanguage})
            << id;
        EXPECT_NE(FindResourceExA(module, "DEVFILE", MAKEINTRESOURCEA(id), kContainerLanguage),
                  nullptr)
            << id;
    }
}

TEST_F(Container, HeaderBytesAreExact) {
    const std::uint32_t mtime = members[0].raw.size() >= 8 ? le32(members[0].raw.data() + 4) : 0;
    for (int set = 0; set < kSets; ++set)
        for (int member = 1; member <= kMembers; ++member) {
            const std::vector<unsigned char>& raw = at(set, member).raw;
            SCOPED_TRACE(idOf(set, member));
            ASSERT_GE(raw.size(), kHeaderSize + kTrailerSize);
            EXPECT_EQ(raw[0], 0x1F);
            EXPECT_EQ(raw[1], 0x8B);
            EXPECT_EQ(raw[2], 8);    // deflate
            EXPECT_EQ(raw[3], 0x08); // FNAME only
            EXPECT_EQ(le32(raw.data() + 4), mtime) << "one packing time for all members";
            EXPECT_EQ(raw[8], 0);  // XFL
            EXPECT_EQ(raw[9], 11); // OS
            const std::string name = fname(set, member);
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(raw.data()) + 10, 13),
                      std::string(name.c_str(), 13));
        }
}

TEST_F(Container, DeflateEndsWhereTheTrailerBegins) {
    for (int id = kFirstId; id <= kLastId; ++id) {
        const Member& m = members[id - kFirstId];
        SCOPED_TRACE(id);
        EXPECT_EQ(m.inflateResult, Z_STREAM_END);
        // Nothing between the final block and CRC32, nothing after ISIZE.
        EXPECT_EQ(kHeaderSize + m.consumed + kTrailerSize, m.raw.size());
    }
}

TEST_F(Container, TrailerMatchesDecodedBytes) {
    for (int id = kFirstId; id <= kLastId; ++id) {
        const Member& m = members[id - kFirstId];
        SCOPED_TRACE(id);
        ASSERT_GE(m.raw.size(), kHeaderSize + kTrailerSize);
        const unsigned char* trailer = m.raw.data() + m.raw.size() - kTrailerSize;
        const uLong crc = crc32(0L, m.decoded.data(), static_cast<uInt>(m.decoded.size()));
        EXPECT_EQ(le32(trailer), static_cast<std::uint32_t>(crc));
        EXPECT_EQ(le32(trailer + 4), m.decoded.size());
        EXPECT_GE(m.decoded.size(), kMinDecoded);
        EXPECT_LT(m.decoded.size(), kMaxDecoded);
    }
}

TEST_F(Container, IdenticalMembersFollowTheTable) {
    for (int member = 1; member <= kMembers; ++member)
        for (int a = 0; a < kSets; ++a)
            for (int b = a + 1; b < kSets; ++b) {
                const bool same = at(a, member).decoded == at(b, member).decoded;
                SCOPED_TRACE("member " + std::to_string(member) + ", sets " + std::to_string(a) +
                             " and " + std::to_string(b));
                if (contentSet(a, member) == contentSet(b, member)) {
                    EXPECT_TRUE(same);
                } else if (member == 2 || member == 4) {
                    EXPECT_FALSE(same) << "help files of unrelated sets must differ";
                }
            }
}

TEST_F(Container, SharedContentKeepsItsOwnResources) {
    // Set 16's contents file of the driver help is id 183.
    ASSERT_GE(members[183 - kFirstId].raw.size(), kHeaderSize);
    EXPECT_STREQ(reinterpret_cast<const char*>(members[183 - kFirstId].raw.data()) + 10,
                 "file0016.003");
    for (int member = 2; member <= kMembers; ++member) {
        SCOPED_TRACE(member);
        EXPECT_EQ(at(1, member).decoded, at(16, member).decoded);
        EXPECT_NE(at(1, member).raw, at(16, member).raw);
    }
}

TEST_F(Container, HelpFilesHaveAConsistentHeader) {
    for (int set = 0; set < kSets; ++set)
        for (int member : {2, 4}) {
            const std::vector<unsigned char>& d = at(set, member).decoded;
            SCOPED_TRACE(idOf(set, member));
            ASSERT_GE(d.size(), 16u);
            EXPECT_EQ(le32(d.data()), 0x00035F3Fu); // 3F 5F 03 00
            EXPECT_EQ(le32(d.data() + 12), d.size());
            EXPECT_LT(le32(d.data() + 4), d.size()) << "directory inside the file";
            const std::uint32_t firstFree = le32(d.data() + 8);
            EXPECT_TRUE(firstFree == 0xFFFFFFFFu || firstFree < d.size());
        }
}

TEST_F(Container, ContentsFilesNameTheirHelpFile) {
    for (int set = 0; set < kSets; ++set)
        for (int member : {3, 5}) {
            const std::vector<unsigned char>& d = at(set, member).decoded;
            SCOPED_TRACE(idOf(set, member));
            const std::string text(d.begin(), d.end());
            // Carried byte for byte: shared contents name the source set's file.
            const std::string base = std::string(":Base KWT5D") + (member == 3 ? "1" : "S") +
                                     kCodes[contentSet(set, member)] + ".hlp>Main\r\n";
            const std::size_t eol = text.find("\r\n");
            ASSERT_NE(eol, std::string::npos);
            EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, text.c_str(),
                                     static_cast<int>(eol + 2), base.c_str(),
                                     static_cast<int>(base.size())),
                      CSTR_EQUAL)
                << text.substr(0, eol);
            EXPECT_EQ(text.compare(eol + 2, 7, ":Title "), 0);
            // Every line ends in CRLF; entry lines start with a level 1-5.
            std::size_t line = text.find("\r\n", eol + 2) + 2;
            int entries = 0;
            for (std::size_t next; line < text.size(); line = next + 2, ++entries) {
                next = text.find("\r\n", line);
                ASSERT_NE(next, std::string::npos) << "last line without CRLF";
                const std::string entry = text.substr(line, next - line);
                ASSERT_GE(entry.size(), 3u);
                EXPECT_TRUE(entry[0] >= '1' && entry[0] <= '5' && entry[1] == ' ') << entry;
                EXPECT_EQ(entry.find('\n'), std::string::npos) << "bare LF";
            }
            EXPECT_GT(entries, 0);
        }
}

// Member 1 of each set is a resource-only i386 library in the set's language.
TEST_F(Container, LibrariesAreResourceOnlyInTheSetsLanguage) {
    char tempDir[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, tempDir), 0u);
    for (int set = 0; set < kSets; ++set) {
        const std::vector<unsigned char>& d = at(set, 1).decoded;
        SCOPED_TRACE(set);
        ASSERT_GE(d.size(), 0x200u);
        ASSERT_EQ(d[0], 'M');
        ASSERT_EQ(d[1], 'Z');
        const std::uint32_t pe = le32(d.data() + 0x3C);
        ASSERT_LT(pe + 24 + 96 + 8, d.size());
        EXPECT_EQ(le32(d.data() + pe), 0x00004550u); // "PE\0\0"
        const unsigned char* coff = d.data() + pe + 4;
        EXPECT_EQ(coff[0] | coff[1] << 8, IMAGE_FILE_MACHINE_I386);
        EXPECT_EQ(le32(coff + 4), 0u) << "no time stamp";
        EXPECT_NE((coff[18] | coff[19] << 8) & IMAGE_FILE_DLL, 0);
        const unsigned char* opt = coff + 20;
        EXPECT_EQ(opt[0] | opt[1] << 8, 0x10B); // PE32

        char path[MAX_PATH];
        ASSERT_NE(GetTempFileNameA(tempDir, "lpc", 0, path), 0u);
        HANDLE f = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        const BOOL ok = WriteFile(f, d.data(), static_cast<DWORD>(d.size()), &written, nullptr);
        CloseHandle(f);
        ASSERT_TRUE(ok && written == d.size());

        HMODULE lib = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        EXPECT_NE(lib, nullptr);
        if (lib != nullptr) {
            for (LPCSTR type :
                 {RT_CURSOR, RT_GROUP_CURSOR, RT_MENU, RT_DIALOG, RT_STRING, RT_VERSION}) {
                const std::vector<int> names = namesOf(lib, type);
                SCOPED_TRACE(reinterpret_cast<ULONG_PTR>(type));
                EXPECT_FALSE(names.empty());
                for (int name : names)
                    if (name > 0) {
                        EXPECT_EQ(languagesOf(lib, type, MAKEINTRESOURCEA(name)),
                                  std::vector<WORD>{kLibraryLanguage[set]});
                    }
            }
            FreeLibrary(lib);
        }
        DeleteFileA(path);
    }
}

// A host path as the test driver passes it, turned into one Wine resolves.
std::string windowsPath(const char* arg) {
    std::string path = arg;
    if (!path.empty() && path[0] == '/') {
        for (char& c : path)
            if (c == '/') c = '\\';
        path = "Z:" + path;
    }
    return path;
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PATH-TO-langpack.exe\n", argv[0]);
        return 2;
    }
    g_modulePath = windowsPath(argv[1]);
    return RUN_ALL_TESTS();
}
