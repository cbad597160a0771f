#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "alloc_hooks.h"
#include "codepage.h"
#include "entry_reader.h"
#include "reader_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {
using namespace std::string_literals;

struct Expect {
    int32_t status;
    std::string keyword, qualifier1, qualifier2, value;
};

struct Case {
    const char* name;
    std::string input;
    std::vector<Expect> calls; // every call after these must return 1
};

uint32_t ActivePage() {
#ifdef _WIN32
    return GetACP();
#else
    return CurrentCodePage();
#endif
}

void SetPage1252() {
#ifndef _WIN32
    SetHostCodePage(1252);
#endif
}

std::string Text(const TextBuffer& b) {
    return std::string(reinterpret_cast<const char*>(b.data), b.length);
}

void ExpectTexts(const DescriptionEntry& e, const Expect& x) {
    EXPECT_EQ(Text(e.keyword), x.keyword);
    EXPECT_EQ(Text(e.qualifier1), x.qualifier1);
    EXPECT_EQ(Text(e.qualifier2), x.qualifier2);
    EXPECT_EQ(Text(e.value), x.value);
    for (const TextBuffer* b : {&e.keyword, &e.qualifier1, &e.qualifier2, &e.value}) {
        EXPECT_EQ(b->data[b->length], 0) << "text not ended with NUL";
    }
}

