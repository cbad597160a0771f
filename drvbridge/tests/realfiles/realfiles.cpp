// Reads real printer description files to the end with ReadNextEntry, then
// again with a library-name line appended, through the lookup's read loop.
//   realfiles FILE...   (plain files; the caller gunzips the compressed ones)
// Prints the counts; exits 1 on a status 4, a stuck cursor or a missed
// library name that the file's own text does not explain.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "entry_reader.h"
#include "quote_rule.h"

namespace {

constexpr char kProbeLine[] = "*ExcDepDLLName: \"probe.dll\"\n";
constexpr char kLibraryKeyword[] = "ExcDepDLLName";

struct Counts {
    uint64_t files = 0, entries = 0, syntax = 0, noMemory = 0, stuck = 0;
    uint64_t found = 0, foundOther = 0, insideValue = 0, missed = 0;
};

// The lookup's loop: a broken entry is skipped, the first match wins.
// Returns 1 and the name when found; sets *inValue when a value swallowed
// the line.
int32_t FindLibraryName(const std::string& bytes, char* name, bool* inValue) {
    const auto* base = reinterpret_cast<const uint8_t*>(bytes.data());
    ReadCursor cursor{base, base, static_cast<uint32_t>(bytes.size())};
    DescriptionEntry* entry = CreateDescriptionEntry();
    if (entry == nullptr) return -1;
    int32_t result = 0;
    *inValue = false;
    for (;;) {
        const int32_t status = ReadNextEntry(entry, &cursor);
        if (status == READ_SYNTAX) continue;
        if (status != READ_OK) break;
        if (std::strstr(reinterpret_cast<const char*>(entry->value.data), "*ExcDepDLLName"))
            *inValue = true;
        if (std::memcmp(entry->keyword.data, kLibraryKeyword, sizeof kLibraryKeyword) == 0) {
            result = ApplyQuoteRule(reinterpret_cast<const char*>(entry->value.data), name,
                                    kLibraryNameSize);
            break;
        }
    }
    FreeDescriptionEntry(entry);
    return result;
}

void ReadToEnd(const std::string& bytes, Counts* counts) {
    const auto* base = reinterpret_cast<const uint8_t*>(bytes.data());
    ReadCursor cursor{base, base, static_cast<uint32_t>(bytes.size())};
    DescriptionEntry* entry = CreateDescriptionEntry();
    if (entry == nullptr) {
        ++counts->noMemory;
        return;
    }
    for (;;) {
        const uint32_t before = cursor.remaining;
        const int32_t status = ReadNextEntry(entry, &cursor);
        if (status == READ_END) break;
        ++counts->entries;
        if (status == READ_SYNTAX) ++counts->syntax;
        if (status == READ_NO_MEMORY) ++counts->noMemory;
        if (cursor.remaining >= before) {
            ++counts->stuck;
            break;
        }
    }
    FreeDescriptionEntry(entry);
}

}  // namespace

int main(int argc, char** argv) {
    Counts counts;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ++counts.files;
        ReadToEnd(bytes, &counts);

        // A file may end without a line break; the line must still start one.
        if (!bytes.empty() && bytes.back() != '\n' && bytes.back() != '\r') bytes += '\n';
        bytes += kProbeLine;
        char name[kLibraryNameSize] = {};
        bool inValue = false;
        if (FindLibraryName(bytes, name, &inValue) == 1) {
            if (std::strcmp(name, "probe.dll") == 0) {
                ++counts.found;
            } else {
                ++counts.foundOther;  // the file names its own library first
                std::printf("own library name: %s (%s)\n", argv[i], name);
            }
        } else if (inValue) {
            ++counts.insideValue;
            std::printf("inside a value: %s\n", argv[i]);
        } else {
            ++counts.missed;
            std::printf("missed: %s\n", argv[i]);
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("realfiles: %llu files, %llu entries, %llu status 3, %llu status 4, %.2f s\n",
                static_cast<unsigned long long>(counts.files),
                static_cast<unsigned long long>(counts.entries),
                static_cast<unsigned long long>(counts.syntax),
                static_cast<unsigned long long>(counts.noMemory), seconds);
    std::printf("realfiles: probe line found in %llu, own name first in %llu, "
                "inside a value in %llu, missed in %llu\n",
                static_cast<unsigned long long>(counts.found),
                static_cast<unsigned long long>(counts.foundOther),
                static_cast<unsigned long long>(counts.insideValue),
                static_cast<unsigned long long>(counts.missed));
    return counts.noMemory != 0 || counts.stuck != 0 || counts.missed != 0 ? 1 : 0;
}
