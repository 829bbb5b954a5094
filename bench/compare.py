#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Runs kelvane_bench and kelvane-cli, then prints the figures and the ratios against the goals.

Usage: compare.py BIN_DIR [--cli KELVANE_CLI]

BIN_DIR holds kelvane_bench (and kelvane-cli unless --cli names the one to time: the one users run).
Whole files are timed as a user runs them, kelvane-cli against `openssl enc` on the same file in the
same run.
Exits 0 even when a goal is missed: the figures are information, not a test.
Standard library only.
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

MB = 1_000_000
MIB = 1 << 20
FILE_MIB = 256  # whole-file benchmark size
RSS_SMALL_MIB = 16
RSS_LARGE_MIB = 1024
RSS_SLACK_KIB = 1024  # "does not grow": the large run may use at most this much more
CLI_METHOD = "idea"  # the fastest method keeps the 1 GiB run short; memory use does not depend on it
METHODS = [("idea", "IDEA"), ("des", "DES"), ("3xdes", "Triple DES")]
USER_FILE_MIB = 96  # whole files through kelvane-cli and openssl enc
USER_RUNS = 3  # each command's best of this many runs counts
OPENSSL_PROVIDERS = ["-provider", "legacy", "-provider", "default"]
# The peer's cipher and key for each method. Single DES and IDEA live in OpenSSL 3's legacy provider;
# Debian's build leaves IDEA out altogether; the peer is then the Python `cryptography` package's IDEA
# (bench/idea_peer.py), or none if that is missing too.
OPENSSL_PEERS = {
    "des": ("-des-cbc", "0123456789abcdef"),
    "3xdes": ("-des-ede3-cbc", "0123456789abcdef" "fedcba9876543210" "89abcdef01234567"),
    "idea": ("-idea-cbc", "0123456789abcdef" "fedcba9876543210"),
}


def scratch_parent(needed_bytes):
    """/dev/shm when it has room (RAM: no disk speed in the figures), else /tmp."""
    for candidate in ("/dev/shm", tempfile.gettempdir()):
        try:
            if shutil.disk_usage(candidate).free >= needed_bytes:
                return candidate
        except OSError:
            continue
    return tempfile.gettempdir()


def note_fallback(where, what):
    if where != "/dev/shm":
        print(f"NOTE: /dev/shm lacks room for the {what}; using {where} (figures include disk speed).")


def run_benchmarks(bench):
    parent = scratch_parent(3 * FILE_MIB * MIB + 64 * MIB)
    note_fallback(parent, f"{FILE_MIB} MiB whole-file runs")
    env = dict(os.environ, KELVANE_BENCH_SCRATCH=parent, KELVANE_BENCH_FILE_MIB=str(FILE_MIB))
    print("Running kelvane_bench (about two minutes)...", flush=True)
    try:
        done = subprocess.run([bench, "--benchmark_format=json"], stdout=subprocess.PIPE, text=True, env=env)
    except OSError as e:
        print(f"cannot run {bench}: {e}")
        return {}
    if done.returncode != 0:
        print(f"kelvane_bench exited with status {done.returncode}")
    try:
        report = json.loads(done.stdout)
    except json.JSONDecodeError as e:
        print(f"kelvane_bench gave no readable JSON ({e})")
        return {}
    results = {}
    for b in report.get("benchmarks", []):
        # Repeated benchmarks count by their median; the other aggregates are not figures.
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        # Drop the suffixes the library appends, such as "/iterations:2/real_time" or "/repeats:3".
        name = b.get("run_name", b["name"])
        key = "/".join(p for p in name.split("/") if ":" not in p and p != "real_time")
        if b.get("error_occurred"):
            results[key] = {"error": b.get("error_message", "error")}
            continue
        scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b.get("time_unit", "ns")]
        nbytes = b.get("bytes")
        if not nbytes:
            results[key] = {"ms": b["real_time"] * scale * 1e3}
            continue
        results[key] = {
            "cpu": nbytes / (b["cpu_time"] * scale) / MB,
            "wall": nbytes / (b["real_time"] * scale) / MB,
        }
    return results


GNU_TIME = "/usr/bin/time"


