// payloadrc run as the build runs it, judged by its exit code and its files.
//
//   payloadrc_tests PATH-TO-payloadrc SCRATCH-DIR

#include <zlib.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string g_payloadrc;
fs::path g_scratch;

using Bytes = std::vector<unsigned char>;

std::string memberName(int set, int member) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "file%04d.%03d", set, member);
    return buf;
}

Bytes readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeAll(const fs::path& p, const Bytes& b) {
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// Inputs of very different shapes: one byte, text, incompressible, long runs.
Bytes sampleInput(int index) {
    Bytes b;
    unsigned state = 2166136261u ^ static_cast<unsigned>(index);
    switch (index % 4) {
    case 0:
        b.assign(1 + index, static_cast<unsigned char>('a' + index % 26));
        break;
    case 1:
        for (int i = 0; i < 300 + index * 7; ++i)
            b.push_back(static_cast<unsigned char>("help text\r\n"[i % 11]));
        break;
    case 2:
        for (int i = 0; i < 70000 + index; ++i) {
            state = state * 1664525u + 1013904223u;
            b.push_back(static_cast<unsigned char>(state >> 24));
        }
        break;
    default:
        b.assign(200000, 0);
        b.back() = static_cast<unsigned char>(index);
        break;
    }
    return b;
}

int runPacker(const std::string& args) {
    const std::string cmd = "\"" + g_payloadrc + "\" " + args + " 2>/dev/null";
    return std::system(cmd.c_str());
}

// zlib's own gzip decoder checks CRC-32 and ISIZE; it must also end exactly
// at the end of the member.
bool gunzipWhole(const Bytes& member, Bytes& out) {
    z_stream strm{};
    if (inflateInit2(&strm, 16 + 15) != Z_OK) return false;
    out.assign(1 << 20, 0);
    strm.next_in = const_cast<Bytef*>(member.data());
    strm.avail_in = static_cast<uInt>(member.size());
    strm.next_out = out.data();
    strm.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&strm, Z_FINISH);
    const bool whole = rc == Z_STREAM_END && strm.avail_in == 0;
    out.resize(strm.total_out);
    inflateEnd(&strm);
    return whole;
}

class Packer : public ::testing::Test {
  protected:
    fs::path in = g_scratch / "in";
    fs::path out = g_scratch / "out";

    void SetUp() override {
        fs::remove_all(g_scratch);
        fs::create_directories(in);
        fs::create_directories(out);
        for (int i = 0; i < 100; ++i)
            writeAll(in / memberName(i / 5, i % 5 + 1), sampleInput(i));
    }
};

TEST_F(Packer, MembersDecodeToTheirInputs) {
    ASSERT_EQ(runPacker("--out " + out.string() + " --dir " + in.string()), 0);
    for (int i = 0; i < 100; ++i) {
        const std::string name = memberName(i / 5, i % 5 + 1);
        SCOPED_TRACE(name);
        const Bytes member = readAll(out / (name + ".gz"));
        ASSERT_GE(member.size(), 31u);
        EXPECT_EQ(member[3], 0x08);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(member.data()) + 10), name);
        Bytes decoded;
        EXPECT_TRUE(gunzipWhole(member, decoded));
        EXPECT_EQ(decoded, sampleInput(i));
    }
}

TEST_F(Packer, ScriptNamesEveryMemberInOrder) {
    ASSERT_EQ(runPacker("--out " + out.string() + " --dir " + in.string()), 0);
    const Bytes rc = readAll(out / "payload.rc");
    const std::string text(rc.begin(), rc.end());
    EXPECT_NE(text.find("LANGUAGE 0x11, 0x01\n"), std::string::npos);
    std::size_t at = 0;
    for (int i = 0; i < 100; ++i) {
        const std::string line =
            std::to_string(101 + i) + " DEVFILE \"" + memberName(i / 5, i % 5 + 1) + ".gz\"\n";
        const std::size_t found = text.find(line, at);
        ASSERT_NE(found, std::string::npos) << line;
        at = found + line.size();
    }
}

TEST_F(Packer, TimeComesFromSourceDateEpoch) {
    ASSERT_EQ(runPacker("--out " + out.string() + " --dir " + in.string()), 0);
    const Bytes fixed = readAll(out / "file0003.002.gz");
    ASSERT_EQ(runPacker("--out " + out.string() + " --dir " + in.string()), 0);
    EXPECT_EQ(readAll(out / "file0003.002.gz"), fixed) << "same bytes on every run";

    ASSERT_EQ(setenv("SOURCE_DATE_EPOCH", "1234567890", 1), 0);
    const int rc = runPacker("--out " + out.string() + " --dir " + in.string());
    unsetenv("SOURCE_DATE_EPOCH");
    ASSERT_EQ(rc, 0);
    const Bytes stamped = readAll(out / "file0003.002.gz");
    ASSERT_GE(stamped.size(), 8u);
    EXPECT_EQ(stamped[4] | stamped[5] << 8 | stamped[6] << 16 | stamped[7] << 24, 1234567890);
}

struct BadInput {
    const char* what;
    void (*damage)(const fs::path& in, const fs::path& list);
    bool useList;
};

const BadInput kBadInputs[] = {
    {"empty file", [](const fs::path& in, const fs::path&) { writeAll(in / "file0007.003", {}); },
     false},
    {"missing file", [](const fs::path& in, const fs::path&) { fs::remove(in / "file0019.005"); },
     false},
    {"list of 99",
     [](const fs::path& in, const fs::path& list) {
         std::ofstream l(list);
         for (int i = 0; i < 99; ++i)
             l << (in / memberName(i / 5, i % 5 + 1)).string() << "\n";
     },
     true},
};

TEST_F(Packer, RefusesBadInputs) {
    for (const BadInput& bad : kBadInputs) {
        SCOPED_TRACE(bad.what);
        SetUp();
        const fs::path list = g_scratch / "list.txt";
        bad.damage(in, list);
        const std::string source = bad.useList ? "--list " + list.string() : "--dir " + in.string();
        EXPECT_NE(runPacker("--out " + out.string() + " " + source), 0);
        EXPECT_FALSE(fs::exists(out / "payload.rc"));
    }
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PATH-TO-payloadrc SCRATCH-DIR\n", argv[0]);
        return 2;
    }
    g_payloadrc = argv[1];
    g_scratch = argv[2];
    return RUN_ALL_TESTS();
}
