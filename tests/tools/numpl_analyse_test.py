#!/usr/bin/env python3
"""Runs numpl-analyse as a user would and checks its lines, exit status and
options: skipped lines, the forms a puzzle line may take, malformed lines and
their reasons, grids that do not load, solution counts known independently,
solutions that are valid grids, the second solution, the minimal puzzle, the
stage map, the pictures, the thread-count and jobs options and the timeout."""

import os
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

ANALYSER = sys.argv[1:]  # the program, behind an emulator when cross-built

# A minimal 25x25 puzzle (one of Alain Frisch's, as the Gecode examples carry
# it): its analysis takes far longer than a second.
HARD25 = (
    "...G...9..4.....6F..L8...CEIN.HDM.OF.1L..A..9PJ.4......A...L..JBN.2.D.1...HP49...JB23.AD..7E..C5F...A1H....F.N5....I.BL...26."
    "....7..C.6...H4B..1....I5.F.P...I..B..7.5.L...9....L6A...5OF.8P...K.NE..734B2.E..L...1J.5....O7.K.APO.5.CB1.P....3EM....2L.H."
    "2..MJ.A...9.3.7......P.8C.....CF.DPG62N.E...OH.M.J.DL..OM..IE.B8..NH...3..K.CO1F.B.N.AH..P.78.JE...DE..6.....H......4M.KIB9.."
    "N.J..6......C..1.5.G..H.....75LG...6..1..CI..4.E..9K..6.....HGN.O2P.4.......OA..IP849...2.K3...7GN....G....N...P.D9....A...C1"
    "J...M.NAFE.4..23.7....8L......J.H9CD1LP..GO....4ME48NK..5.M......JL.......9.I.OG....835.A.DH..P.....35......L.J..E....8IG.67B"
)

LOCKED = "..9.....3.....9...7.....5.6..65..4.....3......28......3..75.6..6...........12.3.8"


def run(lines, *options, expect_status):
    return run_raw(lines, *options, expect_status=expect_status)[0]


def run_raw(lines, *options, expect_status):
    done = subprocess.run(ANALYSER + list(options), input=("\n".join(lines) + "\n").encode(),
                          capture_output=True, timeout=120)
    done.stdout, done.stderr = done.stdout.decode(), done.stderr.decode()
    assert done.returncode == expect_status, f"exit {done.returncode}, stderr {done.stderr!r}"
    if expect_status != 2:
        assert "puzzles" in done.stderr, f"no summary on standard error: {done.stderr!r}"
    return [line.rstrip("\r").split("\t") for line in done.stdout.splitlines()], done.stderr


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


def known_answers():
    """(grid, threads, expected fields 1-7) from tests/data/known-answers.txt."""
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "known-answers.txt")
    rows = []
    with open(path, encoding="utf-8") as data:
        for line in data:
            if line.startswith("#") or not line.strip():
                continue
            fields = line.rstrip("\n").split("\t")
            rows.append((fields[0], fields[1], fields[2:9]))
    return rows


def check_known_answers():
    """The published figures of whole analyses, at 1 and 2 threads, exactly
    as the analysis tests pin them; with --jobs the lines are analysed
    several at once, and a line that times out or is malformed in the middle
    keeps its place."""
    rows = known_answers()
    assert len(rows) >= 60, len(rows)
    for threads in ("1", "2"):
        wanted = [row for row in rows if row[1] == threads]
        out = run([row[0] for row in wanted], "--threads", threads, expect_status=0)
        assert len(out) == len(wanted), (threads, len(out))
        for (grid, _, expected), got in zip(wanted, out):
            assert got[:7] == expected, (grid, threads, got[:7], expected)
        middle = len(wanted) // 2
        lines = [row[0] for row in wanted[:middle]] + [HARD25, "123"] + [row[0] for row in wanted[middle:]]
        # Long enough for every known answer even under a sanitizer; the
        # 25x25 puzzle takes minutes.
        out = run(lines, "--threads", threads, "--jobs", "3", "--timeout", "5", expect_status=1)
        assert len(out) == len(lines), (threads, len(out))
        assert out[middle][0] == "timeout" and out[middle + 1][0] == "error", out[middle:middle + 2]
        for (grid, _, expected), got in zip(wanted, out[:middle] + out[middle + 2:]):
            assert got[:7] == expected, (grid, threads, "--jobs 3", got[:7], expected)


