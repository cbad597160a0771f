/* A sample exclusive-settings library for the demo: one context, and
 * results that show which values arrived. */
#include <windows.h>

#define CONTEXT 0x2A

LONG WINAPI ExcGetExclusive(LPCSTR printer) {
    return printer != NULL ? CONTEXT : 0;
}
LONG WINAPI ExcFreeExclusive(LONG context) {
    return context == CONTEXT;
}
LONG WINAPI ExcGetPrinterOption(LONG c, LONG a, LONG b, LONG d, LONG e) {
    return c == CONTEXT ? 100 * a + b + d + e : -2;
}
LONG WINAPI ExcGetPrinterValue(LONG c, LONG a, LONG b, LONG d, LONG e) {
    return c == CONTEXT ? a + b + d + e : -2;
}
LONG WINAPI ExcGetWaterMarkList(LONG c, LONG a, LONG b, LONG d, LONG e) {
    return c == CONTEXT ? a + b + d + e : -2;
}
LONG WINAPI ExcSetCommandBase(LONG c, LONG a, LONG b) {
    return c == CONTEXT ? a + b : -2;
}
LONG WINAPI ExcGetCommandBase(LONG c, LONG a, LONG b, LONG d) {
    return c == CONTEXT ? a + b + d : -2;
}
LONG WINAPI ExcUpdateCommand(LONG c, LONG a, LONG b) {
    return c == CONTEXT ? a + b : -2;
}
LONG WINAPI ExcGetCommandChange(LONG c, LONG a, LONG b, LONG d) {
    return c == CONTEXT ? a + b + d : -2;
}
LONG WINAPI ExcGetCommandValue(LONG c, LONG a, LONG b, LONG d, LONG e, LONG f) {
    return c == CONTEXT ? a + b + d + e + f : -2;
}
LONG WINAPI ExcGetIniFileName(LPCSTR printer, LONG a, LONG b, LONG c) {
    return printer != NULL ? 7 + a + b + c : -2;
}
LONG WINAPI ExcGetDriverDevmode(LPCSTR printer, LONG a, LONG b, LONG c, LONG d) {
    return printer != NULL ? a + b + c + d : -2;
}
