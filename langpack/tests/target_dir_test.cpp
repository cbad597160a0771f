// The choice of target directory against a scripted platform: every answer
// the registry and the system-directory query can give, and the guard that
// nothing lands past the 260-byte result.

#include "target_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ostream>
#include <string>

namespace {

// What the scripted platform answers.
struct Script {
    int32_t nt = 1;
    int32_t valueStatus = TARGET_VALUE_ABSENT;
    std::string value;         // bytes copied into the value buffer (may lack a NUL)
    std::string systemDir;     // bytes copied into the system-directory buffer
    int64_t systemResult = -1; // -1: the length of systemDir
    int systemCalls = 0;
    int valueCalls = 0;
};

Script script;

int32_t ScriptNt() {
    return script.nt;
}

int32_t ScriptValue(uint8_t* value, uint32_t size) {
    ++script.valueCalls;
    EXPECT_EQ(size, kTargetDirSize);
    EXPECT_TRUE(std::all_of(value, value + size, [](uint8_t b) { return b == 0; }));
    std::memcpy(value, script.value.data(), std::min<size_t>(size, script.value.size()));
    return script.valueStatus;
}

uint32_t ScriptSystemDirectory(char* buffer, uint32_t size) {
    ++script.systemCalls;
    EXPECT_EQ(size, kTargetDirSize);
    std::memcpy(buffer, script.systemDir.data(), std::min<size_t>(size, script.systemDir.size()));
    return script.systemResult >= 0 ? static_cast<uint32_t>(script.systemResult)
                                    : static_cast<uint32_t>(script.systemDir.size());
}

constexpr TargetDirPlatform kScripted = {ScriptNt, ScriptValue, ScriptSystemDirectory};

struct Case {
    const char* name;
    Script platform;
    std::string expected;
};

// gtest would otherwise dump the record's bytes, padding included.
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

const std::string k258(258, 'd');
const std::string k259(259, 'd');
const std::string k260(260, 'd');
const std::string kSys = std::string("C:\\WINNT\\system32") + '\0';

Script Value(std::string value, std::string systemDir = kSys) {
    Script s;
    s.valueStatus = TARGET_VALUE_READ;
    s.value = std::move(value);
    s.systemDir = std::move(systemDir);
    return s;
}

Script Absent(std::string systemDir = kSys, int64_t systemResult = -1) {
    Script s;
    s.systemDir = std::move(systemDir);
    s.systemResult = systemResult;
    return s;
}

Script NotNt() {
    Script s = Value("D:\\Drivers");
    s.nt = 0;
    return s;
}

Script AbsentWithJunk() {
    Script s = Absent();
    s.value = "X:\\partial";
    return s;
}

const Case kCases[] = {
    {"plain", Value("D:\\Drivers"), "D:\\Drivers\\"},
    {"trailing backslash doubled", Value("D:\\Drivers\\"), "D:\\Drivers\\\\"},
    {"relative", Value("Drivers"), "Drivers\\"},
    {"bytes up to the first zero", Value(std::string("D:\\a\0junk", 9)), "D:\\a\\"},
    {"258 characters fit", Value(k258), k258 + "\\"},
    {"259 characters refused", Value(k259), "C:\\_zelt\\"},
    {"260 bytes without terminator refused", Value(k260), "C:\\_zelt\\"},
    {"259 characters, no system directory", Value(k259, ""), ""},
    {"empty value", Value(""), "C:\\_zelt\\"},
    {"empty value, no system directory", Value("", ""), ""},
    {"value absent", Absent(), "C:\\_zelt\\"},
    {"failed read leaves bytes behind", AbsentWithJunk(), "C:\\_zelt\\"},
    {"other drive", Absent(std::string("E:\\Windows\\System32") + '\0'), "E:\\_zelt\\"},
    {"bare drive root", Absent(std::string("F:\\") + '\0'), "F:\\_zelt\\"},
    {"system directory fails", Absent("", 0), ""},
    {"system directory too long", Absent(std::string(260, 's'), 300), ""},
    {"system directory needs exactly 260", Absent(std::string(260, 's'), 260), ""},
    {"system directory shorter than a root", Absent(std::string("C:") + '\0'), ""},
    {"length claims more than the text", Absent(std::string("C:") + '\0', 12), ""},
    {"not the NT family", NotNt(), ""},
};

class Resolve : public testing::TestWithParam<Case> {};

TEST_P(Resolve, Prefix) {
    script = GetParam().platform;
    char result[300];
    std::memset(result, 0x5A, sizeof result);
    ResolveTargetDirectoryOn(result, kScripted);
    EXPECT_EQ(std::string(result, strnlen(result, kTargetDirSize)), GetParam().expected);
    EXPECT_LT(strnlen(result, kTargetDirSize), kTargetDirSize) << "no terminator";
    EXPECT_TRUE(std::all_of(result + kTargetDirSize, result + sizeof result, [](char c) {
        return c == 0x5A;
    })) << "written past 260 bytes";
}

INSTANTIATE_TEST_SUITE_P(
    Answers, Resolve, testing::ValuesIn(kCases), [](const testing::TestParamInfo<Case>& param) {
        std::string name = param.param.name;
        std::replace_if(
            name.begin(), name.end(),
            [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
        return name;
    });

TEST(Resolve, OutsideNtNeitherRegistryNorSystemDirectoryIsAsked) {
    script = NotNt();
    char result[kTargetDirSize];
    ResolveTargetDirectoryOn(result, kScripted);
    EXPECT_EQ(script.valueCalls, 0);
    EXPECT_EQ(script.systemCalls, 0);
}

TEST(Resolve, AUsableValueLeavesTheSystemDirectoryAlone) {
    script = Value("D:\\Drivers");
    char result[kTargetDirSize];
    ResolveTargetDirectoryOn(result, kScripted);
    EXPECT_EQ(script.valueCalls, 1);
    EXPECT_EQ(script.systemCalls, 0);
}

} // namespace

namespace {

// Where the prefix came from and why the value was passed over, for the
// trace: each kind of answer once.
TEST(Resolve, Origin) {
    struct OriginCase {
        const char* name;
        Script platform;
        TargetSource source;
        ValuePassedOver passedOver;
    };
    Script noKey = Absent();
    noKey.valueStatus = TARGET_KEY_ABSENT;
    Script tooLarge = Absent();
    tooLarge.valueStatus = TARGET_VALUE_TOO_LARGE;
    const OriginCase cases[] = {
        {"value used", Value("D:\\Drivers"), TargetSource::kRegistry, ValuePassedOver::kNo},
        {"no key", noKey, TargetSource::kSystemDrive, ValuePassedOver::kNoKey},
        {"no value", Absent(), TargetSource::kSystemDrive, ValuePassedOver::kNoValue},
        {"too large", tooLarge, TargetSource::kSystemDrive, ValuePassedOver::kTooLarge},
        {"empty", Value(""), TargetSource::kSystemDrive, ValuePassedOver::kEmpty},
        {"259 characters", Value(k259), TargetSource::kSystemDrive, ValuePassedOver::kTooLong},
        {"empty, no system directory", Value("", ""), TargetSource::kCurrentDirectory,
         ValuePassedOver::kEmpty},
        {"not NT", NotNt(), TargetSource::kCurrentDirectory, ValuePassedOver::kNotNtFamily},
    };
    for (const OriginCase& c : cases) {
        SCOPED_TRACE(c.name);
        script = c.platform;
        char result[kTargetDirSize];
        TargetDirOrigin origin = {TargetSource::kCurrentDirectory, ValuePassedOver::kNo};
        ResolveTargetDirectoryOn(result, kScripted, &origin);
        EXPECT_EQ(origin.source, c.source);
        EXPECT_EQ(origin.passedOver, c.passedOver);
    }
}

} // namespace
