// Counts and fails heap allocations while armed (linked with --wrap).
#pragma once

#include <cstdint>

// Arms the counter: the k-th allocation from now fails (0: none fails).
void ArmAllocFailure(uint32_t k);
void DisarmAllocFailure();
[[nodiscard]] uint32_t ArmedAllocCalls();
// Blocks allocated while armed and not yet freed.
[[nodiscard]] int64_t ArmedAllocOutstanding();
