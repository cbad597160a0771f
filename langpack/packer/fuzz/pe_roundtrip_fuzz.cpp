// lppack's whole job on an input program: parse, read the resource tree,
// rewrite it with new members, parse the result again (roundtrip.h). The
// input is the program; its last byte also picks the new members' sizes.
#include <cstddef>
#include <cstdint>

#include "roundtrip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    roundtrip::Check(Bytes(data, data + size), data[size - 1]);
    return 0;
}
