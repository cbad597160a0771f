// The command-line grammar over argument tails, and the tail itself formed
// from a whole command line. Runs natively (byte step) and under Wine
// (CharNextA, in code pages 1252 and 932).

#include "cmdline.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

constexpr int32_t kRejected = -1; // expected "index" of a rejected tail

struct TailCase {
    const char* tail;
    int32_t expected; // set index, or kRejected
};

// Parses a private copy, as the entry does; returns the index or kRejected.
int32_t Parse(const std::string& tail, CharStepFn step) {
    std::vector<char> copy(tail.begin(), tail.end());
    copy.push_back('\0');
    int32_t index = 12345;
    const int32_t ok = ParseLanguageSwitch(copy.data(), &index, step);
    if (ok != 1) {
        return kRejected;
    }
    return index;
}

const TailCase kGrammar[] = {
    {"", kRejected},
    {"L5", kRejected},
    {"/L5", 5},
    {"/l5", 5},
    {"/X5", kRejected},
    {"-L5", kRejected},
    {"/L0", 0},
    {"/L19", 19},
    {"/L20", kRejected},
    {"/L-1", kRejected},
    {"/L", kRejected},
    {"/L123", kRejected},
    {"/Lx", 0},
    {"/L+5", 5},
    {"/L 5", 5},
    {"/L\t5", 5},
    {"setup /L3", 3},
    {"abc/L3", 3},
    {"a/b /L3", kRejected},
    {"/L1 /L2", 2},
    {"/L1 /X2", kRejected},
    {"/L1 /", kRejected},
    {"/L1/L2", kRejected},
    {"/L12/L3", 3},
    {"/L1  /L2", 2},
    {"/L1   /L2", kRejected},
    {"/L5 ", 5},
    {"/L15 ", kRejected},
    {"\"/L5\"", 5},
    {"\"/L15\"", kRejected},
    {"/L1 x /L2", kRejected},
    {"/L1x /L2", 2},
    {"/L7 /L20", kRejected}, // a later invalid token spoils an earlier good one
    {"/L19 /L0", 0},
    {"/", kRejected},
    {"//L1", kRejected},
    {"/L/L2", kRejected},
    {"/L-0", 0},
};

class Grammar : public testing::TestWithParam<TailCase> {};

TEST_P(Grammar, ByteStep) {
    EXPECT_EQ(Parse(GetParam().tail, ByteStep), GetParam().expected)
        << "tail [" << GetParam().tail << "]";
}

#ifdef _WIN32
char* AnsiStep(const char* position) {
    return CharNextA(position);
}

// ASCII tails read the same in every code page.
TEST_P(Grammar, CharNextA) {
    EXPECT_EQ(Parse(GetParam().tail, AnsiStep), GetParam().expected)
        << "tail [" << GetParam().tail << "]";
}
#endif

INSTANTIATE_TEST_SUITE_P(Tails, Grammar, testing::ValuesIn(kGrammar));

TEST(ParseLanguageSwitch, CutsOnlyTheWorkingCopy) {
    char text[] = "/L12/L3";
    int32_t index = -1;
    ASSERT_EQ(ParseLanguageSwitch(text, &index, ByteStep), 1);
    EXPECT_EQ(index, 3);
    // The terminator fell on the "2" of the first token.
    EXPECT_EQ(std::memcmp(text, "/L1\0/L3", 8), 0);
}

struct TokenCase {
    const char* text;
    const char* delimiters;
    int offset; // of the result from text, or -1 for none
};

const TokenCase kTokens[] = {
    {"", "/", -1},      {"abc", "/", -1},   {"/", "/", 1},      {"a/b", "/", 2},
    {"ab/c/d", "/", 3}, {"x-y/z", "-/", 2}, {"x-y/z", "/-", 2}, {"x-y/z", "", -1},
};

TEST(NextToken, FindsTheFirstDelimiter) {
    for (const TokenCase& c : kTokens) {
        std::string text = c.text;
        char* result = NextToken(text.data(), c.delimiters, ByteStep);
        if (c.offset < 0) {
            EXPECT_EQ(result, nullptr) << c.text;
        } else {
            EXPECT_EQ(result, text.data() + c.offset) << c.text;
        }
    }
    EXPECT_EQ(NextToken(nullptr, "/", ByteStep), nullptr);
}

int stepsLeft = 0;

char* StepThenFail(const char* position) {
    return --stepsLeft < 0 ? nullptr : const_cast<char*>(position + 1);
}

TEST(NextToken, EndsWhenTheStepYieldsNull) {
    char text[] = "abcdef/x";
    stepsLeft = 2;
    EXPECT_EQ(NextToken(text, "/", StepThenFail), nullptr);
    stepsLeft = 100;
    EXPECT_EQ(NextToken(text, "/", StepThenFail), text + 7);
}

