#!/usr/bin/env python3
"""Runs numpl-analyse as a user would and checks its lines, exit status and
options: skipped lines, malformed lines, grids that do not load, solution
counts known independently, solutions that are valid grids, the thread-count
options and the timeout."""

import subprocess
import sys

ANALYSER = sys.argv[1:]  # the program, behind an emulator when cross-built

LOCKED = "..9.....3.....9...7.....5.6..65..4.....3......28......3..75.6..6...........12.3.8"


def run(lines, *options, expect_status):
    done = subprocess.run(ANALYSER + list(options), input="\n".join(lines) + "\n",
                          capture_output=True, text=True, timeout=120)
    assert done.returncode == expect_status, f"exit {done.returncode}, stderr {done.stderr!r}"
    if expect_status != 2:
        assert "puzzles" in done.stderr, f"no summary on standard error: {done.stderr!r}"
    return [line.rstrip("\r").split("\t") for line in done.stdout.splitlines()]


def symbols(n):
    return ".123456789ABCDEFGHIJKLMNOP"[1:n * n + 1]


def check_solution(givens, solution, n):
    side = n * n
    assert len(solution) == side * side, solution
    rows = [solution[r * side:(r + 1) * side] for r in range(side)]
    units = rows + ["".join(row[c] for row in rows) for c in range(side)]
    for b in range(side):
        top, left = n * (b // n), n * (b % n)
        units.append("".join(rows[top + i // n][left + i % n] for i in range(side)))
    for unit in units:
        assert sorted(unit) == sorted(symbols(n)), f"unit {unit} of {solution}"
    for g, s in zip(givens.upper(), solution):
        assert g in ".0" or g == s, f"given {g} replaced by {s}"


def main():
    duplicate = "11" + "." * 79
    too_big = "G" + "." * 80
    empty4 = "." * 16
    lines = ["# a comment", "", LOCKED, "123", duplicate, too_big, empty4, "xy" + "." * 79]
    out = run(lines, "--threads", "2", expect_status=1)
    assert len(out) == 6, out
    locked, bad_length, dup, big, four, bad_char = out

    # One solution (checked by hand and by an independent backtracking solver).
    assert locked[0] == "1" and len(locked) == 8, locked
    check_solution(LOCKED, locked[6], 3)
    assert all(int(x) >= 0 for x in locked[1:6] + [locked[7]]), locked

    assert bad_length[0] == "error" and len(bad_length) == 2 and bad_length[1], bad_length
    assert bad_char[0] == "error" and len(bad_char) == 2, bad_char
    assert dup[:7] == ["0", "0", "0", "0", "0", "0", "-"], dup
    assert big[:7] == ["0", "0", "0", "0", "0", "0", "-"], big

    # The 4x4 grid has exactly 288 completions.
    assert four[0] == "288", four
    check_solution(empty4, four[6], 2)

    # Thread counts do not change the count or the solution; out-of-range
    # counts are clamped, not refused.
    for threads in ("1", "0", "500"):
        again = run([LOCKED], "--threads", threads, expect_status=0)
        assert again[0][0] == "1" and again[0][6] == locked[6], (threads, again)

    # The empty 25x25 grid needs seconds to reach 1000 solutions.
    timed = run(["." * 625], "--timeout", "0.05", expect_status=0)
    assert timed[0][0] == "timeout" and len(timed[0]) == 3, timed
    assert 0 <= int(timed[0][1]) < 1000, timed

    # Bad options are refused before any input is read.
    run([], "--threads", expect_status=2)
    run([], "--timeout", "-1", expect_status=2)
    print("1 passed, 0 failed")


if __name__ == "__main__":
    main()
