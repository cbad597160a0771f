/* A sample exclusive-settings library for the demo: one context, and
 * results that show which values arrived. Values and the context are
 * pointer-wide (LONG_PTR), results LONG, on both widths. */
#include <windows.h>

#define CONTEXT 0x2A

LONG_PTR WINAPI ExcGetExclusive(LPCSTR printer) {
    return printer != NULL ? CONTEXT : 0;
}
LONG WINAPI ExcFreeExclusive(LONG_PTR context) {
    return context == CONTEXT ? 1 : 0;
}
LONG WINAPI ExcGetPrinterOption(LONG_PTR c, LONG_PTR a, LONG_PTR b, LONG_PTR d, LONG_PTR e) {
    return c == CONTEXT ? (LONG)(100 * a + b + d + e) : -2;
}
LONG WINAPI ExcGetPrinterValue(LONG_PTR c, LONG_PTR a, LONG_PTR b, LONG_PTR d, LONG_PTR e) {
    return c == CONTEXT ? (LONG)(a + b + d + e) : -2;
}
LONG WINAPI ExcGetWaterMarkList(LONG_PTR c, LONG_PTR a, LONG_PTR b, LONG_PTR d, LONG_PTR e) {
    return c == CONTEXT ? (LONG)(a + b + d + e) : -2;
}
LONG WINAPI ExcSetCommandBase(LONG_PTR c, LONG_PTR a, LONG_PTR b) {
    return c == CONTEXT ? (LONG)(a + b) : -2;
}
LONG WINAPI ExcGetCommandBase(LONG_PTR c, LONG_PTR a, LONG_PTR b, LONG_PTR d) {
    return c == CONTEXT ? (LONG)(a + b + d) : -2;
}
LONG WINAPI ExcUpdateCommand(LONG_PTR c, LONG_PTR a, LONG_PTR b) {
    return c == CONTEXT ? (LONG)(a + b) : -2;
}
LONG WINAPI ExcGetCommandChange(LONG_PTR c, LONG_PTR a, LONG_PTR b, LONG_PTR d) {
    return c == CONTEXT ? (LONG)(a + b + d) : -2;
}
LONG WINAPI ExcGetCommandValue(LONG_PTR c, LONG_PTR a, LONG_PTR b, LONG_PTR d, LONG_PTR e,
                               LONG_PTR f) {
    return c == CONTEXT ? (LONG)(a + b + d + e + f) : -2;
}
LONG WINAPI ExcGetIniFileName(LPCSTR printer, LONG_PTR a, LONG_PTR b, LONG_PTR c) {
    return printer != NULL ? (LONG)(7 + a + b + c) : -2;
}
LONG WINAPI ExcGetDriverDevmode(LPCSTR printer, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d) {
    return printer != NULL ? (LONG)(a + b + c + d) : -2;
}
