#!/usr/bin/env python3
"""Whole-process wall time of `nivzip x` against `unzip -qo` on the same archive, same run.

    bench/archive_reader/extract_vs_unzip.py BUILD_DIR/tools/nivzip [--size-mb 100]

Generates a corpus of about SIZE MB (thousands of files of mixed sizes and kinds: text,
binary, already compressed, empty), deflates it with zip, then extracts it alternately with
both tools (3 rounds each, fresh destination each time) and prints the best times and their
ratio nivzip/unzip (the target is at most 1.1). Both outputs are compared at the end.
"""
import hashlib, os, random, shutil, subprocess, sys, tempfile, time


def make_corpus(root, size_mb):
    rnd = random.Random(7)
    words = [bytes(rnd.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rnd.randint(2, 9)))
             for _ in range(3000)]
    total, n = 0, 0
    while total < size_mb * 1024 * 1024:
        kind = n % 10
        size = int(rnd.paretovariate(1.2) * 4000) if kind else 0
        size = min(size, 4 * 1024 * 1024)
        if kind < 6:
            out = bytearray()
            while len(out) < size:
                out += b" ".join(rnd.choice(words) for _ in range(12)) + b"\n"
            data = bytes(out[:size])
        elif kind < 9:
            data = rnd.randbytes(size)
        else:
            data = b""
        d = os.path.join(root, "d%02d" % (n % 40), "s%d" % (n % 7))
        os.makedirs(d, exist_ok=True)
        with open(os.path.join(d, "f%05d.%s" % (n, "txt" if kind < 6 else "bin")), "wb") as f:
            f.write(data)
        total += len(data)
        n += 1
    return n, total


def tree(root):
    out = {}
    for d, _, names in os.walk(root):
        for name in names:
            p = os.path.join(d, name)
            with open(p, "rb") as f:
                out[os.path.relpath(p, root)] = hashlib.sha256(f.read()).hexdigest()
    return out


def timed(cmd, cwd=None):
    start = time.perf_counter()
    subprocess.run(cmd, cwd=cwd, check=False, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        sys.exit(2)
    nivzip = os.path.abspath(sys.argv[1])
    size_mb = int(sys.argv[sys.argv.index("--size-mb") + 1]) if "--size-mb" in sys.argv else 100
    work = tempfile.mkdtemp(prefix="nivzip-extract-bench-")
    try:
        src = os.path.join(work, "src")
        files, total = make_corpus(src, size_mb)
        archive = os.path.join(work, "corpus.zip")
        subprocess.run(["zip", "-r", "-q", archive, "."], cwd=src, check=True)
        print("corpus: %d files, %.1f MB, archive %.1f MB" %
              (files, total / 2**20, os.path.getsize(archive) / 2**20))
        best = {"nivzip": 1e9, "unzip": 1e9}
        for _ in range(3):
            for tool in ("nivzip", "unzip"):
                dest = os.path.join(work, "out-" + tool)
                shutil.rmtree(dest, ignore_errors=True)
                os.makedirs(dest)
                if tool == "nivzip":
                    t = timed([nivzip, "x", archive, dest])
                else:
                    t = timed(["unzip", "-qo", archive, "-d", dest])
                best[tool] = min(best[tool], t)
        same = tree(os.path.join(work, "out-nivzip")) == tree(os.path.join(work, "out-unzip"))
        print("nivzip x: %.2f s   unzip -qo: %.2f s   ratio %.2f   outputs %s" %
              (best["nivzip"], best["unzip"], best["nivzip"] / best["unzip"],
               "identical" if same else "DIFFER"))
    finally:
        shutil.rmtree(work, ignore_errors=True)


main()
