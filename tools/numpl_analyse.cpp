// numpl-analyse: rates a collection of puzzles from standard input, one line
// per puzzle, with the same analysis the window runs. Puzzle makers use it on
// whole collections; the benchmarks use it on the corpora.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

#include "analysis/puzzle.h"
#include "analysis/puzzle_text.h"
#include "analysis/search.h"

#ifdef _WIN32
#include <io.h>
#define NUMPL_ISATTY _isatty
#define NUMPL_FILENO _fileno
#else
#include <unistd.h>
#define NUMPL_ISATTY isatty
#define NUMPL_FILENO fileno
#endif

namespace {

using Clock = std::chrono::steady_clock;

const char USAGE[] =
    "usage: numpl-analyse [--threads N] [--timeout S] < puzzles\n"
    "\n"
    "Reads one puzzle per line: 16, 81, 256 or 625 characters, row by row;\n"
    "'.' or '0' is an empty cell, '1'-'9' are 1-9, 'A'-'P' (either case) are\n"
    "10-25. Blank lines and lines starting with '#' are skipped.\n"
    "\n"
    "Writes one tab-separated line per puzzle: the solution count (0 to 1000,\n"
    "1000 meaning 1000 or more), the single, basic, pair/triple, assumption and\n"
    "branch counters at the first solution, the first solution ('-' when there\n"
    "is none) and the analysis time in microseconds. A malformed line gives\n"
    "'error<TAB>reason'; an analysis stopped by --timeout gives\n"
    "'timeout<TAB>count so far<TAB>microseconds'.\n"
    "\n"
    "  --threads N   threads of the assumption method, 1..128 (default: the\n"
    "                OpenMP runtime's maximum)\n"
    "  --timeout S   stop an analysis after S seconds (default: no limit)\n"
    "  --help        this text\n"
    "\n"
    "Exit status: 0, or 1 when some line was malformed, 2 for bad options.\n";

struct Options {
    int threads;
    double timeoutSeconds; // 0: no limit
};

// A watchdog thread that raises cancelRequested of the puzzle being analysed
// once its deadline passes: the same path by which the window stops one.
class Watchdog {
public:
    explicit Watchdog(double seconds) : limit_(seconds) {
        if (limit_ > 0) thread_ = std::thread([this] { run(); });
    }
    ~Watchdog() {
        if (!thread_.joinable()) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    void arm(numpl::Puzzle* puzzle) {
        if (limit_ <= 0) return;
        std::lock_guard<std::mutex> lock(mutex_);
        puzzle_ = puzzle;
        deadline_ = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(limit_));
        wake_.notify_one();
    }
    void disarm() {
        if (limit_ <= 0) return;
        std::lock_guard<std::mutex> lock(mutex_);
        puzzle_ = nullptr;
    }

private:
    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!quit_) {
            if (puzzle_ == nullptr) {
                wake_.wait(lock);
            } else if (wake_.wait_until(lock, deadline_) == std::cv_status::timeout && puzzle_ != nullptr &&
                       Clock::now() >= deadline_) {
                puzzle_->cancelRequested.store(1, std::memory_order_relaxed);
                puzzle_ = nullptr;
            }
        }
    }

    double limit_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    numpl::Puzzle* puzzle_ = nullptr; // the analysis under watch; guarded by mutex_
    Clock::time_point deadline_;
    bool quit_ = false;
};

