// Why a call failed, as a support engineer sees it: why_client.exe calls one
// export under the debug capture; the bridge's trace line and the last-error
// value the client read afterwards must name the cause. Successful calls
// must say nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "debug_capture.h"
#include "rig.h"

namespace {
constexpr intptr_t kContext = Wide(0x5A5A0001, 0x6B6B0002);
constexpr char kNoSuchPrinter[] = "Zelt No Such Printer";

std::string Beside(const char* name) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1) + name;
}

struct Outcome {
    std::vector<std::string> bridgeLines; // the lines starting "drvbridge: "
    std::string clientLine;
    DWORD exitCode = 0;
};

Outcome RunClient(const std::string& exportName, const std::string& arg,
                  const std::string& extra = "") {
    Outcome out;
    const std::string app = Beside("why_client.exe");
    std::string commandLine = "why_client " + exportName + " \"" + arg + "\"";
    if (!extra.empty()) commandLine += " " + extra;
    CapturedRun run;
    EXPECT_TRUE(RunUnderDebugger(app.c_str(), commandLine.data(), &run)) << run.error;
    EXPECT_FALSE(run.timedOut);
    out.exitCode = run.exitCode;
    for (const std::string& line : run.lines) {
        if (line.rfind("drvbridge: ", 0) == 0) out.bridgeLines.push_back(line);
        if (line.rfind("client: ", 0) == 0) out.clientLine = line;
    }
    // Print what came out, so a run's log shows the lines as they are.
    for (const std::string& line : out.bridgeLines)
        std::printf("    %s\n", line.c_str());
    std::printf("    %s\n    exit code 0x%lX\n", out.clientLine.c_str(),
                static_cast<unsigned long>(out.exitCode));
    return out;
}

std::string ClientLine(const std::string& exportName, long long result, DWORD error) {
    return "client: " + exportName + " result " + std::to_string(result) + " error " +
           std::to_string(error);
}

struct WhyCase {
    const char* what;
    std::string data;       // the data file's contents; empty: the file is deleted
    const char* exportName; // called with the printer below
    const char* printer;
    long long result;
    std::string line; // the one trace line; empty: none
    DWORD error;
};

std::string Lib(const std::string& variant) {
    return "*ExcDepDLLName: \"" + DoublePath(variant) + "\"\n";
}

