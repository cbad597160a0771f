// In-memory gzip reader: decodes a gzip stream held whole in memory into a
// buffer of fixed capacity, verifying the CRC-32 of every member it finishes.
#pragma once

#include <cstdint>

// zlib's status codes pass through unchanged; this one is our own.
inline constexpr int32_t GUNZIP_NOT_GZIP = -1000;

// dest: output buffer of *destLen bytes. On return *destLen holds the bytes
// produced (see gunzip.cpp for the paths that leave it unchanged).
// Returns 0 on success, else a negative zlib status or GUNZIP_NOT_GZIP.
[[nodiscard]] int32_t GunzipMemory(uint8_t* dest, uint32_t* destLen, const uint8_t* source,
                                   uint32_t sourceLen);
