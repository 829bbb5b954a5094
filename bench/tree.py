#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Encrypting and decrypting a whole directory tree: kelvane-cli --recursive against `ccrypt -r`.

Usage: tree.py KELVANE_CLI [--files N] [--dirs D] [--runs R]

Builds a tree of N files (default 10,000) of 1 to 64 KiB in D directories (default 200), then times,
in the same run and on copies of the same tree, kelvane-cli encrypt -r and decrypt -r with one job
and with as many jobs as there are cores, and ccrypt -e -r / -d -r (Debian package ccrypt, the peer
only). Each command's best of R runs (default 3) counts. Prints files per second and the ratios.
The scratch space is /dev/shm when it has room, so that the disk's speed is not in the figures.
Exits 0 even when a goal is missed: the figures are information, not a test. Standard library only.
"""
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

PASSWORD = "treesecret12"


def build_tree(root, files, dirs, seed=16):
    rng = random.Random(seed)
    directories = [root]
    for i in range(1, dirs):
        # Nested a few levels deep, as folders of documents are.
        parent = directories[rng.randrange(len(directories))] if i > 10 else root
        path = os.path.join(parent, f"dir{i:03d}")
        os.makedirs(path)
        directories.append(path)
    total = 0
    for i in range(files):
        size = rng.randint(1024, 64 * 1024)
        with open(os.path.join(directories[i % dirs], f"file{i:05d}.dat"), "wb") as out:
            out.write(rng.randbytes(size))
        total += size
    return total


def timed(argv, **kwargs):
    started = time.perf_counter()
    done = subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, **kwargs)
    elapsed = time.perf_counter() - started
    if done.returncode != 0:
        sys.exit(f"{' '.join(argv[:3])} failed ({done.returncode}): {done.stderr[-500:]}")
    return elapsed


def scratch_parent(needed):
    for candidate in ("/dev/shm", tempfile.gettempdir()):
        try:
            if shutil.disk_usage(candidate).free >= needed:
                return candidate
        except OSError:
            continue
    return tempfile.gettempdir()


def count_files(root, suffix):
    return sum(1 for _, _, names in os.walk(root) for name in names if name.endswith(suffix))


def main():
    args = sys.argv[1:]
    if not args or args[0].startswith("-"):
        sys.exit(__doc__)
    cli = args[0]

    def option(name, default):
        return int(args[args.index(name) + 1]) if name in args else default

    files, dirs, runs = option("--files", 10_000), option("--dirs", 200), option("--runs", 3)
    ccrypt = shutil.which("ccrypt")
    cores = os.cpu_count() or 1
    parent = scratch_parent(4 * files * 64 * 1024)
    if parent != "/dev/shm":
        print(f"NOTE: /dev/shm lacks room; using {parent} (figures include disk speed).")

    with tempfile.TemporaryDirectory(dir=parent, prefix="kelvane-tree-") as scratch:
        pristine = os.path.join(scratch, "pristine")
        os.makedirs(pristine)
        total = build_tree(pristine, files, dirs)
        password_file = os.path.join(scratch, "password")
        with open(password_file, "w") as out:
            out.write(PASSWORD + "\n")
        print(f"Tree: {files} files, {dirs} directories, {total / 1e6:.1f} MB in {parent}; best of {runs} runs; "
              f"{cores} cores", flush=True)

        def best(make_argv, suffix_after):
            """Best encryption and decryption times over fresh copies of the tree."""
            enc, dec = [], []
            for _ in range(runs):
                tree = os.path.join(scratch, "tree")
                shutil.rmtree(tree, ignore_errors=True)
                shutil.copytree(pristine, tree)
                encrypt, decrypt = make_argv(tree)
                enc.append(timed(encrypt))
                got = count_files(tree, suffix_after)
                if got != files:
                    sys.exit(f"{encrypt[0]}: {got} of {files} files encrypted")
                dec.append(timed(decrypt))
                if count_files(tree, suffix_after) != 0:
                    sys.exit(f"{decrypt[0]}: containers left after decryption")
            shutil.rmtree(os.path.join(scratch, "tree"), ignore_errors=True)
            return min(enc), min(dec)

        def kelvane(jobs):
            return lambda tree: (
                [cli, "encrypt", "-r", "--jobs", str(jobs), "--password-file", password_file, tree],
                [cli, "decrypt", "-r", "--jobs", str(jobs), "--password-file", password_file, tree],
            )

        results = {}
        if ccrypt:
            results["ccrypt -r"] = best(
                lambda tree: ([ccrypt, "-e", "-r", "-f", "-q", "-K", PASSWORD, tree],
                              [ccrypt, "-d", "-r", "-f", "-q", "-K", PASSWORD, tree]), ".cpt")
        else:
            print("NOTE: ccrypt is not installed (Debian package ccrypt); no peer figures.")
        results["kelvane-cli -r --jobs 1"] = best(kelvane(1), ".cry")
        if cores > 1:
            results[f"kelvane-cli -r --jobs {cores}"] = best(kelvane(cores), ".cry")

    print(f"\n{'':<32}{'encrypt files/s':>16}{'decrypt files/s':>17}")
    for name, (enc, dec) in results.items():
        print(f"{name:<32}{files / enc:>16.0f}{files / dec:>17.0f}")
    if "ccrypt -r" in results:
        peer_enc, peer_dec = results["ccrypt -r"]
        print("\nRatios against ccrypt -r in this run (files per second; goal in brackets):")
        for name, (enc, dec) in results.items():
            if name == "ccrypt -r":
                continue
            goal = 1.0 if name.endswith("--jobs 1") else 1.6
            print(f"  {name:<32} encrypt {peer_enc / enc:5.2f}x  decrypt {peer_dec / dec:5.2f}x  (>= {goal}x)")


if __name__ == "__main__":
    main()
