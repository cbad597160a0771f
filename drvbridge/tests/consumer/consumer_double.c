/* Stand-in for a driver's exclusive-settings library: records every call
 * with its arguments and answers with the known results of
 * consumer_double.h. The consumer keeps it loaded, so the log outlives the
 * bridge's loads and unloads. */
#include "consumer_double.h"

static DoubleLog g_log;

static LONG Record(LONG entry, const LONG_PTR* args, LONG count) {
    if (g_log.calls < (LONG)(sizeof g_log.call / sizeof g_log.call[0])) {
        DoubleCall* call = &g_log.call[g_log.calls];
        call->entry = entry;
        call->count = count;
        for (LONG i = 0; i < count; ++i)
            call->args[i] = args[i];
    }
    g_log.calls++;
    return kDoubleResults[entry];
}

DoubleLog* WINAPI ConsumerDoubleLog(void) {
    return &g_log;
}

LONG_PTR WINAPI ExcGetExclusive(LPCSTR printer) {
    LONG_PTR a[] = {(LONG_PTR)printer};
    Record(DOUBLE_GET_EXCLUSIVE, a, 1);
    return DOUBLE_CONTEXT;
}
LONG WINAPI ExcFreeExclusive(LONG_PTR context) {
    LONG_PTR a[] = {context};
    return Record(DOUBLE_FREE_EXCLUSIVE, a, 1);
}
LONG WINAPI ExcGetPrinterOption(LONG_PTR x, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d) {
    LONG_PTR v[] = {x, a, b, c, d};
    return Record(DOUBLE_GET_PRINTER_OPTION, v, 5);
}
LONG WINAPI ExcGetPrinterValue(LONG_PTR x, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d) {
    LONG_PTR v[] = {x, a, b, c, d};
    return Record(DOUBLE_GET_PRINTER_VALUE, v, 5);
}
LONG WINAPI ExcGetWaterMarkList(LONG_PTR x, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d) {
    LONG_PTR v[] = {x, a, b, c, d};
    return Record(DOUBLE_GET_WATER_MARK_LIST, v, 5);
}
LONG WINAPI ExcSetCommandBase(LONG_PTR x, LONG_PTR a, LONG_PTR b) {
    LONG_PTR v[] = {x, a, b};
    return Record(DOUBLE_SET_COMMAND_BASE, v, 3);
}
LONG WINAPI ExcGetCommandBase(LONG_PTR x, LONG_PTR a, LONG_PTR b, LONG_PTR c) {
    LONG_PTR v[] = {x, a, b, c};
    return Record(DOUBLE_GET_COMMAND_BASE, v, 4);
}
LONG WINAPI ExcUpdateCommand(LONG_PTR x, LONG_PTR a, LONG_PTR b) {
    LONG_PTR v[] = {x, a, b};
    return Record(DOUBLE_UPDATE_COMMAND, v, 3);
}
LONG WINAPI ExcGetCommandChange(LONG_PTR x, LONG_PTR a, LONG_PTR b, LONG_PTR c) {
    LONG_PTR v[] = {x, a, b, c};
    return Record(DOUBLE_GET_COMMAND_CHANGE, v, 4);
}
LONG WINAPI ExcGetCommandValue(LONG_PTR x, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d,
                               LONG_PTR e) {
    LONG_PTR v[] = {x, a, b, c, d, e};
    return Record(DOUBLE_GET_COMMAND_VALUE, v, 6);
}
LONG WINAPI ExcGetIniFileName(LPCSTR printer, LONG_PTR a, LONG_PTR b, LONG_PTR c) {
    LONG_PTR v[] = {(LONG_PTR)printer, a, b, c};
    return Record(DOUBLE_GET_INI_FILE_NAME, v, 4);
}
LONG WINAPI ExcGetDriverDevmode(LPCSTR printer, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d) {
    LONG_PTR v[] = {(LONG_PTR)printer, a, b, c, d};
    return Record(DOUBLE_GET_DRIVER_DEVMODE, v, 5);
}
