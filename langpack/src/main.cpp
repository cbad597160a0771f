// langpack.exe: one switch in, one language set out, the exit code the only
// report.

#include "cmdline.h"
#include "install.h"
#include "trace.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr UINT kRejected = ERROR_INVALID_PARAMETER; // 87
static_assert(kRejected == 87);

char* AnsiStep(const char* position) {
    return CharNextA(position);
}

} // namespace

// The start-up code's lpCmdLine is not used: for a quoted name followed
// directly by text ("C:\x\langpack.exe"/L8) it is empty. The tail is taken
// from the whole line instead.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const char* tail = ArgumentTail(GetCommandLineA());
    const size_t length = std::strlen(tail);
    auto* copy = static_cast<char*>(std::malloc(length + 1));
    if (copy == nullptr) {
        TraceLine("no memory for a copy of the command line; exit code %u", kRejected);
        ExitProcess(kRejected);
    }
    std::memset(copy, 0, length + 1);
    std::memcpy(copy, tail, length);

    int32_t index = -1;
    const char* why = "";
    const int32_t parsed = ParseLanguageSwitch(copy, &index, AnsiStep, &why);
    std::free(copy);
    if (parsed != 1) {
        TraceLine("command line \"%s\" refused: %s; exit code %u", tail, why, kRejected);
        ExitProcess(kRejected);
    }
    TraceLine("command line \"%s\": set %ld (%s)", tail, static_cast<long>(index),
              kLanguageTable[static_cast<size_t>(index)].code);
    const int exitCode = InstallLanguageSet(index) != 0 ? 0 : -1;
    TraceLine("exit code %d", exitCode);
    return exitCode;
}
