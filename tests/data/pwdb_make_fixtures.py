#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the password database fixtures tests/data/pwdb_*.key.

Independent of the C++ code on purpose: IDEA, the checksum and the key stretching are written out
here from their definitions and checked against the published IDEA vector (key 0001..0008,
plain 0000 0001 0002 0003 -> 11FB ED2B 0198 6DE5) and the checksum's check values ("a", "abc",
"123456789"). The C++ tests then prove that LoadTable reads these files and SaveTable writes them
again byte for byte.

Run from the repository root: python3 tests/data/pwdb_make_fixtures.py
"""

import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# --- IDEA, standard form (big-endian 16-bit words)


def mul(a, b):
    a = a or 0x10000
    b = b or 0x10000
    return (a * b % 0x10001) & 0xFFFF


def expand_key(key_words):
    key = 0
    for w in key_words:
        key = (key << 16) | w
    subkeys = []
    while len(subkeys) < 52:
        for i in range(8):
            subkeys.append((key >> (112 - 16 * i)) & 0xFFFF)
        key = ((key << 25) | (key >> 103)) & ((1 << 128) - 1)
    return subkeys[:52]


def idea_block(words, z):
    x1, x2, x3, x4 = words
    for r in range(8):
        k = z[6 * r : 6 * r + 6]
        a = mul(x1, k[0])
        b = (x2 + k[1]) & 0xFFFF
        c = (x3 + k[2]) & 0xFFFF
        d = mul(x4, k[3])
        e = mul(a ^ c, k[4])
        f = mul(((b ^ d) + e) & 0xFFFF, k[5])
        e = (e + f) & 0xFFFF
        x1, x2, x3, x4 = a ^ f, c ^ f, b ^ e, d ^ e
    return [mul(x1, z[48]), (x3 + z[49]) & 0xFFFF, (x2 + z[50]) & 0xFFFF, mul(x4, z[51])]


assert idea_block([0, 1, 2, 3], expand_key([1, 2, 3, 4, 5, 6, 7, 8])) == [0x11FB, 0xED2B, 0x0198, 0x6DE5]

# --- The program's variant: every 16-bit word of key and block is little-endian in memory.


def le_words(data):
    return list(struct.unpack("<%dH" % (len(data) // 2), data))


def encrypt_block(block, subkeys):
    return struct.pack("<4H", *idea_block(le_words(block), subkeys))


# --- The program's checksum: a CRC-32 table read four bytes at a byte offset, no inversion.

CRC_TABLE = []
for n in range(256):
    c = n
    for _ in range(8):
        c = (c >> 1) ^ 0xEDB88320 if c & 1 else c >> 1
    CRC_TABLE.append(c)
TABLE_BYTES = struct.pack("<256I", *CRC_TABLE)


def checksum(value, data):
    for b in data:
        idx = (value ^ b) & 0xFF
        t = struct.unpack_from("<I", TABLE_BYTES, idx)[0]
        value = (value >> 8) ^ t
    return value


assert checksum(0, b"a") == 0xC0136C98
assert checksum(0, b"abc") == 0x5C6277B7
assert checksum(0, b"123456789") == 0xD59D19BE
assert checksum(0, b"123456789") != zlib.crc32(b"123456789")

# --- The database file


def database(master, text, padding=b"\0" * 8):
    scrambled = bytes(c ^ 0x6E for c in master)
    length = min(len(scrambled), 16)
    key = bytes(scrambled[i % length] ^ ((4 * i + 0x4B) & 0xFF) for i in range(16))
    key_check = checksum(0, key[:length]) & 0xFFFF
    subkeys = expand_key(le_words(key))
    padded = text + padding[: 8 - len(text) % 8]
    body = bytearray()
    chain = bytes(8)
    for i in range(0, len(padded), 8):
        block = bytes(p ^ c for p, c in zip(padded[i : i + 8], chain))
        chain = encrypt_block(block, subkeys)
        body += chain
    header = b"PT98" + struct.pack("<IIH", len(text), checksum(0, padded), key_check)
    return header + bytes(body)


def lines(entries):
    return b"".join(e + b"\r\n" for e in entries)


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


THREE = [b"/srv/Alpha.doc=first-Pass", b"/srv/beta.doc=x=y=z", b"/srv/GAMMA/x.pdf=Third pass 3"]
three = database(b"Kelvane-Master", lines(THREE))
write("pwdb_three_entries.key", three)

MANY = [b"/archive/f%04d.bin=pw-%04d-secret" % (i, i) for i in range(400)]
MANY.append("/archive/Ü.txt=".encode("utf-8") + "pässwört".encode("cp1252"))
write("pwdb_long_master.key", database(b"a-master-password-longer-than-16", lines(MANY)))

write("pwdb_empty.key", database(b"Kelvane-Master", b""))

write("pwdb_bad_magic.key", b"PT97" + three[4:])
write("pwdb_short_header.key", three[:13])
altered = bytearray(three)
altered[14 + 10] ^= 0x01
write("pwdb_altered_body.key", bytes(altered))
write("pwdb_cut_body.key", three[:-3])
write("pwdb_long_plain_length.key", three[:4] + struct.pack("<I", len(three) - 14 + 1) + three[8:])
