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
    // Why entries were refused, judged from the entry's first line.
    uint64_t manyWords = 0, noColon = 0, inValue = 0;
};

// The entry line a call started from: the first line beginning with '*'
// that is not a comment (the reader passes over everything else).
std::string EntryLine(const uint8_t* at, const uint8_t* end) {
    while (at < end) {
        const auto* lineEnd =
            static_cast<const uint8_t*>(std::memchr(at, '\n', static_cast<size_t>(end - at)));
        if (lineEnd == nullptr) lineEnd = end;
        if (*at == '*' && (lineEnd - at < 2 || at[1] != '%')) return std::string(at, lineEnd);
        at = lineEnd + 1;
    }
    return {};
}

// Sorts a refused entry by its first line. Two causes dominate in real
// files: a bracket inside a quoted value, which these files' own convention
// forbids but PostScript snippets such as "(Name)" or "mark{" are full of;
// and more words before the colon than a keyword and two qualifiers, mostly
// translation texts with blanks ("*PageSize A4/A4 210 x 297 mm: ...").
void CountCause(const std::string& line, Counts* counts) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos) {
        ++counts->noColon;
        return;
    }
    int words = 0;
    bool inWord = false;
    for (size_t i = 0; i < colon; ++i) {
        const bool blank = line[i] == ' ' || line[i] == '\t';
        if (!blank && !inWord) ++words;
        inWord = !blank;
    }
    if (words > 3) {
        ++counts->manyWords;
    } else {
        ++counts->inValue;
    }
}

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
        if (status == READ_SYNTAX) {
            ++counts->syntax;
            CountCause(EntryLine(base + (bytes.size() - before), base + bytes.size()), counts);
        }
        if (status == READ_NO_MEMORY) ++counts->noMemory;
        if (cursor.remaining >= before) {
            ++counts->stuck;
            break;
        }
    }
    FreeDescriptionEntry(entry);
}

} // namespace

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
                ++counts.foundOther; // the file names its own library first
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
    std::printf("realfiles: status 3 by first line: more than two qualifiers %llu, no colon %llu, "
                "otherwise a bracket in a quoted value or a stray one %llu\n",
                static_cast<unsigned long long>(counts.manyWords),
                static_cast<unsigned long long>(counts.noColon),
                static_cast<unsigned long long>(counts.inValue));
    std::printf("realfiles: probe line found in %llu, own name first in %llu, "
                "inside a value in %llu, missed in %llu\n",
                static_cast<unsigned long long>(counts.found),
                static_cast<unsigned long long>(counts.foundOther),
                static_cast<unsigned long long>(counts.insideValue),
                static_cast<unsigned long long>(counts.missed));
    return counts.noMemory != 0 || counts.stuck != 0 || counts.missed != 0 ? 1 : 0;
}
