// lppack.exe: puts a driver team's 100 files into a copy of langpack.exe.
//
//   lppack.exe --dir FOLDER --into langpack.exe --out NEW.exe [--time UNIXTIME]
//              [--version A.B.C.D]
//
// Exit code 0: NEW.exe written and every member read back and checked;
// 1: refused or failed, with a message naming the file and the reason, and
// no NEW.exe (nor a temporary file) left behind; 2: a wrong command line.
// Running out of memory, or anything else the C++ library throws, is a
// refusal too (exit 1 with a message), never the runtime's own exit 3.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <string>

#include "pack.h"
#include "write_win32.h"

namespace {

constexpr char kUsage[] =
    "usage: lppack.exe --dir FOLDER --into langpack.exe --out NEW.exe [--time UNIXTIME]\n"
    "                  [--version A.B.C.D]\n";

struct Options {
    std::string dir;
    std::string into;
    std::string out;
    const char* time = nullptr;
    const char* version = nullptr;
};

bool parseArgs(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; i += 2) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return false;
        if (arg == "--dir")
            o.dir = argv[i + 1];
        else if (arg == "--into")
            o.into = argv[i + 1];
        else if (arg == "--out")
            o.out = argv[i + 1];
        else if (arg == "--time")
            o.time = argv[i + 1];
        else if (arg == "--version")
            o.version = argv[i + 1];
        else
            return false;
    }
    return !o.dir.empty() && !o.into.empty() && !o.out.empty();
}

bool parseTime(const char* text, std::uint32_t& t) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (*text < '0' || *text > '9' || errno != 0 || *end != '\0' || v > 0xFFFFFFFFull) return false;
    t = static_cast<std::uint32_t>(v);
    return true;
}

int run(int argc, char** argv) {
    Options o;
    if (!parseArgs(argc, argv, o)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    PackJob job;
    job.dir = FolderPrefix(o.dir);
    job.input = o.into;
    if (o.time != nullptr) {
        if (!parseTime(o.time, job.time)) {
            std::fprintf(stderr, "lppack: --time %s: not a Unix time of 32 bits\n", o.time);
            return 2;
        }
        job.haveTime = true;
    }
    if (o.version != nullptr) {
        if (!ParseVersionQuad(o.version, job.version)) {
            std::fprintf(stderr, "lppack: --version %s: not four numbers 0-65535 like 1.2.3.4\n",
                         o.version);
            return 2;
        }
        job.haveVersion = true;
    }
    if (!CheckFolder(o.dir) || !LoadInput(job) ||
        !ChooseTime(job, std::getenv("SOURCE_DATE_EPOCH")))
        return 1;
    const bool wasSigned = job.pe.certOffset != 0;
    Bytes program;
    if (!PackFiles(job) || !MakeProgram(job, program)) return 1;
    if (!WriteChecked(job, program, o.out)) return 1;
    if (wasSigned)
        std::fprintf(stderr,
                     "lppack: %s: carried an Authenticode signature, which does not cover the "
                     "new files and was removed: sign %s again before shipping it\n",
                     o.into.c_str(), o.out.c_str());
    std::printf("lppack: wrote %s: 100 members, %llu bytes of files in %zu bytes, time %lu; "
                "every member read back and checked\n",
                o.out.c_str(), static_cast<unsigned long long>(job.sourceBytes), program.size(),
                static_cast<unsigned long>(job.time));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("lppack: out of memory: nothing was written\n", stderr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lppack: failed (%s): nothing was written\n", e.what());
    } catch (...) {
        std::fputs("lppack: failed: nothing was written\n", stderr);
    }
    return 1;
}
