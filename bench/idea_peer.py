#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""IDEA-CBC over a whole file with the Python `cryptography` package (OpenSSL's IDEA underneath),
the peer for IDEA where `openssl enc` has none.

Usage: idea_peer.py check | idea_peer.py encrypt|decrypt KEY_HEX IN OUT
Reads and writes 1 MiB at a time, as a file tool would; no padding (the file is whole blocks).
Exits 3 when the package or its IDEA is not available.
"""
import sys

PIECE = 1 << 20


def cipher(key):
    try:
        from cryptography.hazmat.primitives.ciphers import Cipher, modes
        try:
            from cryptography.hazmat.decrepit.ciphers.algorithms import IDEA
        except ImportError:
            from cryptography.hazmat.primitives.ciphers.algorithms import IDEA
        return Cipher(IDEA(key), modes.CBC(bytes(8)))
    except Exception:  # missing package or a build without IDEA
        sys.exit(3)


def main():
    if sys.argv[1:] == ["check"]:
        cipher(bytes(16)).encryptor().update(bytes(8))
        return 0
    direction, key_hex, source, target = sys.argv[1:5]
    c = cipher(bytes.fromhex(key_hex))
    worker = c.encryptor() if direction == "encrypt" else c.decryptor()
    with open(source, "rb") as inp, open(target, "wb") as out:
        while piece := inp.read(PIECE):
            out.write(worker.update(piece))
        out.write(worker.finalize())
    return 0


if __name__ == "__main__":
    sys.exit(main())
