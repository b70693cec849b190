"""Shared helpers of bench/run-corpora and bench/compare-results: finding or
building numpl-analyse, choosing sample lines from the corpora, running the
analyser over them, and the solution counts the corpora are known to have."""

import math
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

BENCH_DIR = os.path.dirname(os.path.abspath(__file__))
REPO_DIR = os.path.dirname(BENCH_DIR)
DEFAULT_CORPORA = os.path.normpath(os.path.join(REPO_DIR, "..", "shared", "corpora"))
DEFAULT_BUILD_DIR = os.path.join(REPO_DIR, "build-bench")

# Skipped test, in CTest's SKIP_RETURN_CODE (the automake convention).
EXIT_SKIP = 77


def fail(message):
    print("error: " + message, file=sys.stderr)
    sys.exit(2)


# ==== The analyser ====

def build_analyser(build_dir):
    """Configures (once) and builds a Release numpl-analyse in build_dir."""
    if not os.path.exists(os.path.join(build_dir, "CMakeCache.txt")):
        subprocess.run(["cmake", "-S", REPO_DIR, "-B", build_dir, "-DCMAKE_BUILD_TYPE=Release"],
                       check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build_dir, "--target", "numpl-analyse", "-j", "2"],
                   check=True, stdout=subprocess.DEVNULL)
    path = os.path.join(build_dir, "tools", "numpl-analyse")
    if not os.access(path, os.X_OK):
        fail("the build left no %s" % path)
    return path


def build_type(analyser):
    """CMAKE_BUILD_TYPE of the build tree the analyser came from, or None."""
    cache = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(analyser))), "CMakeCache.txt")
    try:
        with open(cache, encoding="utf-8") as f:
            for line in f:
                if line.startswith("CMAKE_BUILD_TYPE:"):
                    return line.split("=", 1)[1].strip()
    except OSError:
        pass
    return None


def resolve_analyser(args):
    """The analyser named on the command line, or a freshly built one."""
    if args.analyser:
        if not os.access(args.analyser, os.X_OK):
            fail("no executable numpl-analyse at %s" % args.analyser)
        return os.path.abspath(args.analyser)
    return build_analyser(args.build_dir)


class Result:
    """One output line of numpl-analyse."""

    def __init__(self, line):
        fields = line.rstrip("\n").split("\t")
        self.raw = fields
        self.kind = fields[0] if fields[0] in ("timeout", "error") else "done"
        self.count = None
        self.branches = None
        self.micros = None
        if self.kind == "done":
            self.count = int(fields[0])
            self.branches = int(fields[5])
            self.micros = int(fields[7])
        elif self.kind == "timeout":
            self.count = int(fields[1])
            self.micros = int(fields[2])

    def without_time(self):
        """Every field but the microseconds: what two builds must agree on."""
        if self.kind == "done":
            return "\t".join(self.raw[:7])
        if self.kind == "timeout":
            return "timeout\t" + self.raw[1]
        return "\t".join(self.raw)


class Run:
    """The outcome of one numpl-analyse process over a list of puzzles."""

    def __init__(self, results, seconds, max_rss_kib, exit_status, stderr):
        self.results = results          # one Result per puzzle, in input order
        self.seconds = seconds          # wall time of the whole process
        self.max_rss_kib = max_rss_kib  # peak resident memory, None without /usr/bin/time
        self.exit_status = exit_status
        self.stderr = stderr


TIME_PROGRAM = "/usr/bin/time"


def run_analyser(analyser, puzzles, threads, timeout=None, env=None):
    """Runs numpl-analyse once over the puzzle lines. Measures peak memory
    through GNU time's verbose report when it is installed."""
    command = [analyser, "--threads", str(threads)]
    if timeout is not None:
        command += ["--timeout", str(timeout)]
    report = None
    if os.access(TIME_PROGRAM, os.X_OK):
        handle, report = tempfile.mkstemp(prefix="numpl-time-")
        os.close(handle)
        command = [TIME_PROGRAM, "-v", "-o", report] + command
    started = time.monotonic()
    process = subprocess.run(command, input="".join(p + "\n" for p in puzzles), capture_output=True,
                             text=True, env=env)
    seconds = time.monotonic() - started
    max_rss = None
    if report is not None:
        with open(report, encoding="utf-8") as f:
            match = re.search(r"Maximum resident set size \(kbytes\): (\d+)", f.read())
        os.unlink(report)
        if match:
            max_rss = int(match.group(1))
    results = [Result(line) for line in process.stdout.splitlines()]
    if len(results) != len(puzzles):
        fail("numpl-analyse gave %d lines for %d puzzles (exit %d): %s"
             % (len(results), len(puzzles), process.returncode, process.stderr.strip()))
    return Run(results, seconds, max_rss, process.returncode, process.stderr)


