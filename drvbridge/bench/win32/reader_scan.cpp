// reader_scan RUNS FILE...: scans the files to the end RUNS times with the
// fast reader and with the byte-at-a-time one, and prints the median MB/s of
// each. Built for Windows so the code-page calls are the system's own.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "entry_reader.h"
#include "reader_inputs.h"
#include "reference_reader.h"

namespace {
template <auto Create, auto Read, auto Free>
double MegabytesPerSecond(const std::vector<std::string>& files) {
    double bytes = 0;
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& text : files) {
        DescriptionEntry* entry = Create();
        if (entry == nullptr) return 0;
        ReadCursor cursor = CursorOver(text);
        while (Read(entry, &cursor) != READ_END) {
        }
        Free(entry);
        bytes += static_cast<double>(text.size());
    }
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return bytes / s / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: reader_scan RUNS FILE...\n");
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[1]));
    std::vector<std::string> files;
    for (int i = 2; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
        files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::vector<double> fast;
    std::vector<double> reference;
    for (int run = 0; run < runs; ++run) {
        fast.push_back(
            MegabytesPerSecond<CreateDescriptionEntry, ReadNextEntry, FreeDescriptionEntry>(files));
        reference.push_back(
            MegabytesPerSecond<refreader::CreateDescriptionEntry, refreader::ReadNextEntry,
                               refreader::FreeDescriptionEntry>(files));
    }
    std::printf("fast_MBps %.1f\nreference_MBps %.1f\n", Median(fast), Median(reference));
    return 0;
}