TEST(Why, EachFailureSaysItsCause) {
    EnsurePrinter();
    const std::string path = DataFilePath();
    const std::string full = DoublePath("full");
    const std::string noOption = DoublePath("no_ExcGetPrinterOption");
    const std::string noIni = DoublePath("no_ExcGetIniFileName");
    const std::string noDevmode = DoublePath("no_ExcGetDriverDevmode");
    const std::string P = "(\"" + std::string(kPrinter) + "\")";
    const std::string allTen =
        "ExcGetExclusive, ExcFreeExclusive, ExcGetPrinterOption, ExcGetPrinterValue, "
        "ExcGetWaterMarkList, ExcSetCommandBase, ExcGetCommandBase, ExcUpdateCommand, "
        "ExcGetCommandChange, ExcGetCommandValue";
    const std::string longName(260, 'n');
    const std::vector<WhyCase> cases = {
        {"unknown printer", Lib("full"), "GetExclusive", kNoSuchPrinter, 0,
         "drvbridge: GetExclusive(\"" + std::string(kNoSuchPrinter) +
             "\"): open printer failed, error 1801",
         1801},
        {"unknown printer, lookup", Lib("full"), "GetDependDllName", kNoSuchPrinter, 0,
         "drvbridge: GetDependDllName(\"" + std::string(kNoSuchPrinter) +
             "\"): open printer failed, error 1801",
         1801},
        {"no entry", "*Other: x\n", "GetExclusive", kPrinter, 0,
         "drvbridge: GetExclusive" + P + ": data file " + path + ": no ExcDepDLLName entry", 1168},
        {"no entry, lookup", "*Other: x\n", "GetDependDllName", kPrinter, 0,
         "drvbridge: GetDependDllName" + P + ": data file " + path + ": no ExcDepDLLName entry",
         1168},
        {"no entry, one-shot", "*Other: x\n", "GetDriverDevmode", kPrinter, -1,
         "drvbridge: GetDriverDevmode" + P + ": data file " + path + ": no ExcDepDLLName entry",
         1168},
        {"name too long", "*ExcDepDLLName: " + longName + "\n", "GetDriverIniFileName", kPrinter,
         -1,
         "drvbridge: GetDriverIniFileName" + P + ": data file " + path +
             ": library name longer than 259 bytes",
         206},
        {"data file missing", "", "GetExclusive", kPrinter, 0,
         "drvbridge: GetExclusive" + P + ": data file " + path + ": open or map failed, error 2",
         2},
        {"missing library", "*ExcDepDLLName: zeltmissing.dll\n", "GetExclusive", kPrinter, 0,
         "drvbridge: GetExclusive" + P + ": load library zeltmissing.dll failed, error 126", 126},
        {"missing library, one-shot", "*ExcDepDLLName: zeltmissing.dll\n", "GetDriverIniFileName",
         kPrinter, -1,
         "drvbridge: GetDriverIniFileName" + P + ": load library zeltmissing.dll failed, error 126",
         126},
        {"relative name refused", "*ExcDepDLLName: sub\\exc_full.dll\n", "GetExclusive", kPrinter,
         0, "drvbridge: GetExclusive" + P + ": load library sub\\exc_full.dll failed, error 161",
         161},
        {"library without any entry point", "*ExcDepDLLName: drvbridge.dll\n", "GetExclusive",
         kPrinter, 0, "drvbridge: GetExclusive" + P + ": library drvbridge.dll lacks " + allTen,
         127},
        {"library without one entry point", Lib("no_ExcGetPrinterOption"), "GetExclusive", kPrinter,
         0, "drvbridge: GetExclusive" + P + ": library " + noOption + " lacks ExcGetPrinterOption",
         127},
        {"one-shot entry point missing", Lib("no_ExcGetIniFileName"), "GetDriverIniFileName",
         kPrinter, -1,
         "drvbridge: GetDriverIniFileName" + P + ": library " + noIni + " lacks ExcGetIniFileName",
         127},
        {"one-shot entry point missing, devmode", Lib("no_ExcGetDriverDevmode"), "GetDriverDevmode",
         kPrinter, -1,
         "drvbridge: GetDriverDevmode" + P + ": library " + noDevmode +
             " lacks ExcGetDriverDevmode",
         127},
    };
    for (const WhyCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::printf("%s:\n", c.what);
        ResetLog(kContext);
        if (c.data.empty()) {
            ASSERT_TRUE(DeleteFileA(path.c_str()));
        } else {
            WriteDataFile(c.data);
        }
        const Outcome out = RunClient(c.exportName, c.printer);
        ASSERT_EQ(out.bridgeLines.size(), 1u);
        EXPECT_EQ(out.bridgeLines[0], c.line);
        EXPECT_EQ(out.clientLine, ClientLine(c.exportName, c.result, c.error));
        EXPECT_EQ(out.exitCode, c.error);
    }

    // An empty data file cannot be mapped; one held open for writing by
    // another program cannot be opened.
    std::printf("empty data file:\n");
    WriteDataFile("");
    Outcome empty = RunClient("GetExclusive", kPrinter);
    ASSERT_EQ(empty.bridgeLines.size(), 1u);
    EXPECT_EQ(empty.bridgeLines[0], "drvbridge: GetExclusive" + P + ": data file " + path +
                                        ": open or map failed, error 1006");
    EXPECT_EQ(empty.exitCode, 1006u);
    std::printf("data file held open for writing:\n");
    WriteDataFile(Lib("full"));
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    Outcome held = RunClient("GetDependDllName", kPrinter);
    CloseHandle(writer);
    ASSERT_EQ(held.bridgeLines.size(), 1u);
    EXPECT_EQ(held.bridgeLines[0], "drvbridge: GetDependDllName" + P + ": data file " + path +
                                       ": open or map failed, error 32");
    EXPECT_EQ(held.exitCode, 32u);

    // ExcGetExclusive returning 0: the library's failure, named as such.
    std::printf("zero context:\n");
    WriteDataFile(Lib("full"));
    ResetLog(0);
    Outcome zero = RunClient("GetExclusive", kPrinter);
    ASSERT_EQ(zero.bridgeLines.size(), 1u);
    EXPECT_EQ(zero.bridgeLines[0],
              "drvbridge: GetExclusive" + P + ": library " + full + ": ExcGetExclusive returned 0");
    EXPECT_EQ(zero.exitCode, 1627u);
    WriteDataFile("*%restored\n");
}

