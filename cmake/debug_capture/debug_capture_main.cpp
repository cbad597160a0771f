// debug_capture.exe APP COMMANDLINE: starts APP with COMMANDLINE exactly as
// given, as its debugger, prints every line it sends to OutputDebugString
// and then its exit code as an unsigned number.
#include "debug_capture.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: debug_capture APP COMMANDLINE\n");
        return 2;
    }
    CapturedRun run;
    const bool ended = RunUnderDebugger(argv[1], argv[2], &run);
    for (const std::string& line : run.lines) {
        std::printf("%s\n", line.c_str());
    }
    if (!ended) {
        std::fprintf(stderr, "debug_capture: %s, error %lu\n",
                     run.timedOut ? "no end within the limit" : "could not start", run.error);
        return 2;
    }
    std::printf("exit code %lu\n", run.exitCode);
    return 0;
}
