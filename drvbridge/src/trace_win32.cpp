#include <windows.h>

#include "trace.h"

void ReportFailure(const char* exportName, const char* printer, const Failure& failure) {
    // On the stack: the bridge keeps no state and allocates nothing here.
    char line[640];
    const uint32_t length = FormatFailure(line, sizeof(line) - 1, exportName, printer, failure);
    line[length] = '\n';
    line[length + 1] = '\0';
    OutputDebugStringA(line);
    SetLastError(failure.error);
}
