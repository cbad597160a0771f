// Replays a fuzz target's corpus as an ordinary test: every file in the
// folders given goes once through LLVMFuzzerTestOneInput, in name order so a
// failure names the same input on every machine. The targets abort on a
// broken invariant, which fails the test; an empty corpus fails it too, so a
// corpus that went missing cannot pass unnoticed.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        for (const auto& item : std::filesystem::directory_iterator(argv[i], error)) {
            if (item.is_regular_file()) inputs.push_back(item.path());
        }
        if (error) {
            std::fprintf(stderr, "replay: cannot read %s: %s\n", argv[i], error.message().c_str());
            return 1;
        }
    }
    std::sort(inputs.begin(), inputs.end());
    if (inputs.empty()) {
        std::fprintf(stderr, "replay: no inputs\n");
        return 1;
    }
    for (const auto& path : inputs) {
        std::ifstream file(path, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(file),
                                      std::istreambuf_iterator<char>()};
        // Named first: an abort inside the target leaves this as the last line.
        std::printf("replay: %s (%zu bytes)\n", path.filename().c_str(), bytes.size());
        std::fflush(stdout);
        // A copy of exactly the input's size, so a read past it is caught.
        std::vector<uint8_t> exact(bytes.begin(), bytes.end());
        LLVMFuzzerTestOneInput(exact.data(), exact.size());
    }
    std::printf("replay: %zu inputs, all passed\n", inputs.size());
    return 0;
}
