// Deterministic payload of measuring size: 100 files shaped like the real
// language sets (a resource library, two help files, two contents files per
// set; shared members where the real sets share them).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct BenchFile {
    std::string name; // file0000.001 ... file0019.005
    std::string bytes;
};

// Index 5 * set + (member - 1).
std::vector<BenchFile> MakeBenchPayload();
