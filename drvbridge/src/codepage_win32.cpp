#include <windows.h>

#include "codepage.h"

uint32_t CurrentCodePage() {
    return GetACP();
}

bool IsLeadByteIn(uint32_t codePage, uint8_t b) {
    return IsDBCSLeadByteEx(codePage, b) != FALSE;
}
