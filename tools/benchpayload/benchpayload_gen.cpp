#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "benchpayload.h"

namespace {
// Small fixed generator: the payload must not change between machines.
struct Random {
    uint32_t state;
};
uint32_t Next(Random* r) {
    r->state ^= r->state << 13;
    r->state ^= r->state >> 17;
    r->state ^= r->state << 5;
    return r->state;
}

// Skewed word choice: text compresses about as well as real help text.
std::string Words(Random* r, size_t size, const std::vector<std::string>& vocabulary) {
    std::string out;
    out.reserve(size + 16);
    while (out.size() < size) {
        if (out.size() > 4096 && Next(r) % 8 == 0) {
            // Repeated phrases, as help text repeats its boilerplate.
            const size_t from = out.size() - 1 - Next(r) % 4000;
            out.append(out, from - 40, 24 + Next(r) % 40);
            continue;
        }
        const auto count = static_cast<uint32_t>(vocabulary.size());
        uint32_t pick = Next(r) % count;
        for (int draw = 0; draw < 2; ++draw) {
            const uint32_t other = Next(r) % count;
            if (other < pick) pick = other;
        }
        out += vocabulary[pick];
        out += (Next(r) % 11 == 0) ? "\r\n" : " ";
    }
    out.resize(size);
    return out;
}

std::vector<std::string> Vocabulary(Random* r) {
    std::vector<std::string> words;
    for (int i = 0; i < 400; ++i) {
        std::string w;
        const uint32_t n = 2 + Next(r) % 9;
        for (uint32_t k = 0; k < n; ++k)
            w += static_cast<char>('a' + Next(r) % 26);
        words.push_back(w);
    }
    return words;
}

std::string Library(Random* r, size_t size, const std::vector<std::string>& vocabulary) {
    // Header, a table-like stretch of binary words, then resource strings.
    std::string out = "MZ";
    out.resize(1024, '\0');
    while (out.size() < size / 3) {
        const uint32_t v = Next(r) % 64;
        out.append(reinterpret_cast<const char*>(&v), 4);
        out.append(4, '\0');
    }
    out += Words(r, size - out.size(), vocabulary);
    return out;
}

std::string Help(Random* r, size_t size, const std::vector<std::string>& vocabulary) {
    return std::string("\x3F\x5F\x03\x00", 4) + Words(r, size - 4, vocabulary);
}

std::string Contents(Random* r, size_t size, const char* help, int set) {
    char head[96];
    std::snprintf(head, sizeof head, ":Base %s.hlp>Main\r\n:Title Set %d help\r\n", help, set);
    std::string out = head;
    for (int entry = 0; out.size() < size; ++entry) {
        char line[64];
        std::snprintf(line, sizeof line, "%u Topic %d of the guide=IDH_%05u\r\n", 1 + Next(r) % 5,
                      entry, Next(r) % 100000);
        out += line;
    }
    out.resize(size - 2);
    out += "\r\n";
    return out;
}

// Decoded sizes per set: library, help, contents, monitor help, contents.
// Set 0 carries the largest help file (just under 700 KB); 262 bytes is
// the smallest contents file.
constexpr std::array<std::array<uint32_t, 5>, 20> kSizes = {{
    {180000, 699000, 4200, 96000, 262}, {176000, 520000, 3900, 90000, 300},
    {178000, 505000, 3800, 88000, 320}, {179000, 530000, 4000, 91000, 310},
    {181000, 540000, 4100, 92000, 305}, {177000, 525000, 3950, 89000, 298},
    {178500, 535000, 4050, 90500, 301}, {176500, 515000, 3870, 88500, 297},
    {179500, 500000, 3800, 88000, 320}, {180500, 545000, 4150, 93000, 312},
    {177500, 528000, 3990, 89500, 299}, {178200, 500000, 3800, 88000, 320},
    {179200, 532000, 4020, 90200, 303}, {176800, 500000, 3800, 88000, 320},
    {180200, 538000, 4080, 91500, 306}, {177200, 500000, 3800, 88000, 320},
    {182000, 520000, 3900, 90000, 300}, {176000, 520000, 3900, 90000, 300},
    {176000, 520000, 3900, 90000, 300}, {176000, 520000, 3900, 90000, 300},
}};

// Which earlier set's member a member repeats byte for byte, or -1.
int SourceSet(int set, int member) {
    if (set >= 17) return 1;
    if (set == 16 && member >= 2) return 1;
    if ((set == 8 || set == 11 || set == 13 || set == 15) && (member == 2 || member == 4)) return 2;
    return -1;
}
} // namespace

std::vector<BenchFile> MakeBenchPayload() {
    static constexpr const char* kCodes[20] = {"JP", "US", "CZ", "DN", "GR", "SP", "FR",
                                               "IT", "HU", "DT", "NW", "PL", "BR", "FN",
                                               "SW", "RU", "CS", "CT", "UK", "HE"};
    Random r{0x2545F491u};
    std::vector<BenchFile> files(100);
    for (int set = 0; set < 20; ++set) {
        Random local{r.state + static_cast<uint32_t>(set) * 7919u};
        const std::vector<std::string> vocabulary = Vocabulary(&local);
        for (int member = 1; member <= 5; ++member) {
            BenchFile& f = files[static_cast<size_t>(5 * set + member - 1)];
            char name[16];
            std::snprintf(name, sizeof name, "file%04d.%03d", set, member);
            f.name = name;
            const int source = SourceSet(set, member);
            if (source >= 0) {
                f.bytes = files[static_cast<size_t>(5 * source + member - 1)].bytes;
                continue;
            }
            size_t size = kSizes[static_cast<size_t>(set)][static_cast<size_t>(member - 1)];
            // Scaled to the real total of about 15 MB; the largest file stays.
            if ((member == 1 || member == 2) && !(set == 0 && member == 2)) size = size * 15 / 16;
            std::string help = std::string(member <= 3 ? "KWT5D1" : "KWT5DS") + kCodes[set];
            switch (member) {
            case 1:
                f.bytes = Library(&local, size, vocabulary);
                break;
            case 2:
            case 4:
                f.bytes = Help(&local, size, vocabulary);
                break;
            default:
                f.bytes = Contents(&local, size, help.c_str(), set);
                break;
            }
        }
    }
    return files;
}
