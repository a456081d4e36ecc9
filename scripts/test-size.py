#!/usr/bin/env python3
"""Test lines against program lines, in total and per subsystem (tests/<sub> against <sub>).

Counts the lines of the files git tracks: tests/ (.cpp .h .sh .py) against the program folders
(.cpp .h). Fuzz harnesses, their corpora and benchmarks are not tests and do not count."""
import os
import subprocess
import sys

PROGRAM = ["platform", "taskdb", "zip", "ui", "outlooksync", "app"]
TEST_EXT = (".cpp", ".h", ".sh", ".py")
CODE_EXT = (".cpp", ".h")
NOT_TESTS = {"fuzz", "bench", "corpus", "corpora"}


def tracked(root, folder):
    out = subprocess.run(["git", "-C", root, "ls-files", "-z", "--", folder],
                         capture_output=True, check=True).stdout
    return [p for p in out.decode().split("\0") if p]


def lines(root, path):
    with open(os.path.join(root, path), "rb") as f:
        return f.read().count(b"\n")


def main():
    root = subprocess.run(["git", "rev-parse", "--show-toplevel"], capture_output=True,
                          text=True, check=True).stdout.strip()
    code = {sub: sum(lines(root, p) for p in tracked(root, sub) if p.endswith(CODE_EXT))
            for sub in PROGRAM}
    tests = {}
    for p in tracked(root, "tests"):
        parts = p.split("/")
        if not p.endswith(TEST_EXT) or NOT_TESTS.intersection(parts[1:-1]):
            continue
        sub = parts[1] if len(parts) > 2 else "(shared)"
        tests[sub] = tests.get(sub, 0) + lines(root, p)

    def row(name, t, c):
        share = "%5.1f%%" % (100.0 * t / c) if c else "    -"
        return "%-12s %7d %8d  %s" % (name, t, c, share)

    print("%-12s %7s %8s  %s" % ("subsystem", "tests", "program", "share"))
    for sub in PROGRAM + sorted(set(tests) - set(PROGRAM)):
        print(row(sub, tests.get(sub, 0), code.get(sub, 0)))
    total_t, total_c = sum(tests.values()), sum(code.values())
    print(row("total", total_t, total_c))
    print("budget: at most 33%% of program lines, %d test lines" % (total_c * 33 // 100))
    return 0


if __name__ == "__main__":
    sys.exit(main())