bool parseOptions(int argc, char** argv, Options* options) {
    options->threads = numpl::defaultThreadCount();
    options->timeoutSeconds = 0;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            std::fputs(USAGE, stdout);
            std::exit(0);
        }
        bool takesValue = std::strcmp(arg, "--threads") == 0 || std::strcmp(arg, "--timeout") == 0;
        if (!takesValue) {
            std::fprintf(stderr, "numpl-analyse: unknown option '%s' (see --help)\n", arg);
            return false;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "numpl-analyse: %s needs a value\n", arg);
            return false;
        }
        char* end = nullptr;
        const char* value = argv[++i];
        if (std::strcmp(arg, "--threads") == 0) {
            long threads = std::strtol(value, &end, 10);
            if (end == value || *end != '\0') {
                std::fprintf(stderr, "numpl-analyse: --threads takes a whole number, not '%s'\n", value);
                return false;
            }
            // Clamped like the window's thread-count field.
            options->threads = numpl::clampThreadCount(threads);
        } else {
            double seconds = std::strtod(value, &end);
            if (end == value || *end != '\0' || !(seconds > 0)) {
                std::fprintf(stderr, "numpl-analyse: --timeout takes a positive number of seconds, not '%s'\n", value);
                return false;
            }
            options->timeoutSeconds = seconds;
        }
    }
    return true;
}

long long microsecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
}

// Analyses one well-formed grid and prints its line; false when it timed out.
bool analyseLine(int32_t boxOrder, const int32_t* cells, const Options& options, Watchdog* watchdog) {
    numpl::Puzzle* puzzle = numpl::createPuzzle(boxOrder);
    if (puzzle == nullptr) std::exit(3);
    numpl::setGivens(puzzle, cells);
    puzzle->threadCount.store(options.threads, std::memory_order_relaxed);

    Clock::time_point start = Clock::now();
    watchdog->arm(puzzle);
    int32_t count = numpl::analysePuzzle(puzzle);
    watchdog->disarm();
    long long elapsed = microsecondsSince(start);

    bool timedOut = puzzle->cancelRequested.load(std::memory_order_relaxed) != 0;
    if (timedOut) {
        std::printf("timeout\t%d\t%lld\n", count, elapsed);
    } else {
        // The counters and solution are those published with the first
        // solution; a grid without one keeps the zeros it was created with.
        static char grid[numpl::MAX_SIDE * numpl::MAX_SIDE + 1];
        if (count > 0) {
            numpl::formatGrid(boxOrder, puzzle->solution, grid);
        } else {
            std::strcpy(grid, "-");
        }
        std::printf("%d\t%d\t%d\t%d\t%d\t%d\t%s\t%lld\n", count, puzzle->singleCount.load(),
                    puzzle->basicCount.load(), puzzle->pairTripleCount.load(), puzzle->assumptionCount.load(),
                    puzzle->branchCount.load(), grid, elapsed);
    }
    numpl::destroyPuzzle(puzzle);
    return !timedOut;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, &options)) return 2;
    bool showProgress = NUMPL_ISATTY(NUMPL_FILENO(stderr)) != 0;

    Watchdog watchdog(options.timeoutSeconds);
    Clock::time_point start = Clock::now();
    Clock::time_point lastProgress = start;
    long puzzles = 0;
    long errors = 0;
    long timeouts = 0;
    std::string line;
    int32_t cells[numpl::MAX_SIDE * numpl::MAX_SIDE];
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        ++puzzles;
        const char* reason = nullptr;
        int32_t boxOrder = numpl::parsePuzzleText(line.data(), line.size(), cells, &reason);
        if (boxOrder == 0) {
            std::printf("error\t%s\n", reason);
            ++errors;
        } else if (!analyseLine(boxOrder, cells, options, &watchdog)) {
            ++timeouts;
        }
        std::fflush(stdout);
        if (showProgress && Clock::now() - lastProgress > std::chrono::milliseconds(250)) {
            lastProgress = Clock::now();
            std::fprintf(stderr, "\r%ld puzzles, %ld errors, %ld timeouts", puzzles, errors, timeouts);
        }
    }
    double seconds = static_cast<double>(microsecondsSince(start)) / 1e6;
    if (showProgress) std::fprintf(stderr, "\r%60s\r", "");
    std::fprintf(stderr, "%ld puzzles, %ld errors, %ld timeouts, %.3f s, %.1f puzzles/s\n", puzzles, errors, timeouts,
                 seconds, seconds > 0 ? static_cast<double>(puzzles) / seconds : 0.0);
    return errors > 0 ? 1 : 0;
}
