#!/usr/bin/env python3
"""Writes the hand-made gzip seeds of gunzip_fuzz: every header flag, several
members, broken trailers. Each seed starts with two bytes that pick the
output capacity (little-endian, times 4).  make_seeds.py OUT_DIR"""
import os
import struct
import sys
import zlib

TEXT = b"*PPD-Adobe: \"4.3\"\n*ModelName: \"Seed\"\n" * 8


def member(data, flags=0, extra=b"xy\x02\x00ab", name=b"seed.txt", comment=b"c",
           crc=None, size=None):
    head = bytearray(b"\x1f\x8b\x08" + bytes([flags]) + b"\0\0\0\0\0\xff")
    if flags & 0x04:
        head += struct.pack("<H", len(extra)) + extra
    if flags & 0x08:
        head += name + b"\0"
    if flags & 0x10:
        head += comment + b"\0"
    if flags & 0x02:
        head += struct.pack("<H", zlib.crc32(head) & 0xFFFF)
    body = zlib.compressobj(9, zlib.DEFLATED, -15)
    raw = body.compress(data) + body.flush()
    crc = zlib.crc32(data) if crc is None else crc
    size = len(data) if size is None else size
    return bytes(head) + raw + struct.pack("<II", crc & 0xFFFFFFFF, size & 0xFFFFFFFF)


def cap(n):
    return struct.pack("<H", (n + 3) // 4)


seeds = {
    "plain": cap(len(TEXT)) + member(TEXT),
    "ftext": cap(len(TEXT)) + member(TEXT, 0x01),
    "fhcrc": cap(len(TEXT)) + member(TEXT, 0x02),
    "fextra": cap(len(TEXT)) + member(TEXT, 0x04),
    "fname": cap(len(TEXT)) + member(TEXT, 0x08),
    "fcomment": cap(len(TEXT)) + member(TEXT, 0x10),
    "all_flags": cap(len(TEXT)) + member(TEXT, 0x1F),
    "reserved_flag": cap(len(TEXT)) + member(TEXT, 0x20),
    "two_members": cap(2 * len(TEXT)) + member(TEXT) + member(TEXT, 0x08),
    "small_capacity": cap(16) + member(TEXT),
    "zero_capacity": b"\0\0" + member(TEXT),
    "empty_member": cap(4) + member(b""),
    "bad_crc": cap(len(TEXT)) + member(TEXT, crc=1),
    "bad_size": cap(len(TEXT)) + member(TEXT, size=3),
    "trailing_bytes": cap(len(TEXT)) + member(TEXT) + b"\0\0junk",
    "truncated": cap(len(TEXT)) + member(TEXT)[:-6],
    "not_gzip": cap(64) + b"PK\x03\x04 not a gzip stream",
    "bad_method": cap(64) + b"\x1f\x8b\x07\0" + member(TEXT)[4:],
    "stored_block": cap(len(TEXT)) + member(TEXT)[:10] + b"\x01" + struct.pack(
        "<HH", len(TEXT), 0xFFFF ^ len(TEXT)) + TEXT + struct.pack(
        "<II", zlib.crc32(TEXT), len(TEXT)),
}

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
for label, data in seeds.items():
    with open(os.path.join(out, label), "wb") as f:
        f.write(data)
