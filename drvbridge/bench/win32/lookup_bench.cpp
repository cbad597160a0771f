// lookup_bench RUNS FILE: GetDependDllName end to end, through the DLL as a
// client calls it, for two printers whose data file is FILE with the entry
// "*ExcDepDLLName: x.dll" added as its first line and as its last line.
// Prints the median microseconds per call of each and their difference,
// which is the reader's share of a lookup (the spooler query and the mapping
// cost the same in both). The printers are added to the prefix's spooler and
// removed again at the end.
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using LookupFn = LONG(WINAPI*)(LPCSTR, LPSTR);

constexpr char kEntry[] = "*ExcDepDLLName: x.dll";
constexpr char kName[] = "x.dll";

struct BenchPrinter {
    const char* printer;
    const char* driver;
    const char* dataFile; // in the spooler's driver folder
};

// Names of their own: the bridge tests' printer must stay untouched.
constexpr BenchPrinter kFirst = {"Zelt Lookup Bench First", "Zelt Lookup Bench First Driver",
                                 "zeltlb_first.ppd"};
constexpr BenchPrinter kLast = {"Zelt Lookup Bench Last", "Zelt Lookup Bench Last Driver",
                                "zeltlb_last.ppd"};

bool WriteBytes(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::string SpoolerDataFile(const char* printer) {
    HANDLE h = nullptr;
    std::string path;
    if (!OpenPrinterA(const_cast<LPSTR>(printer), &h, nullptr)) {
        return path;
    }
    DWORD needed = 0;
    GetPrinterDriverA(h, nullptr, 2, nullptr, 0, &needed);
    std::vector<BYTE> record(needed + 1);
    if (needed > 0 && GetPrinterDriverA(h, nullptr, 2, record.data(), needed, &needed)) {
        const char* data = reinterpret_cast<DRIVER_INFO_2A*>(record.data())->pDataFile;
        if (data != nullptr) {
            path = data;
        }
    }
    ClosePrinter(h);
    return path;
}

// The folder AddPrinterDriverA copies the driver's files from, with a
// trailing backslash; empty when the spooler does not say.
std::string DriverFolder() {
    char dir[MAX_PATH] = {};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir), sizeof dir,
                                    &needed)) {
        std::fprintf(stderr, "GetPrinterDriverDirectoryA failed, error %lu\n", GetLastError());
        return std::string();
    }
    return std::string(dir) + "\\";
}

// Adds the printer (or finds it from an earlier run) and writes its data
// file where the spooler says it is.
bool AddBenchPrinter(const BenchPrinter& p, const std::string& contents) {
    const std::string d = DriverFolder();
    if (d.empty()) {
        return false;
    }
    if (!WriteBytes(d + p.dataFile, contents) || !WriteBytes(d + "zeltlb_drv.dll", "driver") ||
        !WriteBytes(d + "zeltlb_ui.dll", "config")) {
        std::fprintf(stderr, "cannot write into %s\n", d.c_str());
        return false;
    }
    DRIVER_INFO_3A driver = {};
    driver.cVersion = 3;
    driver.pName = const_cast<LPSTR>(p.driver);
    driver.pDriverPath = const_cast<LPSTR>("zeltlb_drv.dll");
    driver.pDataFile = const_cast<LPSTR>(p.dataFile);
    driver.pConfigFile = const_cast<LPSTR>("zeltlb_ui.dll");
    if (!AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&driver)) &&
        GetLastError() != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED) {
        std::fprintf(stderr, "AddPrinterDriverA failed, error %lu\n", GetLastError());
        return false;
    }
    PRINTER_INFO_2A info = {};
    info.pPrinterName = const_cast<LPSTR>(p.printer);
    info.pPortName = const_cast<LPSTR>("FILE:");
    info.pDriverName = const_cast<LPSTR>(p.driver);
    info.pPrintProcessor = const_cast<LPSTR>("WinPrint");
    info.pDatatype = const_cast<LPSTR>("RAW");
    HANDLE h = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (h != nullptr) {
        ClosePrinter(h);
    } else if (GetLastError() != ERROR_PRINTER_ALREADY_EXISTS) {
        std::fprintf(stderr, "AddPrinterA failed, error %lu\n", GetLastError());
        return false;
    }
    // The spooler keeps its own copy of the data file: that is the one read.
    const std::string path = SpoolerDataFile(p.printer);
    if (path.empty() || !WriteBytes(path, contents)) {
        std::fprintf(stderr, "cannot write the data file of %s\n", p.printer);
        return false;
    }
    return true;
}

