// A windowed program with langpack.exe's imports that does nothing: the
// baseline for timing langpack.exe's start-up. The work is never reached
// (no command line starts with "\x01").
#include "cmdline.h"
#include "install.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const char* tail = ArgumentTail(GetCommandLineA());
    if (tail[0] == '\x01') {
        int32_t index = 0;
        char* copy = const_cast<char*>(tail);
        if (ParseLanguageSwitch(copy, &index, [](const char* p) { return CharNextA(p); }) == 1) {
            return InstallLanguageSet(index);
        }
        ExitProcess(87);
    }
    return 0;
}
