// benchpayload OUTDIR: writes the 100 measuring files into OUTDIR.
#include <cstdio>
#include <string>

#include "benchpayload.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: benchpayload OUTDIR\n");
        return 2;
    }
    size_t total = 0;
    for (const BenchFile& f : MakeBenchPayload()) {
        const std::string path = std::string(argv[1]) + "/" + f.name;
        std::FILE* out = std::fopen(path.c_str(), "wb");
        if (out == nullptr) return 1;
        const bool ok = std::fwrite(f.bytes.data(), 1, f.bytes.size(), out) == f.bytes.size();
        if (std::fclose(out) != 0 || !ok) return 1;
        total += f.bytes.size();
    }
    std::printf("100 files, %zu bytes\n", total);
    return 0;
}
