#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Times `kelvane-cli rekey` of a 256 MiB container against its peer in the same run: `decrypt`
followed by `encrypt` of the same file with the same passwords and methods. Prints each command's
best time and the ratio rekey / (decrypt + encrypt); the goal is a ratio of 1.00 or less.

While rekey runs, the folder is watched with inotify; every name created, written or moved in is
printed, so a plain copy appearing under any name would show (the engine tests check the bytes
themselves).

Usage: rekey.py KELVANE_CLI [--mib N] [--runs N]
Exits 0 even when the goal is missed: the figures are information, not a test. Standard library only.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

MIB = 1 << 20
# (old method, new method): the fastest and the slowest cipher, and a change of method.
PAIRS = [("idea", "idea"), ("des", "des"), ("idea", "3xdes")]


def scratch_parent(needed):
    """/dev/shm when it has room (no disk speed in the figures), else the temporary directory."""
    for candidate in ("/dev/shm", tempfile.gettempdir()):
        try:
            if shutil.disk_usage(candidate).free >= needed:
                return candidate
        except OSError:
            continue
    return tempfile.gettempdir()


def run(cli, args):
    started = time.perf_counter()
    done = subprocess.run([cli] + args, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    elapsed = time.perf_counter() - started
    if done.returncode != 0:
        sys.exit(f"kelvane-cli {' '.join(args)} failed: {done.stderr.strip()}")
    return elapsed


class FolderWatch:
    """Watches the folder with inotify while it runs (blocked in read, so it costs no CPU time that
    the timed command could use); `seen` holds the name of every file created, written or moved in."""

    IN_MODIFY, IN_CLOSE_WRITE, IN_MOVED_TO, IN_CREATE = 0x2, 0x8, 0x80, 0x100

    def __init__(self, folder):
        import ctypes
        import ctypes.util

        self.libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
        self.fd = self.libc.inotify_init1(0)
        if self.fd < 0:
            sys.exit("inotify_init1 failed")
        mask = self.IN_MODIFY | self.IN_CLOSE_WRITE | self.IN_MOVED_TO | self.IN_CREATE
        if self.libc.inotify_add_watch(self.fd, folder.encode(), mask) < 0:
            sys.exit("inotify_add_watch failed")
        self.seen = set()
        self.thread = threading.Thread(target=self.loop, daemon=True)
        self.thread.start()

    def loop(self):
        import struct

        while True:
            try:
                data = os.read(self.fd, 65536)
            except OSError:
                return
            at = 0
            while at + 16 <= len(data):
                _, _, _, length = struct.unpack_from("iIII", data, at)
                name = data[at + 16 : at + 16 + length].rstrip(b"\0").decode(errors="replace")
                if name == "stop-watching":
                    return
                self.seen.add(name)
                at += 16 + length

    def stop(self, folder):
        # A file of its own wakes the reader, which then ends.
        marker = os.path.join(folder, "stop-watching")
        open(marker, "w").close()
        self.thread.join()
        os.remove(marker)
        os.close(self.fd)
        return self.seen


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli")
    parser.add_argument("--mib", type=int, default=256)
    parser.add_argument("--runs", type=int, default=2)
    options = parser.parse_args()
    cli = os.path.abspath(options.cli)
    size = options.mib * MIB

    parent = scratch_parent(3 * size + 64 * MIB)
    if parent != "/dev/shm":
        print(f"NOTE: /dev/shm lacks room; using {parent} (figures include disk speed).")
    work = tempfile.mkdtemp(prefix="kelvane-rekey-bench-", dir=parent)
    try:
        old_pw = os.path.join(work, "old.pw")
        new_pw = os.path.join(work, "new.pw")
        with open(old_pw, "w") as f:
            f.write("oldpass1\n")
        with open(new_pw, "w") as f:
            f.write("newpass2\n")
        folder = os.path.join(work, "files")
        os.mkdir(folder)
        plain = os.path.join(folder, "data.bin")
        container = plain + ".cry"
        print(f"rekey of a {options.mib} MiB container against decrypt + encrypt, best of {options.runs}")
        print(f"{'methods':<16}{'rekey s':>10}{'decrypt s':>11}{'encrypt s':>11}{'ratio':>8}")
        for old, new in PAIRS:
            best_rekey = best_decrypt = best_encrypt = float("inf")
            names = set()
            for _ in range(options.runs):
                with open(plain, "wb") as f:
                    f.write(os.urandom(size))
                run(cli, ["encrypt", "--method", old, "--password-file", old_pw, plain])

                watch = FolderWatch(folder)
                best_rekey = min(
                    best_rekey,
                    run(cli, ["rekey", "--method", new, "--password-file", old_pw, "--new-password-file", new_pw,
                              container]),
                )
                names |= watch.stop(folder)
                # The peer on the same container, back under the old password first.
                run(cli, ["rekey", "--method", old, "--password-file", new_pw, "--new-password-file", old_pw,
                          container])
                best_decrypt = min(best_decrypt, run(cli, ["decrypt", "--password-file", old_pw, container]))
                best_encrypt = min(
                    best_encrypt, run(cli, ["encrypt", "--method", new, "--password-file", new_pw, plain])
                )
                os.remove(container)
            ratio = best_rekey / (best_decrypt + best_encrypt)
            verdict = "ok" if ratio <= 1.0 else "SLOWER"
            print(f"{old + '->' + new:<16}{best_rekey:>10.2f}{best_decrypt:>11.2f}{best_encrypt:>11.2f}"
                  f"{ratio:>8.2f}  {verdict}")
            # "#inode" is how inotify names the new container while it has no name (O_TMPFILE); it
            # then appears as a hidden .kvtmp- name, which is renamed over the old container.
            temporary = sorted(name for name in names if name.startswith("#") or name.startswith(".kvtmp-"))
            plain_seen = sorted(names - set(temporary) - {"data.bin.cry"})
            print(f"{'':<16}names touched during rekey: data.bin.cry (renamed in) and {len(temporary)} of the new container"
                  + ("" if not plain_seen else f"; OTHER NAMES: {plain_seen}"))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