void RemoveBenchPrinter(const BenchPrinter& p) {
    // The spooler's copy of a 600 KB file is not worth leaving behind.
    const std::string copy = SpoolerDataFile(p.printer);
    PRINTER_DEFAULTSA access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE h = nullptr;
    if (OpenPrinterA(const_cast<LPSTR>(p.printer), &h, &access)) {
        if (!DeletePrinter(h)) {
            std::fprintf(stderr, "DeletePrinter %s failed, error %lu\n", p.printer, GetLastError());
        }
        ClosePrinter(h);
    }
    // A driver that stays behind is harmless: the next run reuses it.
    DeletePrinterDriverA(nullptr, nullptr, const_cast<LPSTR>(p.driver));
    if (!copy.empty()) {
        DeleteFileA(copy.c_str());
    }
    const std::string d = DriverFolder();
    if (!d.empty()) {
        DeleteFileA((d + p.dataFile).c_str());
    }
}

void RemoveStagedDriverFiles() {
    const std::string d = DriverFolder();
    if (!d.empty()) {
        DeleteFileA((d + "zeltlb_drv.dll").c_str());
        DeleteFileA((d + "zeltlb_ui.dll").c_str());
    }
}

double Microseconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
    return 1e6 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// One timed call; false when the lookup did not give exactly kName.
bool TimedLookup(LookupFn lookup, const char* printer, LARGE_INTEGER frequency,
                 std::vector<double>* times) {
    char name[MAX_PATH];
    std::memset(name, 0x55, sizeof name);
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceCounter(&start);
    const LONG found = lookup(printer, name);
    QueryPerformanceCounter(&end);
    if (found != 1 || std::strcmp(name, kName) != 0) {
        std::fprintf(stderr, "GetDependDllName(%s) gave %ld\n", printer, static_cast<long>(found));
        return false;
    }
    times->push_back(Microseconds(start, end, frequency));
    return true;
}

int Measure(int runs, const std::string& body) {
    const char* eol = body.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    std::string head = body;
    if (!head.empty() && head.back() != '\n') {
        head += eol;
    }
    const std::string last = head + kEntry + eol;
    const std::string first = std::string(kEntry) + eol + body;
    if (!AddBenchPrinter(kFirst, first) || !AddBenchPrinter(kLast, last)) {
        return 1;
    }
    HMODULE bridge = LoadLibraryA("drvbridge.dll");
    const auto lookup = bridge != nullptr ? reinterpret_cast<LookupFn>(reinterpret_cast<void*>(
                                                GetProcAddress(bridge, "GetDependDllName")))
                                          : nullptr;
    if (lookup == nullptr) {
        std::fprintf(stderr, "drvbridge.dll or its GetDependDllName not found\n");
        if (bridge != nullptr) {
            FreeLibrary(bridge);
        }
        return 1;
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> firstTimes;
    std::vector<double> lastTimes;
    bool ok = true;
    // Interleaved, so that drift on the shared machine hits both alike; the
    // first pair warms the file cache and is not counted.
    for (int i = 0; i <= runs && ok; ++i) {
        ok = TimedLookup(lookup, kFirst.printer, frequency, &firstTimes) &&
             TimedLookup(lookup, kLast.printer, frequency, &lastTimes);
        if (i == 0 && ok) {
            firstTimes.clear();
            lastTimes.clear();
        }
    }
    FreeLibrary(bridge);
    if (!ok) {
        return 1;
    }
    const double f = Median(firstTimes);
    const double l = Median(lastTimes);
    std::printf("bytes %zu\ncalls %d\nfirst_us %.1f\nlast_us %.1f\ndiff_us %.1f\n", last.size(),
                runs, f, l, l - f);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: lookup_bench RUNS FILE\n");
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[1]));
    std::ifstream in(argv[2], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[2]);
        return 1;
    }
    const std::string body{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (body.find("ExcDepDLLName") != std::string::npos) {
        std::fprintf(stderr, "%s already names a library\n", argv[2]);
        return 1;
    }
    const int status = Measure(runs, body);
    RemoveBenchPrinter(kFirst);
    RemoveBenchPrinter(kLast);
    RemoveStagedDriverFiles();
    return status;
}
