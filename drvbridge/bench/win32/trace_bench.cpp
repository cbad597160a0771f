// trace_bench RUNS: what the failure trace costs when no debugger listens.
// Through the DLL as a client calls it: a forwarder given a null handle (the
// cheapest failing call, so nearly all of it is the trace line), and
// GetExclusive for a printer that does not exist (a whole failing call, line
// included); against OutputDebugStringA alone with a line of the same length.
// Prints the median microseconds per call of each over RUNS batches.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
using ForwarderFn = LONG(WINAPI*)(void*, LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR);
using OpenFn = void*(WINAPI*)(LPCSTR);

double Now() {
    LARGE_INTEGER t;
    LARGE_INTEGER f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return static_cast<double>(t.QuadPart) * 1e6 / static_cast<double>(f.QuadPart);
}

// Median microseconds per call of fn over runs batches of n calls.
template <typename Fn> double Median(int runs, int n, Fn fn) {
    std::vector<double> per;
    for (int r = 0; r < runs; ++r) {
        const double start = Now();
        for (int i = 0; i < n; ++i)
            fn();
        per.push_back((Now() - start) / n);
    }
    std::sort(per.begin(), per.end());
    return per[per.size() / 2];
}
} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 31;
    if (IsDebuggerPresent()) {
        std::fprintf(stderr, "trace_bench: a debugger is attached; the figure would be its\n");
        return 2;
    }
    HMODULE bridge = LoadLibraryA("drvbridge.dll");
    if (bridge == nullptr) return 1;
    auto forwarder = reinterpret_cast<ForwarderFn>(
        reinterpret_cast<void*>(GetProcAddress(bridge, "GetPrinterOption")));
    auto open =
        reinterpret_cast<OpenFn>(reinterpret_cast<void*>(GetProcAddress(bridge, "GetExclusive")));
    if (forwarder == nullptr || open == nullptr) return 1;
    // Each measured call must fail the way it is meant to, or the figure is void.
    SetLastError(0);
    if (forwarder(nullptr, 1, 2, 3, 4) != -1 || GetLastError() != ERROR_INVALID_HANDLE) return 3;
    if (open("Zelt Trace Bench No Printer") != nullptr) return 3;

    const char line[] = "drvbridge: GetPrinterOption: null handle\n";
    const double odsUs = Median(runs, 2000, [&] { OutputDebugStringA(line); });
    const double nullUs = Median(runs, 2000, [&] { (void)forwarder(nullptr, 1, 2, 3, 4); });
    const double openUs = Median(runs, 50, [&] { (void)open("Zelt Trace Bench No Printer"); });
    std::printf("ods_us %.3f\nnull_handle_us %.3f\nunknown_printer_us %.3f\n", odsUs, nullUs,
                openUs);
    return 0;
}