void RunCase(const Case& c) {
    SCOPED_TRACE(c.name);
    ReadCursor cursor = MemoryCursor(c.input);
    DescriptionEntry* entry = CreateDescriptionEntry();
    ASSERT_NE(entry, nullptr);
    for (size_t i = 0; i < c.calls.size(); ++i) {
        SCOPED_TRACE("call " + std::to_string(i + 1));
        EXPECT_EQ(ReadNextEntry(entry, &cursor), c.calls[i].status);
        ExpectTexts(*entry, c.calls[i]);
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(ReadNextEntry(entry, &cursor), READ_END);
    EXPECT_EQ(cursor.remaining, 0u);
    FreeDescriptionEntry(entry);
}

const std::vector<Case> kLines = {
    {"comment then entry", "*% note\n*Key: v\n", {{0, "Key", "", "", "v"}}},
    {"lines not starting with *", " *Key: v\n#*A: 1\nabc *K: 1\n:x\n\t*B: 2\n", {}},
    {"keyword only, CR LF", "*Key\r\n*B: 2\n", {{0, "Key", "", "", ""}, {0, "B", "", "", "2"}}},
    {"blanks then line end", "*Key  \r\n*B: 2\n", {{3, "Key", "", "", ""}, {0, "B", "", "", "2"}}},
    {"empty values", "*Key:\r\n*K:   \n", {{0, "Key", "", "", ""}, {0, "K", "", "", ""}}},
    {"blank before colon, tabs",
     "*Key :v\n*Key\t\tQ1\t:\t\"v\"\n",
     {{0, "Key", "", "", "v"}, {0, "Key", "Q1", "", "\"v\""}}},
    {"trailing blanks kept", "*Key: value  \r\n", {{0, "Key", "", "", "value  "}}},
    {"two qualifiers, then a third word",
     "*K Q1 Q2 :v\n*K Q1 Q2 Q3: v\n*N: 1\n",
     {{0, "K", "Q1", "Q2", "v"}, {3, "K", "Q1", "Q2", ""}, {0, "N", "", "", "1"}}},
    {"no colon after second qualifier",
     "*K Q1 Q2 x\n*N: 1\n",
     {{3, "K", "Q1", "Q2", ""}, {0, "N", "", "", "1"}}},
    {"qualifier then line end", "*A Q\n*B: 1\n", {{3, "A", "Q", "", ""}, {0, "B", "", "", "1"}}},
    {"quotes mean nothing before colon", "*Key \"a b\": v\n", {{0, "Key", "\"a", "b\"", "v"}}},
    {"quote after colon spans lines",
     "*Key \"a:b\"\n*Z: 1\"\n",
     {{0, "Key", "\"a", "", "b\"\n*Z: 1\""}}},
    {"star then blank", "* *Key: v\n", {{3, "", "", "", ""}, {0, "Key", "", "", "v"}}},
    {"star alone", "*\n*J: 1\n", {{3, "", "", "", ""}, {0, "J", "", "", "1"}}},
    {"star blank word", "* Key: v\n", {{3, "", "", "", ""}}},
    {"two stars", "**Key: v\n", {{0, "*Key", "", "", "v"}}},
    {"star then colon", "*: v\n*J: 1\n", {{3, "", "", "", ""}, {0, "J", "", "", "1"}}},
    {"mixed line ends",
     "*A: 1\r*B: 2\n*C: 3\r\n\r\n\n*D: 4\r",
     {{0, "A", "", "", "1"}, {0, "B", "", "", "2"}, {0, "C", "", "", "3"}, {0, "D", "", "", "4"}}},
    {"last entry without line end", "*A: 1\n*B: 2", {{0, "A", "", "", "1"}, {1, "B", "", "", "2"}}},
    {"keyword only at end of data", "*Key", {{1, "Key", "", "", ""}}},
    {"end of data after colon", "*Key:", {{1, "Key", "", "", ""}}},
    {"empty cursor", "", {}},
    {"nul byte in value", "*A: x\0y\n"s, {{0, "A", "", "", "x\0y"s}}},
};

const std::vector<Case> kValues = {
    {"parentheses over lines", "*Key: (a\nb)\n", {{0, "Key", "", "", "(a\nb)"}}},
    {"braces over lines",
     "*F: X {\n*Name: \"n\"\n}\n*G: 1\n",
     {{0, "F", "", "", "X {\n*Name: \"n\"\n}"}, {0, "G", "", "", "1"}}},
    {"parens in braces; brace in parens",
     "*K: {(a)}\n*K: ({a})\n*J: 1\n",
     {{0, "K", "", "", "{(a)}"}, {3, "K", "", "", "({"}, {0, "J", "", "", "1"}}},
    {"brace in quotes", "*K: \"{\"\n*J: 1\n", {{3, "K", "", "", "\"{"}, {0, "J", "", "", "1"}}},
    {"paren in quotes", "*K: \"x(y)\"\n*J: 1\n", {{3, "K", "", "", "\"x("}, {0, "J", "", "", "1"}}},
    {"unbalanced ) resumes mid-line",
     "*A: x)*B: y\n",
     {{3, "A", "", "", "x)"}, {0, "B", "", "", "y"}}},
    {"unbalanced }", "*A: }x\n*B: 1\n", {{3, "A", "", "", "}"}, {0, "B", "", "", "1"}}},
    {") inside braces", "*A: {)}\n*B: 1\n", {{3, "A", "", "", "{)"}, {0, "B", "", "", "1"}}},
    {"} inside parens", "*A: (}\n*B: 1\n", {{3, "A", "", "", "(}"}, {0, "B", "", "", "1"}}},
    {"quote inside parens", "*A: (\"x\")\n", {{0, "A", "", "", "(\"x\")"}}},
    {"percent quotes a quote", "*A: \"a%\"b\" c\n", {{0, "A", "", "", "\"a%\"b\" c"}}},
    {"percent quotes a bracket", "*A: \"%(%{\"\n", {{0, "A", "", "", "\"%(%{\""}}},
    {"percent before line end in quotes",
     "*A: \"a%\n*J: 1\n",
     {{3, "A", "", "", "\"a%"}, {0, "J", "", "", "1"}}},
    {"percent outside quotes",
     "*A: 5%\n*B: %)\n",
     {{0, "A", "", "", "5%"}, {3, "B", "", "", "%)"}}},
    {"unclosed quote", "*A: \"open\n", {{1, "A", "", "", "\"open\n"}}},
    {"unclosed brace", "*A: {x\n\n", {{1, "A", "", "", "{x\n\n"}}},
};

TEST(ReadNextEntry, Lines) {
    SetPage1252();
    for (const Case& c : kLines)
        RunCase(c);
}

TEST(ReadNextEntry, Values) {
    SetPage1252();
    for (const Case& c : kValues)
        RunCase(c);
}

const Case kDbcs932[] = {
    {"trail byte is no brace",
     "*A: \x81{\n*B: 1\n}\n",
     {{0, "A", "", "", "\x81{"}, {0, "B", "", "", "1"}}},
    {"lead byte then LF", "*A: \x81\nb\n", {{0, "A", "", "", "\x81\nb"}}},
};
const Case kDbcs1252[] = {
    {"0x7B opens a brace", "*A: \x81{\n*B: 1\n}\n", {{0, "A", "", "", "\x81{\n*B: 1\n}"}}},
    {"0x81 is ordinary", "*A: \x81\nb\n", {{0, "A", "", "", "\x81"}}},
};

void RunDbcs() {
    const uint32_t page = ActivePage();
    ASSERT_TRUE(page == 932 || page == 1252) << page;
    for (const Case& c : page == 932 ? kDbcs932 : kDbcs1252)
        RunCase(c);
}

#ifdef _WIN32
TEST(ReadNextEntry, CodePageOfProcess) {
    RunDbcs();
}
#else
TEST(ReadNextEntry, CodePages) {
    for (uint32_t page : {932u, 1252u}) {
        SetHostCodePage(page);
        RunDbcs();
    }
    SetHostCodePage(1252);
}
#endif

TEST(ReadNextEntry, Growth) {
    SetPage1252();
    const struct {
        uint32_t length;
        uint32_t capacity;
    } rows[] = {{1024, 1024}, {1025, 2048}, {2049, 4096}, {5000, 8192}};
    for (const auto& row : rows) {
        const std::string value(row.length, 'v');
        const std::string input = "*" + value + " " + value + ": " + value + "\n";
        RunCase({"long parts", input, {{0, value, value, "", value}}});
        ReadCursor cursor = MemoryCursor(input);
        DescriptionEntry* entry = CreateDescriptionEntry();
        ASSERT_NE(entry, nullptr);
        ASSERT_EQ(ReadNextEntry(entry, &cursor), READ_OK);
        EXPECT_EQ(entry->value.capacity, row.capacity);
        EXPECT_EQ(entry->keyword.capacity, row.capacity);
        EXPECT_EQ(entry->qualifier2.capacity, 1024u);
        FreeDescriptionEntry(entry);
    }
}

TEST(ReadNextEntry, LongUnclosedQuote) {
    const std::string input = "*A: \"" + std::string(8u << 20, 'x');
    ReadCursor cursor = MemoryCursor(input);
    DescriptionEntry* entry = CreateDescriptionEntry();
    ASSERT_NE(entry, nullptr);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadNextEntry(entry, &cursor), READ_END);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    std::printf("8 MB unclosed quote: %lld ms\n", static_cast<long long>(ms.count()));
    EXPECT_EQ(entry->value.length, input.size() - 4);
    EXPECT_EQ(entry->value.capacity, 16u << 20);
    FreeDescriptionEntry(entry);
}

