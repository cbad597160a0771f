// The quote rule on value texts the reader may or may not deliver.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "quote_rule.h"

namespace {
struct QuoteCase {
    const char* value;
    const char* name;
};

constexpr QuoteCase kQuoteCases[] = {
    {"\"abc.dll\"", "abc.dll"},
    {"\"abc.dll", "abc.dll"},
    {"abc.dll\"", "abc.dll\""},
    {"\"abc.dll\"  ", "abc.dll\"  "},
    {"\"\"", "\""},
    {"\"", ""},
    {"", ""},
    {"a\"b\"", "a\"b\""},
    {"\"a\"b\"", "a\"b"},
    {" \"a\"", " \"a\""},
};

TEST(QuoteRule, EveryRowGivesItsName) {
    for (const QuoteCase& c : kQuoteCases) {
        char name[kLibraryNameSize];
        std::memset(name, 0x7E, sizeof(name));
        ASSERT_EQ(ApplyQuoteRule(c.value, name, sizeof(name)), 1) << c.value;
        EXPECT_STREQ(name, c.name) << c.value;
    }
}

TEST(QuoteRule, NameMustFitWithItsNul) {
    struct Fit {
        std::string value;
        int32_t result;
    };
    const Fit fits[] = {
        {std::string(259, 'n'), 1},
        {std::string(260, 'n'), 0},
        {"\"" + std::string(259, 'n') + "\"", 1}, // quotes do not count
        {"\"" + std::string(260, 'n') + "\"", 0},
        {"\"" + std::string(259, 'n'), 1},
    };
    for (const Fit& f : fits) {
        char buffer[kLibraryNameSize + 8];
        std::memset(buffer, 0xCC, sizeof(buffer));
        EXPECT_EQ(ApplyQuoteRule(f.value.c_str(), buffer, kLibraryNameSize), f.result);
        for (size_t i = kLibraryNameSize; i < sizeof(buffer); ++i)
            ASSERT_EQ(static_cast<uint8_t>(buffer[i]), 0xCC) << "guard byte " << i;
        if (f.result == 0) {
            for (size_t i = 0; i < kLibraryNameSize; ++i)
                ASSERT_EQ(static_cast<uint8_t>(buffer[i]), 0xCC) << "byte " << i << " written";
        } else {
            EXPECT_EQ(std::strlen(buffer), 259u);
        }
    }
}
} // namespace