def peak_rss_kib(argv):
    """Peak resident set of one run, in KiB.

    A child forked from Python starts out with Python's own resident set, and Linux carries that
    peak across exec into ru_maxrss. GNU time is a small process, so its report is close to the
    program's own figure; without it the figure is floored at Python's size.
    """
    report = None
    if os.access(GNU_TIME, os.X_OK):
        fd, report = tempfile.mkstemp(prefix="kelvane-rss-")
        os.close(fd)
        argv = [GNU_TIME, "-f", "%M", "-o", report, *argv]
    try:
        proc = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        _, status, usage = os.wait4(proc.pid, 0)
        err = proc.stderr.read().decode(errors="replace").strip()
        proc.stderr.close()
        code = os.waitstatus_to_exitcode(status)
        if code != 0:
            raise RuntimeError(f"{' '.join(argv)} exited {code}: {err}")
        if report is not None:
            with open(report, encoding="ascii") as f:
                return int(f.read().split()[-1])
        return usage.ru_maxrss  # KiB on Linux
    finally:
        if report is not None:
            os.unlink(report)


def write_file(path, mib):
    piece = os.urandom(MIB)
    with open(path, "wb") as f:
        for _ in range(mib):
            f.write(piece)


def measure_rss(cli):
    needed = 2 * (RSS_LARGE_MIB + RSS_SMALL_MIB) * MIB + 64 * MIB
    parent = scratch_parent(needed)
    note_fallback(parent, f"{RSS_LARGE_MIB} MiB memory run")
    work = tempfile.mkdtemp(prefix="kelvane-rss-", dir=parent)
    figures = {}
    try:
        # What the measuring method itself shows for a program that does nothing.
        figures["floor"] = peak_rss_kib(["/bin/true"])
        password_file = os.path.join(work, "password")
        with open(password_file, "w", encoding="utf-8") as f:
            f.write("bench-pw\n")
        for mib in (RSS_SMALL_MIB, RSS_LARGE_MIB):
            plain = os.path.join(work, f"plain-{mib}")
            write_file(plain, mib)
            figures[mib] = peak_rss_kib([cli, "encrypt", "--method", CLI_METHOD, "--password-file", password_file,
                                         "--keep", "--force", plain])
            # Free the RAM before the next, larger file.
            os.unlink(plain)
            os.unlink(plain + ".cry")
    except (OSError, RuntimeError) as e:
        print(f"memory run failed: {e}")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return figures


def timed(argv):
    """(cpu seconds, wall seconds) of one run of argv, which must succeed."""
    begin = time.monotonic()
    proc = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.monotonic() - begin
    err = proc.stderr.read().decode(errors="replace").strip()
    proc.stderr.close()
    if os.waitstatus_to_exitcode(status) != 0:
        raise RuntimeError(f"{' '.join(argv)} failed: {err}")
    return usage.ru_utime + usage.ru_stime, wall


def best_of(argv):
    runs = [timed(argv) for _ in range(USER_RUNS)]
    return min(r[0] for r in runs), min(r[1] for r in runs)


