// The fast reader against the byte-at-a-time reader it replaced: on every
// input, each call must return the same status, the same four texts and
// leave the cursor at the same byte.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "codepage.h"
#include "entry_reader.h"
#include "reader_inputs.h"
#include "reference_reader.h"

namespace {
// Natively the page is picked; on Windows it is the system's, set by the
// runner's locale, and every page argument means that one.
void UsePage(uint32_t codePage) {
#ifdef _WIN32
    (void)codePage;
#else
    SetHostCodePage(codePage);
#endif
}

std::string Text(const TextBuffer& b) {
    return std::string(reinterpret_cast<const char*>(b.data), b.length) + "|" +
           std::to_string(b.data[b.length]);
}

// Returns the number of calls made; fails the test at the first difference.
int CompareWhole(const std::string& text, uint32_t codePage) {
    UsePage(codePage);
    DescriptionEntry* fast = CreateDescriptionEntry();
    DescriptionEntry* old = refreader::CreateDescriptionEntry();
    ReadCursor a = CursorOver(text);
    ReadCursor b = CursorOver(text);
    int calls = 0;
    for (;;) {
        ++calls;
        const int32_t sa = ReadNextEntry(fast, &a);
        const int32_t sb = refreader::ReadNextEntry(old, &b);
        EXPECT_EQ(sa, sb) << "call " << calls;
        EXPECT_EQ(a.position - a.viewBase, b.position - b.viewBase) << "call " << calls;
        EXPECT_EQ(a.remaining, b.remaining);
        EXPECT_EQ(Text(fast->keyword), Text(old->keyword)) << "call " << calls;
        EXPECT_EQ(Text(fast->qualifier1), Text(old->qualifier1)) << "call " << calls;
        EXPECT_EQ(Text(fast->qualifier2), Text(old->qualifier2)) << "call " << calls;
        EXPECT_EQ(Text(fast->value), Text(old->value)) << "call " << calls;
        EXPECT_EQ(fast->value.capacity, old->value.capacity) << "call " << calls;
        if (sa != sb || sa == READ_END || testing::Test::HasFailure()) break;
    }
    FreeDescriptionEntry(fast);
    refreader::FreeDescriptionEntry(old);
    UsePage(1252);
    return calls;
}

constexpr uint32_t kPages[] = {1252, 932, 936, 949, 950};

TEST(ReaderOracle, HandWrittenEdges) {
    const char* const cases[] = {
        "",
        "*",
        "*Key",
        "*Key:",
        "*Key: ",
        "*Key\n*Next: v\n",
        "*Key q1 q2: value\n",
        "*Key q1 q2 q3: value\n",
        "*Key: \"open\n quote never closes",
        "*Key: \"esc %\n\"\n",
        "*Key: \"esc %",
        "*Key: \"esc %\"\" tail\n",
        "*Key: (a (b) c)\n*K2: {x {y}}\r\n",
        "*Key: ())\n",
        "*Key: \"(\"\n",
        "*Key: {(})\n",
        "*Key: }\n",
        "*% comment\n*%no\r*Key: v",
        "no star\r\n\r\n*Key:\tv\t\n",
        "*Key: \x81\n rest\n",
        "*Key: \xE0",
        "*Key: \"\x81\"\" x\"\n",
        "*Key\x81: \x82\x0D\n",
        "*Key: plain run that ends at the very end",
        "*\n*:\n* Key: v\n",
    };
    for (const uint32_t page : kPages) {
        for (const char* c : cases) {
            SCOPED_TRACE(std::string("page ") + std::to_string(page) + " input " + c);
            CompareWhole(c, page);
        }
    }
}

TEST(ReaderOracle, LongValuesGrowTheSameWay) {
    // Values across the doubling points of the value buffer.
    for (const size_t n : {1023u, 1024u, 1025u, 2048u, 5000u, 70000u}) {
        SCOPED_TRACE(n);
        std::string quoted = "*Big: \"";
        quoted.append(n, 'x').append("\"\n*After: 1\n");
        CompareWhole(quoted, 1252);
        std::string open = "*Big: ";
        open.append(n, 'y');
        CompareWhole(open, 1252);
        std::string tokens = "*";
        tokens.append(n, 'k').append(" ").append(n, 'q').append(": v\n");
        CompareWhole(tokens, 1252);
    }
}

TEST(ReaderOracle, TenMegabyteUnclosedQuote) {
    // The benchmark's input: one value resized through every doubling to 16 MB.
    const std::string text = "*Unclosed: \"" + PlainLines((10u << 20) - 12);
    EXPECT_EQ(CompareWhole(text, 1252), 1);
}

TEST(ReaderOracle, RandomMutationsOfEntryText) {
    // Bytes the reader treats specially, mixed with text, at random.
    const std::string alphabet = "\"(){}%*:\r\n \t/ab01\x81\xE0\xA1\xFE\x7F";
    std::mt19937 random(20260612);
    const std::string base = PlainLines(4096);
    int calls = 0;
    for (int round = 0; round < 3000 && !HasFailure(); ++round) {
        std::string text = base.substr(0, random() % base.size());
        const auto edits = static_cast<unsigned>(random() % 40);
        for (unsigned e = 0; e < edits && !text.empty(); ++e)
            text[random() % text.size()] = alphabet[random() % alphabet.size()];
        calls += CompareWhole(text, kPages[random() % 5]);
    }
    EXPECT_GT(calls, 3000);
}

TEST(ReaderOracle, RealFilesWhenPresent) {
    const char* dir = std::getenv("ZELT_PPD_DIR");
    if (dir == nullptr || !std::filesystem::is_directory(dir)) GTEST_SKIP() << "no ZELT_PPD_DIR";
    for (const auto& item : std::filesystem::directory_iterator(dir)) {
        std::ifstream in(item.path(), std::ios::binary);
        const std::string text(std::istreambuf_iterator<char>(in), {});
        for (const uint32_t page : {1252u, 932u}) {
            SCOPED_TRACE(item.path().string());
            EXPECT_GT(CompareWhole(text, page), 100);
        }
    }
}
} // namespace