def check_line_forms(locked):
    """Each way of writing the same grid on one line gives the plain line's
    figures; blank, comment-only and whitespace-only lines are skipped."""
    sixteen = next(row[0] for row in known_answers() if len(row[0]) == 256 and row[1] == "1")
    numbers = " ".join(str(".123456789ABCDEFG".index(ch)) if ch != "." else "." for ch in sixteen)
    forms = [
        "\ufeff" + LOCKED,
        LOCKED + " \t",
        LOCKED + "\r",
        LOCKED + "  Easy #12",
        LOCKED + " 3.2",
        LOCKED.replace(".", "0"),
        "|".join(LOCKED[i:i + 3] for i in range(0, 81, 3)),
        " ".join(LOCKED[i:i + 9] for i in range(0, 81, 9)) + " # row by row",
    ]
    out = run(["  # indented comment", " \t ", ""] + forms, "--threads", "1", expect_status=0)
    assert len(out) == len(forms), out
    for form, got in zip(forms, out):
        assert got[:7] == locked[:7], (form, got)
    plain, lower, spelled = run([sixteen, sixteen.lower(), numbers], "--threads", "1", expect_status=0)
    assert lower[:7] == plain[:7] and spelled[:7] == plain[:7], (plain, lower, spelled)


def check_errors():
    """Malformed lines are refused with a reason that says where and why; a
    repeated digit, or a digit above N on an exact one-line grid, is not
    malformed and still gets its count of 0."""
    cases = [
        ("123", "line 1 holds 3 cells"),
        ("." * 80 + "G Easy", "row 9, column 9: 16 is above 9"),
        ("0 0 10 " + "0 " * 13, "row 1, column 3: 10 is above 4"),
        ("." * 80 + "\t7 8", "holds 82 cells"),
        ("1.3.5.7.9", "ends after 1 of the 9 rows"),
        ("xy" + "." * 79, "no puzzle"),
        ("-----+-----", "no puzzle"),
    ]
    refused = ["11" + "." * 79, "G" + "." * 80]
    out = run([line for line, _ in cases] + refused, expect_status=1)
    assert len(out) == len(cases) + len(refused), out
    for (line, reason), got in zip(cases, out):
        assert got[0] == "error" and len(got) == 2 and reason in got[1], (line, got)
    for line, got in zip(refused, out[len(cases):]):
        assert got[:7] == ["0", "0", "0", "0", "0", "0", "-"], (line, got)


def check_second(empty4):
    """--second adds the second solution, a valid grid other than the first,
    or '-' below two solutions; without it the line keeps its eight fields."""
    duplicate = "11" + "." * 79
    plain = run([empty4], expect_status=0)
    assert len(plain[0]) == 8, plain
    four, locked, dup = run([empty4, LOCKED, duplicate], "--second", expect_status=0)
    assert len(four) == 9 and four[0] == "288", four
    check_solution(empty4, four[8], 2)
    assert four[8] != four[6], four
    assert locked[0] == "1" and locked[8] == "-", locked
    assert dup[0] == "0" and dup[8] == "-", dup
    timed = run([HARD25], "--second", "--timeout", "0.05", expect_status=0)
    assert timed[0][0] == "timeout" and len(timed[0]) == 3, timed


def check_pictures():
    """--svg draws every line that holds a puzzle as DIR/NNNN.svg, named by
    the line's number in the input, while the output keeps its order under
    --jobs; each picture parses as XML and holds the grid's thick lines and
    one text per given. A picture that cannot take its name is reported
    with status 4 and leaves no temporary file; a missing folder is a bad
    option."""
    ns = "{http://www.w3.org/2000/svg}"
    sixteen, _, expected = next(row for row in known_answers() if len(row[0]) == 256)
    lines = ["# comment", LOCKED, "", "123", sixteen, HARD25, "11" + "." * 79]
    pictures = {"0002.svg": (LOCKED, 3), "0005.svg": (sixteen, 4), "0006.svg": (HARD25, 5),
                "0007.svg": ("11" + "." * 79, 3)}
    folder = tempfile.mkdtemp(prefix="numpl-svg-")
    try:
        with open(os.path.join(folder, "0002.svg"), "w") as old:
            old.write("an older picture, replaced")
        # The timeout is long enough for the 16x16 grid even under a sanitizer.
        out = run(lines, "--svg", folder, "--jobs", "2", "--timeout", "5", expect_status=1)
        assert [line[0] for line in out] == ["1", "error", expected[0], "timeout", "0"], out
        assert sorted(os.listdir(folder)) == sorted(pictures), os.listdir(folder)
        for name, (grid, n) in pictures.items():
            root = ElementTree.parse(os.path.join(folder, name)).getroot()
            groups = {g.get("id"): g for g in root.iter(ns + "g")}
            assert len(groups["box-lines"].findall(ns + "line")) == 2 * (n + 1), name
            texts = [t.text for t in groups["digits"].findall(ns + "text")]
            assert texts == [ch.upper() for ch in grid if ch not in ".0"], (name, texts)

        os.remove(os.path.join(folder, "0005.svg"))
        os.mkdir(os.path.join(folder, "0005.svg"))
        _, errors = run_raw([LOCKED] * 6, "--svg", folder, expect_status=4)
        assert "0005.svg" in errors, errors
        assert not [name for name in os.listdir(folder) if name.endswith(".tmp")], os.listdir(folder)
        assert os.path.isfile(os.path.join(folder, "0006.svg")), "the lines after a failure lost their pictures"
    finally:
        shutil.rmtree(folder)
    run([LOCKED], "--svg", os.path.join(folder, "missing"), expect_status=2)

