// The bridge's trace line: its form per failure, and that no printer name,
// path or buffer size can make it run past its buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "failure.h"

namespace {
std::string Line(const char* exportName, const char* printer, const Failure& f,
                 uint32_t size = 640) {
    std::string buffer(size + 8, '#');
    const uint32_t n = FormatFailure(buffer.data(), size, exportName, printer, f);
    EXPECT_LT(n, size);
    EXPECT_EQ(buffer[n], '\0');
    for (size_t i = size; i < buffer.size(); ++i)
        EXPECT_EQ(buffer[i], '#') << "written past the buffer at " << i;
    return std::string(buffer.c_str());
}

TEST(FailureLine, OneFormPerStep) {
    Failure f;
    SetFailure(&f, FailStep::kLoadLibrary, 126, "zeltexc.dll");
    EXPECT_EQ(Line("GetExclusive", "P 1", f),
              "drvbridge: GetExclusive(\"P 1\"): load library zeltexc.dll failed, error 126");
    SetFailure(&f, FailStep::kEntryPoints, 127, "x.dll");
    AddMissingName(&f, "ExcA");
    AddMissingName(&f, "ExcB");
    EXPECT_EQ(Line("GetExclusive", "P", f),
              "drvbridge: GetExclusive(\"P\"): library x.dll lacks ExcA, ExcB");
    SetFailure(&f, FailStep::kNoEntry, 1168, "C:\\d\\x.ppd");
    EXPECT_EQ(Line("GetDependDllName", "P", f),
              "drvbridge: GetDependDllName(\"P\"): data file C:\\d\\x.ppd: no ExcDepDLLName entry");
    SetFailure(&f, FailStep::kOpenPrinter, 4294967295u, nullptr);
    EXPECT_EQ(Line("GetExclusive", nullptr, f),
              "drvbridge: GetExclusive((null)): open printer failed, error 4294967295");
    SetFailure(&f, FailStep::kForeignHandle, 6, nullptr);
    EXPECT_EQ(Line("UpdateCommand", nullptr, f), "drvbridge: UpdateCommand: foreign handle");
}

TEST(FailureLine, LongInputsAreCut) {
    const std::string huge(5000, 'p');
    Failure f;
    SetFailure(&f, FailStep::kDataFile, 2, huge.c_str());
    EXPECT_EQ(std::strlen(f.subject), sizeof(f.subject) - 1);
    const std::string line = Line("GetExclusive", huge.c_str(), f);
    EXPECT_NE(line.find(std::string(128, 'p') + "...\")"), std::string::npos);
    const std::string tail = "ppp: open or map failed, error 2";
    ASSERT_GT(line.size(), tail.size());
    EXPECT_EQ(line.substr(line.size() - tail.size()), tail) << "the cut path keeps the cause";
    for (int i = 0; i < 40; ++i)
        AddMissingName(&f, "ExcGetWaterMarkList");
    EXPECT_LT(std::strlen(f.names), sizeof(f.names));
    for (uint32_t size : {1u, 2u, 11u, 12u, 40u, 200u})
        Line("GetExclusive", huge.c_str(), f, size);
}
} // namespace
