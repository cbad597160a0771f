// Reader throughput natively: the fast reader, the byte-at-a-time reader it
// replaced, and the system's own description-file parser on the same files.
// ZELT_PPD_DIR names the folder of real files (fetch_ppds.py writes it).
#include <benchmark/benchmark.h>

#include <cups/ppd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "codepage.h"
#include "entry_reader.h"
#include "reader_inputs.h"
#include "reference_reader.h"

namespace {
struct RealFile {
    std::string path;
    std::string text;
};

const std::vector<RealFile>& RealFiles() {
    static const std::vector<RealFile> files = [] {
        std::vector<RealFile> found;
        const char* dir = std::getenv("ZELT_PPD_DIR");
        if (dir == nullptr || !std::filesystem::is_directory(dir)) return found;
        for (const auto& item : std::filesystem::directory_iterator(dir)) {
            std::ifstream in(item.path(), std::ios::binary);
            found.push_back(
                {item.path().string(), std::string(std::istreambuf_iterator<char>(in), {})});
        }
        std::sort(found.begin(), found.end(),
                  [](const RealFile& a, const RealFile& b) { return a.path < b.path; });
        return found;
    }();
    return files;
}

int64_t RealBytes() {
    int64_t n = 0;
    for (const auto& f : RealFiles())
        n += static_cast<int64_t>(f.text.size());
    return n;
}

template <auto Create, auto Read, auto Free> int64_t ScanToEnd(const std::string& text) {
    DescriptionEntry* entry = Create();
    ReadCursor cursor = CursorOver(text);
    int64_t entries = 0;
    while (Read(entry, &cursor) != READ_END)
        ++entries;
    Free(entry);
    return entries;
}

constexpr auto ScanFast = ScanToEnd<CreateDescriptionEntry, ReadNextEntry, FreeDescriptionEntry>;
constexpr auto ScanReference = ScanToEnd<refreader::CreateDescriptionEntry,
                                         refreader::ReadNextEntry, refreader::FreeDescriptionEntry>;

template <auto Scan> void RealFilesScan(benchmark::State& state) {
    if (RealFiles().empty()) {
        state.SkipWithError("ZELT_PPD_DIR holds no files");
        return;
    }
    SetHostCodePage(static_cast<uint32_t>(state.range(0)));
    for (auto _ : state) {
        for (const auto& f : RealFiles())
            benchmark::DoNotOptimize(Scan(f.text));
    }
    state.SetBytesProcessed(state.iterations() * RealBytes());
    SetHostCodePage(1252);
}

void BM_ReadNextEntry_RealFiles(benchmark::State& state) {
    RealFilesScan<ScanFast>(state);
}
void BM_ReferenceReader_RealFiles(benchmark::State& state) {
    RealFilesScan<ScanReference>(state);
}
BENCHMARK(BM_ReadNextEntry_RealFiles)->Arg(1252)->Arg(932);
BENCHMARK(BM_ReferenceReader_RealFiles)->Arg(1252)->Arg(932);

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
void BM_PpdOpenFile_RealFiles(benchmark::State& state) {
    if (RealFiles().empty()) {
        state.SkipWithError("ZELT_PPD_DIR holds no files");
        return;
    }
    for (auto _ : state) {
        for (const auto& f : RealFiles()) {
            ppd_file_t* ppd = ppdOpenFile(f.path.c_str());
            if (ppd == nullptr) {
                state.SkipWithError(("not parsed: " + f.path).c_str());
                return;
            }
            ppdClose(ppd);
        }
    }
    state.SetBytesProcessed(state.iterations() * RealBytes());
}
#pragma GCC diagnostic pop
BENCHMARK(BM_PpdOpenFile_RealFiles);

// 10 MB of ordinary entries, and the same bytes after a quote that never
// closes: one value to the end of the file.
constexpr size_t kTenMegabytes = 10u << 20;
const std::string& NormalTen() {
    static const std::string text = PlainLines(kTenMegabytes);
    return text;
}
const std::string& UnclosedTen() {
    static const std::string text = "*Unclosed: \"" + PlainLines(kTenMegabytes - 12);
    return text;
}

template <auto Scan> void Ten(benchmark::State& state, const std::string& text) {
    for (auto _ : state)
        benchmark::DoNotOptimize(Scan(text));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
void BM_ReadNextEntry_Normal10MB(benchmark::State& s) {
    Ten<ScanFast>(s, NormalTen());
}
void BM_ReadNextEntry_Unclosed10MB(benchmark::State& s) {
    Ten<ScanFast>(s, UnclosedTen());
}
void BM_ReferenceReader_Normal10MB(benchmark::State& s) {
    Ten<ScanReference>(s, NormalTen());
}
void BM_ReferenceReader_Unclosed10MB(benchmark::State& s) {
    Ten<ScanReference>(s, UnclosedTen());
}
BENCHMARK(BM_ReadNextEntry_Normal10MB);
BENCHMARK(BM_ReadNextEntry_Unclosed10MB);
BENCHMARK(BM_ReferenceReader_Normal10MB);
BENCHMARK(BM_ReferenceReader_Unclosed10MB);
} // namespace

BENCHMARK_MAIN();
