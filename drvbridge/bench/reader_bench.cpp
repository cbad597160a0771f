// Throughput of ReadNextEntry: reader_bench FILE [MB] writes FILE with
// realistic entries, then reads it whole five times and prints the best MB/s.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "entry_reader.h"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const long mb = argc > 2 ? std::atol(argv[2]) : 50;
    {
        std::FILE* f = std::fopen(argv[1], "wb");
        if (f == nullptr) return 1;
        const std::string block =
            "*% Paper handling\n*PageSize Letter/US Letter: \"<</PageSize [612 792]>> "
            "setpagedevice\"\n"
            "*OpenUI *InputSlot: PickOne\n*Resolution 600dpi: \"(600) {pop} if\"\r\n"
            "*Font Courier: Standard \"(001.004)\" Standard ROM\n*CloseUI: *InputSlot\n\n";
        for (long written = 0; written < mb << 20; written += static_cast<long>(block.size()))
            std::fwrite(block.data(), 1, block.size(), f);
        std::fclose(f);
    }
    double best = 0;
    for (int run = 0; run < 5; ++run) {
        ReadCursor* cursor = OpenReadCursor(argv[1]);
        DescriptionEntry* entry = CreateDescriptionEntry();
        if (cursor == nullptr || entry == nullptr) return 1;
        const double size = cursor->remaining;
        long entries = 0;
        const auto start = std::chrono::steady_clock::now();
        while (ReadNextEntry(entry, cursor) != READ_END)
            ++entries;
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (size / s / 1048576.0 > best) best = size / s / 1048576.0;
        std::printf("run %d: %ld entries, %.1f MB/s\n", run, entries, size / s / 1048576.0);
        FreeDescriptionEntry(entry);
        CloseReadCursor(cursor);
    }
    std::printf("best %.1f MB/s\n", best);
    return 0;
}