# ==== Corpora and samples ====

def read_lines(corpora, name):
    path = os.path.join(corpora, name)
    with open(path, encoding="ascii") as f:
        return [line.rstrip("\r\n") for line in f]


def select_lines(total, every=1, first=1, last=None):
    """1-based line numbers first, first+every, ... up to last (default: the
    end of the file)."""
    last = total if last is None else min(last, total)
    return list(range(first, last + 1, every))


def describe_selection(every, first, last, total):
    """The words RESULTS.md uses for a sample."""
    end = total if last is None else min(last, total)
    if every == 1:
        if first == 1 and end == total:
            return "all"
        return "line %d" % first if first == end else "lines %d-%d" % (first, end)
    text = "every %d%s line from line %d" % (every, ordinal_suffix(every), first)
    return text if end == total else text + " to %d" % end


def ordinal_suffix(k):
    if 10 <= k % 100 <= 20:
        return "th"
    return {1: "st", 2: "nd", 3: "rd"}.get(k % 10, "th")


# Expected count of a line: ("eq", v) exactly v, ("ge", v) at least v, None
# when nothing is known.
UNIQUE = ("eq", 1)

# 25x25-gecode.txt: proved unique, or one solution found and a second not
# ruled out, per corpora/SOURCES.md; lines 10 and 16 are open.
GECODE_25_UNIQUE = {1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 13, 14, 17, 18}
GECODE_25_SOME = {9, 15}


class Expectations:
    """What corpora/SOURCES.md and corpora/expected/ say about each line."""

    def __init__(self, corpora):
        self.corpora = corpora
        self.tables = {}

    def table(self, name):
        if name not in self.tables:
            path = os.path.join(self.corpora, "expected", name)
            with open(path, encoding="ascii") as f:
                self.tables[name] = [line.strip() for line in f]
        return self.tables[name]

    def of(self, corpus, line):
        if corpus == "9x9-serg-benchmark.txt":
            value = self.table("9x9-serg-benchmark.count1000.txt")[line - 1]
            # The search stops at 1000, as the analyser does.
            return ("eq", 1000) if value == "1000+" else ("eq", int(value))
        if corpus in ("16x16-lloyd-acs.txt", "25x25-lloyd-acs.txt"):
            value = self.table(corpus.replace(".txt", ".count2.txt"))[line - 1]
            return UNIQUE if value == "1" else ("ge", 2)
        if corpus == "25x25-gecode.txt":
            if line in GECODE_25_UNIQUE:
                return UNIQUE
            return ("ge", 1) if line in GECODE_25_SOME else None
        # The tdoku sets, the janko set and the *-unique sets.
        return UNIQUE


def check_count(expected, result):
    """None when the result agrees with what is known, else a reason. A
    timed-out count is a lower bound and only has to stay within an exact
    expectation."""
    if expected is None or result.kind == "error":
        return None if expected is None else "error line: " + "\t".join(result.raw)
    relation, value = expected
    if result.kind == "timeout":
        if relation == "eq" and result.count > value:
            return "timed out at %d, more than the known %d" % (result.count, value)
        return None
    if relation == "eq" and result.count != value:
        return "count %d, known %d" % (result.count, value)
    if relation == "ge" and result.count < value:
        return "count %d, known at least %d" % (result.count, value)
    return None


def describe_expected(expected):
    if expected is None:
        return "unknown"
    relation, value = expected
    return str(value) if relation == "eq" else ">=%d" % value


# ==== Figures ====

def percentile(sorted_values, fraction):
    """Nearest-rank percentile: the smallest value with at least `fraction`
    of the values at or below it."""
    if not sorted_values:
        return None
    rank = max(1, math.ceil(fraction * len(sorted_values)))
    return sorted_values[rank - 1]


def summarise(run):
    """Figures of one run over the puzzles that finished."""
    finished = [r for r in run.results if r.kind == "done"]
    times = sorted(r.micros for r in finished)
    return {
        "puzzles": len(run.results),
        "finished": len(finished),
        "timeouts": sum(1 for r in run.results if r.kind == "timeout"),
        "median": statistics.median(times) if times else None,
        "p90": percentile(times, 0.9),
        "max": times[-1] if times else None,
        "per_second": len(run.results) / run.seconds if run.seconds > 0 else None,
        "mean_branches": statistics.mean(r.branches for r in finished) if finished else None,
        "seconds": run.seconds,
        "max_rss_kib": run.max_rss_kib,
    }


def machine_load():
    try:
        with open("/proc/loadavg", encoding="ascii") as f:
            return " ".join(f.read().split()[:3])
    except OSError:
        return "unknown"