// Fail the k-th allocation for every k until a run needs fewer than k.
TEST(ReadNextEntry, OutOfMemory) {
    SetPage1252();
    const std::string big(3000, 'b');
    const std::string input = "*% c\n*A Q: 1\n*" + big + ": " + big + "\n*C: 3\n";
    for (uint32_t k = 1;; ++k) {
        SCOPED_TRACE("k " + std::to_string(k));
        AllocHookFailAt(k);
        ReadCursor cursor = MemoryCursor(input);
        DescriptionEntry* entry = CreateDescriptionEntry();
        if (entry == nullptr) {
            EXPECT_EQ(AllocHookOutstanding(), 0);
            continue;
        }
        int32_t status = READ_OK;
        int entries = 0;
        while ((status = ReadNextEntry(entry, &cursor)) == READ_OK)
            ++entries;
        if (status == READ_NO_MEMORY) {
            for (const TextBuffer* b : {&entry->keyword, &entry->value}) {
                EXPECT_EQ(b->data[b->length], 0);
                EXPECT_EQ(Text(*b), big.substr(0, b->length));
            }
            EXPECT_GE(entry->keyword.length + entry->value.length, 1024u);
        } else {
            EXPECT_EQ(status, READ_END);
            EXPECT_EQ(entries, 3);
        }
        FreeDescriptionEntry(entry);
        EXPECT_EQ(AllocHookOutstanding(), 0);
        if (AllocHookCalls() < k) break;
    }
    AllocHookFailAt(0);
}
} // namespace