def check_minimal(empty4):
    """--minimal follows --second: a subset of the givens with the same one solution in which every given is
    needed (by the tool's own count), the same with --jobs; '-' unless the count is 1; under --timeout."""
    solved = run([LOCKED], expect_status=0)[0][6]
    padded = "".join(s if i % 3 == 0 else g for i, (g, s) in enumerate(zip(LOCKED, solved)))
    lines = [padded, LOCKED, empty4, "11" + "." * 79]
    out = run(lines, "--minimal", "--second", expect_status=0)
    jobs = run(lines, "--minimal", "--jobs", "3", expect_status=0)
    assert [got[9] for got in out] == [got[8] for got in jobs] and out[1][9] == LOCKED, (out, jobs)
    assert [got[9] for got in out[2:]] == ["-", "-"] and out[0][9].count(".") > padded.count("."), out
    minimal = out[0][9]
    assert all(m == "." or m == g for m, g in zip(minimal, padded)), (padded, minimal)
    again = run([minimal] + [minimal[:i] + "." + minimal[i + 1:] for i, m in enumerate(minimal) if m != "."],
                expect_status=0)
    assert again[0][0] == "1" and again[0][6] == out[0][6] and all(int(row[0]) > 1 for row in again[1:]), again
    # An analysis of a tenth of a second, and a minimisation of many seconds.
    slow = next(row[0] for row in known_answers() if len(row[0]) == 625 and row[2][0] == "1")
    timed = run([slow], "--minimal", "--timeout", "5", expect_status=0)
    assert timed[0][:2] == ["timeout", "1"] and len(timed[0]) == 3, timed


def check_map():
    """--map follows --second whatever the order: 'g' on the givens, no stage on
    more cells than its counter (as many without a branch), '-' if unsolved."""
    rows = [row for row in known_answers() if row[1] == "2"]
    out = run([row[0] for row in rows], "--map", "--second", "--threads", "2", expect_status=0)
    for (grid, _, expected), got in zip(rows, out):
        assert len(got) == 10 and got[:7] == expected and (got[0] != "0" or got[9] == "-"), (grid, got)
        cells, counters = [got[9].count(c) for c in "1234b"], [int(x) for x in got[1:6]]
        if got[0] != "0":
            assert [c == "g" for c in got[9]] == [g != "." for g in grid] and sum(cells) == grid.count("."), got
            assert all(n == c if counters[4] == 0 else n <= c for n, c in zip(cells, counters)), (grid, got)


def main():
    duplicate = "11" + "." * 79
    empty4 = "." * 16
    lines = ["# a comment", "", LOCKED, "123", duplicate, empty4, "xy" + "." * 79]
    out = run(lines, "--threads", "2", expect_status=1)
    assert len(out) == 5, out
    locked, bad_length, dup, four, bad_char = out

    # One solution (checked by hand and by an independent backtracking solver).
    assert locked[0] == "1" and len(locked) == 8, locked
    check_solution(LOCKED, locked[6], 3)
    assert all(int(x) >= 0 for x in locked[1:6] + [locked[7]]), locked

    assert bad_length[0] == "error" and len(bad_length) == 2 and bad_length[1], bad_length
    assert bad_char[0] == "error" and len(bad_char) == 2, bad_char
    assert dup[:7] == ["0", "0", "0", "0", "0", "0", "-"], dup

    # The 4x4 grid has exactly 288 completions.
    assert four[0] == "288", four
    check_solution(empty4, four[6], 2)

    # Thread counts do not change the count or the solution; out-of-range
    # counts are clamped, not refused.
    for threads in ("1", "0", "500"):
        again = run([LOCKED], "--threads", threads, expect_status=0)
        assert again[0][0] == "1" and again[0][6] == locked[6], (threads, again)

    timed = run([HARD25], "--timeout", "0.05", expect_status=0)
    assert timed[0][0] == "timeout" and len(timed[0]) == 3, timed
    assert 0 <= int(timed[0][1]) <= 1, timed

    check_line_forms(locked)
    check_errors()
    check_second(empty4)
    check_minimal(empty4)
    check_map()
    check_known_answers()
    check_pictures()

    # Bad options are refused before any input is read.
    run([], "--threads", expect_status=2)
    run([], "--timeout", "-1", expect_status=2)
    run([], "--jobs", "two", expect_status=2)
    print("1 passed, 0 failed")


if __name__ == "__main__":
    main()
