#!/usr/bin/env python3
"""nividf dump, save and tree on host files: exact output, failures with exit codes."""
import os
import subprocess
import sys
import tempfile

nividf = sys.argv[1]
failures = []


def check(what, got, expected):
    if got != expected:
        failures.append(f"{what}:\n  got      {got!r}\n  expected {expected!r}")


with tempfile.TemporaryDirectory() as tmp:
    good = os.path.join(tmp, "setup.idf")
    text = (b"IDF-FPS-text\r\n\r\nSystem= NIV\r\n[Params]\r\nDefault dir =C:\\NIVSystems\r\n"
            b"flag=\r\n[T]-tree\r\nn=INTEGER=1\r\nb=boolean=TRUE\r\nx=BINARY=ff\r\n"
            b"[\xd0\xf3\xf1]\r\nk=a\"\x01b\r\n")
    with open(good, "wb") as f:
        f.write(text)
    run = subprocess.run([nividf, "dump", good], capture_output=True)
    check("dump exit code", run.returncode, 0)
    check("dump output", run.stdout.decode("utf-8"),
          'root\n  "System" string " NIV"\n'
          'section "Params" plain\n  "Default dir " string "C:\\\\NIVSystems"\n'
          '  "flag" string ""\n'
          'section "T" tree\n  "n" integer "1"\n  "b" boolean "1"\n  "x" binary "ff"\n'
          'section "Рус" plain\n  "k" string "a\\"\\x01b"\n')

    out = os.path.join(tmp, "out.idf")
    run = subprocess.run([nividf, "save", good, out], capture_output=True)
    check("save exit code", run.returncode, 0)
    with open(out, "rb") as f:
        check("saved bytes", f.read(), text.replace(b"INTEGER=", b"").replace(
            b"boolean=TRUE", b"1").replace(b"x=BINARY=ff\r\n", b""))

    bad = os.path.join(tmp, "bad.idf")
    with open(bad, "wb") as f:
        f.write(b"IDF-CPS-text\r\nnot empty\r\n")
    for args in (["dump", bad], ["dump", os.path.join(tmp, "missing.idf")], ["save", bad, out]):
        run = subprocess.run([nividf] + args, capture_output=True)
        check(f"{args[0]} {os.path.basename(args[1])} exit code", run.returncode, 1)
        check(f"{args[0]} {os.path.basename(args[1])} says why", run.stderr.startswith(b"nividf: "), True)

# The tree of the demo distribution: children indented under their parents, then the outcome.
demo = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "demo", "setup.idf")
run = subprocess.run([nividf, "tree", demo], capture_output=True)
check("tree exit code", run.returncode, 0)
lines = run.stdout.decode("utf-8").splitlines()
check("tree: a child under its parent", [l.split(" [")[0] for l in lines[1:4]], ["2", "  3", "  4"])
check("tree: outcome", lines[-2:], ["10 subsystems", "loaded"])
run = subprocess.run([nividf, "tree", os.path.join(tempfile.gettempdir(), "no-such.idf")],
                     capture_output=True)
check("tree of a missing file exit code", run.returncode, 2)

if failures:
    print("\n".join(failures))
    sys.exit(1)
print("nividf: all checks passed")
