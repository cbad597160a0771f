/* The consumer's stand-in for a driver's exclusive-settings library: what
 * it records of each call and what it answers. Shared by consumer_double.c
 * and consumer.c. */
#ifndef CONSUMER_DOUBLE_H
#define CONSUMER_DOUBLE_H

#include <windows.h>

/* Entry points, in the order of the bridge's forwarders and one-shots. */
enum {
    DOUBLE_GET_EXCLUSIVE,
    DOUBLE_FREE_EXCLUSIVE,
    DOUBLE_GET_PRINTER_OPTION,
    DOUBLE_GET_PRINTER_VALUE,
    DOUBLE_GET_WATER_MARK_LIST,
    DOUBLE_SET_COMMAND_BASE,
    DOUBLE_GET_COMMAND_BASE,
    DOUBLE_UPDATE_COMMAND,
    DOUBLE_GET_COMMAND_CHANGE,
    DOUBLE_GET_COMMAND_VALUE,
    DOUBLE_GET_INI_FILE_NAME,
    DOUBLE_GET_DRIVER_DEVMODE,
    DOUBLE_ENTRIES
};

/* A value whose high half, on x64, differs from its low half, so a value cut
 * to 32 bits on its way shows; the low half alone on i386. */
#ifdef _WIN64
#define DOUBLE_WIDE(low, high) ((LONG_PTR)(((ULONG_PTR)(high) << 32) | (ULONG_PTR)(low)))
#else
#define DOUBLE_WIDE(low, high) ((LONG_PTR)(low))
#endif

/* The context ExcGetExclusive hands out. */
#define DOUBLE_CONTEXT DOUBLE_WIDE(0x5C0FFEE1u, 0x7E570001u)

/* What each entry point returns (ExcGetExclusive: DOUBLE_CONTEXT;
 * ExcFreeExclusive: ignored by the bridge). Distinct, and some negative, so
 * a result from the wrong entry point or with its sign lost shows. */
static const LONG kDoubleResults[DOUBLE_ENTRIES] = {
    0,        7,       -1000002, 1000003, -1000004, 1000005,
    -1000006, 1000007, -1000008, 1000009, -1000010, 1000011,
};

typedef struct {
    LONG entry;
    LONG count;       /* arguments received */
    LONG_PTR args[6]; /* printer names as their pointer value */
} DoubleCall;

typedef struct {
    LONG calls; /* calls received, also past the end of the table */
    DoubleCall call[32];
} DoubleLog;

/* Exported by the double (not an Exc... entry point): its log. */
typedef DoubleLog*(WINAPI* DoubleLogFn)(void);
#define DOUBLE_LOG_EXPORT "ConsumerDoubleLog"

#endif /* CONSUMER_DOUBLE_H */