def openssl_has(cipher):
    try:
        done = subprocess.run(["openssl", "enc", cipher, *OPENSSL_PROVIDERS, "-K", "00" * 16, "-iv", "00" * 8,
                               "-in", "/dev/null", "-out", "/dev/null"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    except OSError:
        return False
    return done.returncode == 0


peer_names = {}  # method code -> the peer its whole-file figures were measured against
IDEA_PEER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "idea_peer.py")


def python_idea_available():
    try:
        return subprocess.run([sys.executable, IDEA_PEER, "check"], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0
    except OSError:
        return False


def measure_user_runs(cli):
    """Whole files as users run them: kelvane-cli encrypt/decrypt against openssl enc, per method.

    Returns {(code, "encrypt"|"decrypt"): {"ours": (cpu, wall), "peer": (cpu, wall) or None}}.
    """
    parent = scratch_parent(4 * USER_FILE_MIB * MIB + 64 * MIB)
    note_fallback(parent, f"{USER_FILE_MIB} MiB runs of kelvane-cli and openssl enc")
    work = tempfile.mkdtemp(prefix="kelvane-user-", dir=parent)
    figures = {}
    try:
        password_file = os.path.join(work, "password")
        with open(password_file, "w", encoding="utf-8") as f:
            f.write("bench-pw\n")
        plain = os.path.join(work, "plain.bin")
        write_file(plain, USER_FILE_MIB)
        for code, _ in METHODS:
            cipher, key = OPENSSL_PEERS[code]
            peer = openssl_has(cipher)
            ours_enc = best_of([cli, "encrypt", "--method", code, "--password-file", password_file, "--keep",
                                "--force", plain])
            ours_dec = best_of([cli, "decrypt", "--password-file", password_file, "--keep", "--force",
                                plain + ".cry"])
            peer_enc = peer_dec = None
            peer_names[code] = "openssl enc" if peer else None
            if not peer and code == "idea" and python_idea_available():
                sealed = os.path.join(work, "peer.enc")
                opened = os.path.join(work, "peer.dec")
                common = [sys.executable, IDEA_PEER]
                # The file is whole blocks (USER_FILE_MIB MiB), so no padding is needed.
                peer_enc = best_of([*common, "encrypt", key, plain, sealed])
                peer_dec = best_of([*common, "decrypt", key, sealed, opened])
                os.unlink(sealed)
                os.unlink(opened)
                peer_names[code] = "cryptography (Python)"
            if peer:
                sealed = os.path.join(work, "peer.enc")
                opened = os.path.join(work, "peer.dec")
                common = ["openssl", "enc", cipher, *OPENSSL_PROVIDERS, "-K", key, "-iv", "0" * 16]
                peer_enc = best_of([*common, "-in", plain, "-out", sealed])
                peer_dec = best_of([*common, "-d", "-in", sealed, "-out", opened])
                os.unlink(sealed)
                os.unlink(opened)
            os.unlink(plain + ".cry")
            figures[(code, "encrypt")] = {"ours": ours_enc, "peer": peer_enc}
            figures[(code, "decrypt")] = {"ours": ours_dec, "peer": peer_dec}
    except (OSError, RuntimeError) as e:
        print(f"whole-file runs failed: {e}")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return figures


def main():
    args = sys.argv[1:]
    cli = None
    if "--cli" in args:
        at = args.index("--cli")
        if at + 1 >= len(args):
            print(__doc__.strip())
            return 2
        cli = args[at + 1]
        del args[at:at + 2]
    if len(args) < 1:
        print(__doc__.strip())
        return 2
    bin_dir = args[0]
    bench = os.path.join(bin_dir, "kelvane_bench")
    cli = cli or os.path.join(bin_dir, "kelvane-cli")
    started = time.monotonic()

    results = run_benchmarks(bench)
    print(f"Timing whole {USER_FILE_MIB} MiB files: {cli} against openssl enc...", flush=True)
    user_runs = measure_user_runs(cli)
    print(f"Measuring kelvane-cli peak memory ({RSS_SMALL_MIB} MiB and {RSS_LARGE_MIB} MiB files)...", flush=True)
    rss = measure_rss(cli)

    def rate(key, basis="cpu"):
        r = results.get(key)
        return None if r is None or "error" in r else r[basis]

    def fmt(v, width=9):
        return f"{v:{width}.1f}" if v is not None else f"{'n/a':>{width}}"

    print()
    print("Throughput (MB = 10^6 bytes; ratios use CPU time, so that other work on the machine")
    print("does not count against us; wall-clock figures are shown beside them)")
    print(f"  {'benchmark':<42}{'MB/s cpu':>9}  {'MB/s wall':>9}")
    labels = [
        ("cbc_encrypt/des/kelvane", "DES-CBC encrypt, ours (table)"),
        ("cbc_encrypt/des/openssl", "DES-CBC encrypt, OpenSSL EVP"),
        ("cbc_encrypt/3xdes/kelvane", "Triple DES-CBC encrypt, ours"),
        ("cbc_encrypt/3xdes/openssl", "DES-EDE3-CBC encrypt, OpenSSL EVP"),
        ("cbc_encrypt/idea/kelvane", "IDEA-CBC encrypt, ours"),
        ("cbc_decrypt/des/kelvane", "DES-CBC decrypt, ours"),
        ("cbc_decrypt/3xdes/kelvane", "Triple DES-CBC decrypt, ours"),
        ("cbc_decrypt/idea/kelvane", "IDEA-CBC decrypt, ours one block at a time"),
        ("cbc_decrypt/des/wide", "DES-CBC decrypt, ours many at once"),
        ("cbc_decrypt/des/portable", "DES-CBC decrypt, ours portable bitsliced"),
        ("cbc_decrypt/des/openssl", "DES-CBC decrypt, OpenSSL EVP"),
        ("cbc_decrypt/3xdes/wide", "Triple DES-CBC decrypt, ours many at once"),
        ("cbc_decrypt/3xdes/portable", "Triple DES-CBC decr., ours portable"),
        ("cbc_decrypt/3xdes/openssl", "DES-EDE3-CBC decrypt, OpenSSL EVP"),
        ("cbc_decrypt/idea/wide", "IDEA-CBC decrypt, ours many at once"),
        ("cbc_decrypt/idea/portable", "IDEA-CBC decrypt, ours portable"),
        ("checksum/UpdateChecksum", "UpdateChecksum"),
    ]
    for code, name in METHODS:
        labels.append((f"file_encrypt/{code}", f"EncryptFile {name}, {FILE_MIB} MiB"))
        labels.append((f"file_decrypt/{code}", f"DecryptFile {name}, {FILE_MIB} MiB"))
    for key, name in labels:
        r = results.get(key)
        if r is not None and "error" in r:
            print(f"  {name:<42}ERROR: {r['error']}")
        else:
            print(f"  {name:<42}{fmt(rate(key))}  {fmt(rate(key, 'wall'))}")

    print("  (DecryptFile's CPU figure is its calling thread's only: the checksum runs on a second thread")
    print("  for files of 256 KiB and more; the whole-file runs below count the CPU time of both)")

    goals = []  # (description, measured, goal, unit)

    def ratio(a, b):
        x, y = rate(a), rate(b)
        return x / y if x is not None and y else None

    goals.append(("table DES-CBC / OpenSSL DES-CBC",
                  ratio("cbc_encrypt/des/kelvane", "cbc_encrypt/des/openssl"), 1.0, "x"))
    goals.append(("Triple DES-CBC / OpenSSL DES-EDE3-CBC",
                  ratio("cbc_encrypt/3xdes/kelvane", "cbc_encrypt/3xdes/openssl"), 1.0, "x"))
    goals.append(("raw DES-CBC decrypt, best / OpenSSL EVP",
                  ratio("cbc_decrypt/des/wide", "cbc_decrypt/des/openssl"), 4.0, "x"))
    goals.append(("raw 3DES-CBC decrypt, best / OpenSSL EVP",
                  ratio("cbc_decrypt/3xdes/wide", "cbc_decrypt/3xdes/openssl"), 4.0, "x"))
    # No IDEA in this OpenSSL: our own one-block path is the yardstick for the many-block one.
    goals.append(("raw IDEA-CBC decrypt, best / one-block",
                  ratio("cbc_decrypt/idea/wide", "cbc_decrypt/idea/kelvane"), 3.0, "x"))
    goals.append(("IDEA-CBC / our DES-CBC",
                  ratio("cbc_encrypt/idea/kelvane", "cbc_encrypt/des/kelvane"), 0.9, "x"))
    for code, name in METHODS:
        goals.append((f"EncryptFile {name} / raw CBC encrypt",
                      ratio(f"file_encrypt/{code}", f"cbc_encrypt/{code}/kelvane"), 0.85, "x"))
        # CBC decryption overlaps blocks and runs faster than encryption, so it is the stricter
        # baseline; the ratio to the method's encryption figure is shown as well.
        goals.append((f"DecryptFile {name} / raw CBC decrypt",
                      ratio(f"file_decrypt/{code}", f"cbc_decrypt/{code}/kelvane"), 0.85, "x"))
        goals.append((f"DecryptFile {name} / raw CBC encrypt",
                      ratio(f"file_decrypt/{code}", f"cbc_encrypt/{code}/kelvane"), 0.85, "x"))
    goals.append(("UpdateChecksum", rate("checksum/UpdateChecksum"), 500.0, " MB/s"))

    print()
    print(f"Whole {USER_FILE_MIB} MiB files as users run them, best of {USER_RUNS} (MB/s; the ratio is the peer's")
    print("CPU time over ours: above 1 we are faster)")
    print(f"  {'command':<42}{'ours cpu':>9}  {'ours wall':>9}  {'peer':>9}  {'ratio':>6}")
    size_mb = USER_FILE_MIB * MIB / MB
    for code, name in METHODS:
        for direction in ("encrypt", "decrypt"):
            entry = user_runs.get((code, direction))
            if entry is None:
                continue
            ours_cpu, ours_wall = entry["ours"]
            peer = entry["peer"]
            peer_rate = fmt(size_mb / peer[0]) if peer else f"{'n/a':>9}"
            value = peer[0] / ours_cpu if peer and ours_cpu else None
            shown = f"{value:6.2f}" if value is not None else f"{'n/a':>6}"
            print(f"  {'kelvane-cli ' + direction + ' ' + name:<42}{fmt(size_mb / ours_cpu)}  "
                  f"{fmt(size_mb / ours_wall)}  {peer_rate}  {shown}")
            if peer:
                # Deciphering runs many blocks at once; enciphering is a chain of single blocks.
                needed = 3.0 if direction == "decrypt" else 1.1
                goals.append((f"cli {direction} {name} / {peer_names.get(code) or 'peer'}", value, needed, "x"))
    for key, what in (("pwdb/store", "store"), ("pwdb/recall", "recall and remove")):
        r = results.get(key)
        ms = r.get("ms") if r else None
        print(f"  password database, 10,000 entries, {what}: " + (f"{ms:.1f} ms" if ms is not None else "n/a"))
        # "Well under a second": a tenth of one.
        goals.append((f"10,000-entry database {what} (ops/s)", 1000.0 / ms if ms else None, 10.0, "/s"))

    print()
    print(f"  {'goal':<42}{'measured':>12}  {'needed':>12}  result")
    failed = 0
    for desc, value, goal, unit in goals:
        if value is None:
            verdict, shown = "N/A", "n/a"
        else:
            verdict = "PASS" if value >= goal else "FAIL"
            shown = f"{value:.2f}{unit}" if unit == "x" else f"{value:.0f}{unit}"
        failed += verdict != "PASS"
        needed = f">= {goal:.2f}{unit}" if unit == "x" else f">= {goal:.0f}{unit}"
        print(f"  {desc:<42}{shown:>12}  {needed:>12}  {verdict}")

    small, large = rss.get(RSS_SMALL_MIB), rss.get(RSS_LARGE_MIB)
    if small is not None and large is not None:
        verdict = "PASS" if large <= small + RSS_SLACK_KIB else "FAIL"
        shown = f"{large - small:+d} KiB"
    else:
        verdict, shown = "N/A", "n/a"
    print(f"  {'cli peak RSS, ' + str(RSS_LARGE_MIB) + ' MiB vs ' + str(RSS_SMALL_MIB) + ' MiB file':<42}"
          f"{shown:>12}  {'<= +' + str(RSS_SLACK_KIB) + ' KiB':>12}  {verdict}")
    print()
    print(f"kelvane-cli encrypt --method {CLI_METHOD}, peak resident memory:")
    for key, name in ((RSS_SMALL_MIB, f"{RSS_SMALL_MIB} MiB file"), (RSS_LARGE_MIB, f"{RSS_LARGE_MIB} MiB file"),
                      ("floor", "/bin/true, measured the same way")):
        value = rss.get(key)
        print(f"  {name:<42}{(str(value) + ' KiB') if value is not None else 'n/a':>12}")
    failed += verdict != "PASS"

    print()
    # Wall time well above CPU time means other programs took the processor from us.
    shares = sorted(r["wall"] / r["cpu"] for r in results.values() if "cpu" in r and r["cpu"])
    if shares and shares[len(shares) // 2] < 0.9:
        print(f"NOTE: the machine was busy; the benchmarks got about {shares[len(shares) // 2]:.0%} of a core, "
              "so wall-clock figures are low.")
    print(f"{'All goals met' if failed == 0 else f'{failed} goal(s) missed or not measured'}"
          f" ({time.monotonic() - started:.0f} s).")
    return 0


if __name__ == "__main__":
    sys.exit(main())
