#include "rig.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "esp_thunk.h"

namespace {
std::string ModuleDir() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

bool WriteFile(const std::string& path, const std::string& contents) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(contents.data(), 1, contents.size(), f) == contents.size();
    return std::fclose(f) == 0 && ok;
}
} // namespace

HMODULE Bridge() {
    static HMODULE module = LoadLibraryA("drvbridge.dll");
    return module;
}

FARPROC BridgeExport(const char* name) {
    return GetProcAddress(Bridge(), name);
}

intptr_t Arg(const void* p) {
    return reinterpret_cast<intptr_t>(p);
}

intptr_t CallWord(FARPROC fn, const char* name, std::initializer_list<intptr_t> args) {
    EXPECT_NE(fn, nullptr) << name;
    if (fn == nullptr) return INT32_MIN;
    std::vector<intptr_t> v(args);
    int32_t delta = 0;
    intptr_t r = CallWinapi(reinterpret_cast<const void*>(fn), v.data(),
                            static_cast<int32_t>(v.size()), &delta);
    EXPECT_EQ(delta, 0) << name << " left the stack unbalanced";
    return r;
}

LONG CallExport(const char* name, std::initializer_list<intptr_t> args) {
    // Only the low 32 bits of the return register carry a LONG on x64.
    return static_cast<LONG>(CallWord(BridgeExport(name), name, args));
}

void* CallExportHandle(const char* name, std::initializer_list<intptr_t> args) {
    return reinterpret_cast<void*>(CallWord(BridgeExport(name), name, args));
}

void AddTestPrinter(const char* printer, const char* driverName, const char* dataFile) {
    char dir[MAX_PATH];
    DWORD needed = 0;
    ASSERT_TRUE(GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir),
                                           sizeof(dir), &needed));
    std::string d = std::string(dir) + "\\";
    ASSERT_TRUE(WriteFile(d + dataFile, "*%empty\n"));
    ASSERT_TRUE(WriteFile(d + "zeltbt_drv.dll", "driver"));
    ASSERT_TRUE(WriteFile(d + "zeltbt_ui.dll", "config"));

    DRIVER_INFO_3A driver{};
    driver.cVersion = 3;
    driver.pName = const_cast<LPSTR>(driverName);
    driver.pDriverPath = const_cast<LPSTR>("zeltbt_drv.dll");
    driver.pDataFile = const_cast<LPSTR>(dataFile);
    driver.pConfigFile = const_cast<LPSTR>("zeltbt_ui.dll");
    BOOL added = AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&driver));
    ASSERT_TRUE(added || GetLastError() == ERROR_PRINTER_DRIVER_ALREADY_INSTALLED)
        << GetLastError();

    PRINTER_INFO_2A info{};
    info.pPrinterName = const_cast<LPSTR>(printer);
    info.pPortName = const_cast<LPSTR>("FILE:");
    info.pDriverName = driver.pName;
    info.pPrintProcessor = const_cast<LPSTR>("WinPrint");
    info.pDatatype = const_cast<LPSTR>("RAW");
    HANDLE handle = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (handle != nullptr) {
        ClosePrinter(handle);
    } else {
        ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINTER_ALREADY_EXISTS));
    }
}

void EnsurePrinter() {
    static bool done = false;
    if (done) return;
    AddTestPrinter(kPrinter, "Zelt Bridge Test Driver", "zeltbt.ppd");
    if (!::testing::Test::HasFatalFailure()) done = true;
}

std::string DataFilePathOf(const char* printerName) {
    HANDLE printer = nullptr;
    std::string result;
    if (!OpenPrinterA(const_cast<LPSTR>(printerName), &printer, nullptr)) return result;
    DWORD needed = 0;
    GetPrinterDriverA(printer, nullptr, 2, nullptr, 0, &needed);
    std::vector<BYTE> record(needed);
    if (GetPrinterDriverA(printer, nullptr, 2, record.data(), needed, &needed))
        result = reinterpret_cast<DRIVER_INFO_2A*>(record.data())->pDataFile;
    ClosePrinter(printer);
    return result;
}

const std::string& DataFilePath() {
    static std::string path = DataFilePathOf(kPrinter);
    return path;
}

bool WriteTextFile(const std::string& path, const std::string& contents) {
    return WriteFile(path, contents);
}

void WriteDataFile(const std::string& contents) {
    ASSERT_FALSE(DataFilePath().empty());
    ASSERT_TRUE(WriteFile(DataFilePath(), contents));
}

std::string DoublePath(const std::string& variant) {
    return ModuleDir() + "exc_" + variant + ".dll";
}

bool DoubleLoaded(const std::string& variant) {
    return GetModuleHandleA(("exc_" + variant + ".dll").c_str()) != nullptr;
}

DoubleLog* Log() {
    static DoubleLog* log = [] {
        HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                            sizeof(DoubleLog), kDoubleLogName);
        // Kept open for the whole run so the doubles always find it.
        return static_cast<DoubleLog*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
    }();
    return log;
}

void ResetLog(int64_t exclusiveResult) {
    DoubleLog* log = Log();
    *log = DoubleLog{};
    log->exclusiveResult = exclusiveResult;
}
