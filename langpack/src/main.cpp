// langpack.exe: one switch in, one language set out, the exit code the only
// report.

#include "cmdline.h"
#include "install.h"

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
        ExitProcess(kRejected);
    }
    std::memset(copy, 0, length + 1);
    std::memcpy(copy, tail, length);

    int32_t index = -1;
    const int32_t parsed = ParseLanguageSwitch(copy, &index, AnsiStep);
    std::free(copy);
    if (parsed != 1) {
        ExitProcess(kRejected);
    }
    return InstallLanguageSet(index) != 0 ? 0 : -1;
}
