// The target directory as the registry of a Wine prefix gives it: the value
// set, empty, missing, too long, of other types. Changes HKCU, so it runs
// under the "registry" lock.

#include "target_dir.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr char kKey[] = "SOFTWARE\\KAVEN\\ZeltDrv";
constexpr char kValue[] = "_ZELTDirectory";
constexpr char kFallback[] = "C:\\_zelt\\"; // Wine's system directory is C:\windows\system32

enum class Setup { NoKey, KeyWithoutValue, Value };

struct Case {
    const char* name;
    Setup setup;
    DWORD type;
    std::string data; // stored as given: no terminator is added here
    std::string expected;
};

std::string Sz(const std::string& text) {
    return text + '\0';
}

const Case kCases[] = {
    {"plain", Setup::Value, REG_SZ, Sz("D:\\Drivers"), "D:\\Drivers\\"},
    {"trailing_backslash", Setup::Value, REG_SZ, Sz("D:\\Drivers\\"), "D:\\Drivers\\\\"},
    {"relative", Setup::Value, REG_SZ, Sz("Drivers"), "Drivers\\"},
    {"empty", Setup::Value, REG_SZ, Sz(""), kFallback},
    {"missing_value", Setup::KeyWithoutValue, REG_SZ, "", kFallback},
    {"missing_key", Setup::NoKey, REG_SZ, "", kFallback},
    {"expand_sz_literal", Setup::Value, REG_EXPAND_SZ, Sz("%SystemRoot%\\Zelt"),
     "%SystemRoot%\\Zelt\\"},
    {"chars_258", Setup::Value, REG_SZ, Sz(std::string(258, 'd')), std::string(258, 'd') + "\\"},
    {"chars_259", Setup::Value, REG_SZ, Sz(std::string(259, 'd')), kFallback},
    {"chars_260", Setup::Value, REG_SZ, Sz(std::string(260, 'd')), kFallback},
    {"binary_260_no_terminator", Setup::Value, REG_BINARY, std::string(260, 'd'), kFallback},
    {"binary_to_first_zero", Setup::Value, REG_BINARY, std::string("D:\\b\0zz", 7), "D:\\b\\"},
    {"dword_bytes", Setup::Value, REG_DWORD, std::string("A\0\0\0", 4), "A\\"},
};

void DeleteKey() {
    RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
}

class Registry : public testing::TestWithParam<Case> {
  protected:
    void SetUp() override { DeleteKey(); }
    void TearDown() override { DeleteKey(); }
};

TEST_P(Registry, Prefix) {
    const Case& c = GetParam();
    if (c.setup != Setup::NoKey) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        if (c.setup == Setup::Value) {
            EXPECT_EQ(RegSetValueExA(key, kValue, 0, c.type,
                                     reinterpret_cast<const BYTE*>(c.data.data()),
                                     static_cast<DWORD>(c.data.size())),
                      ERROR_SUCCESS);
        } else {
            const BYTE other[] = "elsewhere";
            EXPECT_EQ(RegSetValueExA(key, "OtherValue", 0, REG_SZ, other, sizeof other),
                      ERROR_SUCCESS);
        }
        RegCloseKey(key);
    }
    char result[kTargetDirSize];
    ResolveTargetDirectory(result);
    EXPECT_EQ(std::string(result), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Values, Registry, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& param) {
                             return std::string(param.param.name);
                         });

} // namespace