TEST(Why, NullAndForeignHandles) {
    const char* forwarders[] = {"GetPrinterOption", "GetPrinterValue", "GetWaterMarkList",
                                "SetCommandBase",   "GetCommandBase",  "UpdateCommand",
                                "GetCommandChange", "GetCommandValue"};
    for (const char* name : forwarders) {
        for (const char* kind : {"null", "foreign"}) {
            SCOPED_TRACE(std::string(name) + " " + kind);
            std::printf("%s, %s handle:\n", name, kind);
            const Outcome out = RunClient(name, kind);
            ASSERT_EQ(out.bridgeLines.size(), 1u);
            EXPECT_EQ(out.bridgeLines[0],
                      std::string("drvbridge: ") + name + ": " + kind + " handle");
            EXPECT_EQ(out.clientLine, ClientLine(name, -1, ERROR_INVALID_HANDLE));
        }
    }
    std::printf("FreeExclusive, foreign handle:\n");
    Outcome foreign = RunClient("FreeExclusive", "foreign");
    ASSERT_EQ(foreign.bridgeLines.size(), 1u);
    EXPECT_EQ(foreign.bridgeLines[0], "drvbridge: FreeExclusive: foreign handle");
    EXPECT_EQ(foreign.exitCode, static_cast<DWORD>(ERROR_INVALID_HANDLE));
    // Null is ignored quietly, like free(NULL): no line, the value untouched.
    std::printf("FreeExclusive, null handle:\n");
    Outcome null = RunClient("FreeExclusive", "null");
    EXPECT_TRUE(null.bridgeLines.empty());
    EXPECT_EQ(null.exitCode, 0x2BADu);
}

// No buffer for the name: refused before anything is looked up, whether or
// not the printer has a library to name.
TEST(Why, NullNameBufferIsRefused) {
    EnsurePrinter();
    const struct {
        const char* what;
        std::string data;
        const char* printer;
    } cases[] = {
        {"library named", Lib("full"), kPrinter},
        {"no entry", "*Other: x\n", kPrinter},
        {"unknown printer", Lib("full"), kNoSuchPrinter},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::printf("%s, null name buffer:\n", c.what);
        WriteDataFile(c.data);
        const Outcome out = RunClient("GetDependDllName", c.printer, "nullbuf");
        ASSERT_EQ(out.bridgeLines.size(), 1u);
        EXPECT_EQ(out.bridgeLines[0], "drvbridge: GetDependDllName(\"" + std::string(c.printer) +
                                          "\"): null name buffer");
        EXPECT_EQ(out.clientLine, ClientLine("GetDependDllName", 0, ERROR_INVALID_PARAMETER));
        EXPECT_EQ(out.exitCode, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    WriteDataFile("*%restored\n");
}

TEST(Why, SuccessfulCallsAreQuiet) {
    EnsurePrinter();
    WriteDataFile("*ExcDepDLLName: \"" + DoublePath("full") + "\"\n");
    for (const char* name :
         {"GetExclusive", "GetDependDllName", "GetDriverIniFileName", "GetDriverDevmode"}) {
        SCOPED_TRACE(name);
        ResetLog(kContext);
        const Outcome out = RunClient(name, kPrinter);
        EXPECT_TRUE(out.bridgeLines.empty());
        EXPECT_FALSE(out.clientLine.empty());
        EXPECT_EQ(out.clientLine.find(" result -1 "), std::string::npos);
        EXPECT_EQ(out.clientLine.find(" result 0 "), std::string::npos);
    }
    WriteDataFile("*%restored\n");
}
} // namespace