struct CommandLineCase {
    const char* commandLine;
    const char* tail;
};

const CommandLineCase kCommandLines[] = {
    {"\"C:\\dir\\langpack.exe\"/L8", "/L8"},
    {"\"C:\\my dir\\langpack.exe\" /L1", "/L1"},
    {"\"C:\\my dir\\langpack.exe\"   \t/L1", "/L1"},
    {"C:\\dir\\langpack.exe /L1", "/L1"},
    {"langpack.exe\t \x01/L2", "/L2"},
    {"langpack.exe", ""},
    {"langpack.exe   ", ""},
    {"\"C:\\dir\\langpack.exe", ""},
    {"\"C:\\dir\\lang pack.exe /L1", ""},
    {"\"\" /L3", "/L3"},
    {"\"C:\\x.exe\"abc def", "abc def"},
    {"C:\\a\"b c\"\\x.exe /L1", "c\"\\x.exe /L1"},
    {"C:\\\x95\x5C\\langpack.exe /L1", "/L1"},
    {"C:\\\x83\x4C\xE9.exe \xE9/L4", "\xE9/L4"},
    {"langpack.exe /L1  ", "/L1  "},
    {"a.exe  \"/L5\"", "\"/L5\""},
    {"langpack.exe/L8", ""},
};

TEST(ArgumentTail, SkipsTheProgramNameAndTheBlanksAfterIt) {
    for (const CommandLineCase& c : kCommandLines) {
        EXPECT_STREQ(ArgumentTail(c.commandLine), c.tail)
            << "command line [" << c.commandLine << "]";
    }
}

#ifdef _WIN32
// Under code page 932 a double-byte character is one step: its trail byte is
// never compared with the delimiter. Trail bytes of valid pairs lie in
// 0x40-0x7E and 0x80-0xFC, so only an invalid pair (lead 0x81, then "/") can
// put a "/" there; it is tested here in-process, as no command line carries
// it unchanged. The valid pairs use the trail bytes "L" (83 4C) and "\" (95 5C).
struct DoubleByteCase {
    const char* tail;
    int32_t withCharNext;
    int32_t withByteStep;
};

const DoubleByteCase kDoubleByte[] = {
    {"\x81/L5", kRejected, 5},   {"/L1 \x81/L2", kRejected, 2},
    {"\x83\x4C/L3", 3, 3},       {"\x95\x5C/L7", 7, 7},
    {"/L\x83\x4C", 0, 0},        {"/L1\x83\x4C", kRejected, kRejected},
    {"/L\x83\x4C/L2", 2, 2},     {"/L5\x83", 5, 5},
    {"/L\x83\x4C /L12", 12, 12},
};

bool ExpectCodePage932() {
    const char* expected = std::getenv("ZELT_EXPECT_ACP");
    return expected != nullptr && std::strcmp(expected, "932") == 0;
}

TEST(DoubleByte, TrailBytesOpenNoToken) {
    if (!ExpectCodePage932()) {
        GTEST_SKIP() << "registered with LC_ALL=ja_JP.UTF-8 as cmdline_tests_cp932";
    }
    ASSERT_EQ(GetACP(), 932u);
    ASSERT_TRUE(IsDBCSLeadByteEx(CP_ACP, 0x81));
    for (const DoubleByteCase& c : kDoubleByte) {
        EXPECT_EQ(Parse(c.tail, AnsiStep), c.withCharNext) << "tail [" << c.tail << "]";
        EXPECT_EQ(Parse(c.tail, ByteStep), c.withByteStep) << "tail [" << c.tail << "]";
    }
    char text[] = "\x81/";
    EXPECT_EQ(NextToken(text, "/", AnsiStep), nullptr);
}
#endif

} // namespace

namespace {

// The rule that refused a line, as the trace gives it.
TEST(ParseLanguageSwitch, SaysWhyALineIsRefused) {
    struct WhyCase {
        const char* tail;
        const char* why;
    };
    const WhyCase cases[] = {
        {"", "no switch: no \"/\" in the line"},
        {"L5", "no switch: no \"/\" in the line"},
        {"/X5", "a switch that does not start with L"},
        {"/L123", "a switch that is not L and one or two characters"},
        {"/L1 /", "a switch that does not start with L"},
        {"/L", "a switch that is not L and one or two characters"},
        {"/L20", "a set number outside 0 to 19"},
    };
    for (const WhyCase& c : cases) {
        SCOPED_TRACE(c.tail);
        std::string copy = c.tail;
        int32_t index = 0;
        const char* why = nullptr;
        EXPECT_EQ(ParseLanguageSwitch(copy.data(), &index, ByteStep, &why), 0);
        ASSERT_NE(why, nullptr);
        EXPECT_STREQ(why, c.why);
    }
}

} // namespace
