// numpl-analyse: rates a collection of puzzles from standard input, one line
// per puzzle, with the same analysis the window runs. Puzzle makers use it on
// whole collections; the benchmarks use it on the corpora.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "analysis/analysis_handle.h"
#include "analysis/puzzle.h"
#include "analysis/puzzle_text.h"
#include "analysis/search.h"
#include "composing/redundant_givens.h"
#include "picture/puzzle_svg.h"

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
    "usage: numpl-analyse [--threads N] [--jobs N] [--timeout S] [--second] [--minimal]\n"
    "                     [--map] [--svg DIR] < puzzles\n"
    "\n"
    "Reads one puzzle per line: 16, 81, 256 or 625 cells, row by row; '.',\n"
    "'0', '_' or '*' is an empty cell, '1'-'9' are 1-9, 'A'-'P' (either case)\n"
    "are 10-25. Blanks and the separators '|', '-' and '+' between cells are\n"
    "ignored, and so is text after the grid that follows a blank or a '#'.\n"
    "A 16x16 or 25x25 grid may also be written as blank-separated numbers\n"
    "(0 or '.' empty) once one of them has two digits. Blank lines and lines\n"
    "whose first non-blank character is '#' are skipped. A digit above the\n"
    "grid's largest makes a line malformed, except on a line of exactly N*N\n"
    "characters, which is analysed to a count of 0 as one with a repeat.\n"
    "\n"
    "Writes one tab-separated line per puzzle: the solution count (0 to 1000,\n"
    "1000 meaning 1000 or more), the single, basic, pair/triple, assumption and\n"
    "branch counters at the first solution, the first solution ('-' when there\n"
    "is none) and the analysis time in microseconds. A malformed line gives\n"
    "'error<TAB>reason'; an analysis stopped by --timeout gives\n"
    "'timeout<TAB>count so far<TAB>microseconds'. The fields that options ask\n"
    "for follow the time, in the order --second, --map.\n"
    "\n"
    "  --threads N   threads of the assumption method, 1..128 (default: the\n"
    "                OpenMP runtime's maximum)\n"
    "  --jobs N      analyse N lines at once, each with its own scratch and\n"
    "                threads, 1..128 (default 1); the output stays in input\n"
    "                order\n"
    "  --timeout S   stop an analysis after S seconds (default: no limit)\n"
    "  --second      append a field: the second solution, or '-' when the\n"
    "                count is below 2\n"
    "  --minimal     append a field (after --second's): the puzzle with its\n"
    "                redundant givens removed one by one in row order, each\n"
    "                judged against the givens left, or '-' when the count\n"
    "                is not 1; --timeout covers this work too\n"
    "  --map         append a field: the stage that placed each cell of the\n"
    "                first solution, row by row: 'g' a given, '1' singles,\n"
    "                '2' locked candidates, '3' pairs and triples, '4' trial\n"
    "                placement, 'b' a branch of the search; '-' when there is\n"
    "                no solution\n"
    "  --svg DIR     also draw each puzzle's givens for print, as DIR/NNNN.svg,\n"
    "                NNNN being the input line's number (0001 for the first\n"
    "                line); DIR must exist\n"
    "  --help        this text\n"
    "\n"
    "Exit status: 0, or 1 when some line was malformed, 2 for bad options or a\n"
    "missing --svg folder, 4 when a picture could not be written (the analysis\n"
    "goes on; the reason is on standard error).\n";

struct Options {
    int threads;
    int jobs;              // lines analysed at once
    double timeoutSeconds; // 0: no limit
    bool second;           // print the second solution too
    bool minimal;          // print the minimal puzzle too
    std::string svgFolder; // where the pictures go; empty: none
    bool map;              // print the stage map of the first solution too
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
    options->jobs = 1;
    options->timeoutSeconds = 0;
    options->second = false;
    options->minimal = false;
    options->map = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            std::fputs(USAGE, stdout);
            std::exit(0);
        }
        if (std::strcmp(arg, "--second") == 0) {
            options->second = true;
            continue;
        }
        if (std::strcmp(arg, "--minimal") == 0) {
            options->minimal = true;
            continue;
        }
        if (std::strcmp(arg, "--map") == 0) {
            options->map = true;
            continue;
        }
        bool takesValue = std::strcmp(arg, "--threads") == 0 || std::strcmp(arg, "--timeout") == 0 ||
                          std::strcmp(arg, "--jobs") == 0 || std::strcmp(arg, "--svg") == 0;
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
        if (std::strcmp(arg, "--svg") == 0) {
            // Checked before any input is read, so that a mistyped folder
            // costs no analysis.
            std::error_code error;
            if (!std::filesystem::is_directory(value, error)) {
                std::fprintf(stderr, "numpl-analyse: --svg needs an existing folder, not '%s'\n", value);
                return false;
            }
            options->svgFolder = value;
        } else if (std::strcmp(arg, "--threads") == 0 || std::strcmp(arg, "--jobs") == 0) {
            long number = std::strtol(value, &end, 10);
            if (end == value || *end != '\0') {
                std::fprintf(stderr, "numpl-analyse: %s takes a whole number, not '%s'\n", arg, value);
                return false;
            }
            // Clamped like the window's thread-count field.
            if (std::strcmp(arg, "--threads") == 0) {
                options->threads = numpl::clampThreadCount(number);
            } else {
                options->jobs = numpl::clampThreadCount(number);
            }
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

// One letter per cell, row by row, indexed by the STAGE_* value: an open
// cell cannot occur in the map of a solution.
void formatStageMap(int32_t boxOrder, int32_t* const* map, char* out) {
    static const char LETTERS[] = ".1234bg";
    int32_t side = boxOrder * boxOrder;
    for (int32_t r = 0; r < side; ++r) {
        for (int32_t c = 0; c < side; ++c) *out++ = LETTERS[map[r][c]];
    }
    *out = '\0';
}

long long microsecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
}

// The minimal puzzle of a grid the analysis found unique, into grid (N*N+1
// characters); false when the cancel flag stopped the work.
bool formatMinimal(numpl::ComposeScratch* scratch, numpl::Puzzle* puzzle, const int32_t* cells, char* grid) {
    int32_t minimal[numpl::MAX_CELLS];
    numpl::ComposeStatus status =
        numpl::minimisePuzzle(scratch, puzzle->boxOrder, cells, &puzzle->cancelRequested, minimal);
    if (status == numpl::COMPOSE_CANCELLED) return false;
    if (status != numpl::COMPOSE_DONE) {
        std::strcpy(grid, "-");
        return true;
    }
    int32_t side = puzzle->boxOrder * puzzle->boxOrder;
    int32_t* rows[numpl::MAX_SIDE];
    for (int32_t r = 0; r < side; ++r) rows[r] = minimal + r * side;
    numpl::formatGrid(puzzle->boxOrder, rows, grid);
    return true;
}

// Analyses one well-formed grid on the handle (and, for --minimal, on the
// scratch) and writes its output line to *out; false when it timed out.
bool analyseLine(numpl::AnalysisHandle* handle, numpl::ComposeScratch* scratch, int32_t boxOrder,
                 const int32_t* cells, const Options& options, Watchdog* watchdog, std::string* out) {
    numpl::Puzzle* puzzle = numpl::createPuzzle(boxOrder);
    if (puzzle == nullptr) std::exit(3);
    numpl::setGivens(puzzle, cells);
    puzzle->threadCount.store(options.threads, std::memory_order_relaxed);

    Clock::time_point start = Clock::now();
    watchdog->arm(puzzle);
    bool timedOut = false;
    int32_t count = numpl::analysePuzzleWith(handle, puzzle, &timedOut);
    long long elapsed = microsecondsSince(start);
    // The minimal puzzle comes under the same deadline; field 8 stays the
    // time of the analysis alone.
    char minimal[numpl::MAX_SIDE * numpl::MAX_SIDE + 1] = "-";
    bool minimalCut = options.minimal && !timedOut && count == 1 && !formatMinimal(scratch, puzzle, cells, minimal);
    watchdog->disarm();
    if (minimalCut) {
        timedOut = true;
        elapsed = microsecondsSince(start);
    }

    // The watchdog may still fire after the analysis has done all its work
    // and before it is disarmed; only the analysis itself knows whether the
    // cancel cost it anything.
    char text[2 * (numpl::MAX_SIDE * numpl::MAX_SIDE + 1) + 128];
    if (timedOut) {
        std::snprintf(text, sizeof text, "timeout\t%d\t%lld\n", count, elapsed);
        *out = text;
    } else {
        // The counters and solution are those published with the first
        // solution; a grid without one keeps the zeros it was created with.
        char grid[numpl::MAX_SIDE * numpl::MAX_SIDE + 1];
        if (count > 0) {
            numpl::formatGrid(boxOrder, puzzle->solution, grid);
        } else {
            std::strcpy(grid, "-");
        }
        std::snprintf(text, sizeof text, "%d\t%d\t%d\t%d\t%d\t%d\t%s\t%lld", count, puzzle->singleCount.load(),
                      puzzle->basicCount.load(), puzzle->pairTripleCount.load(), puzzle->assumptionCount.load(),
                      puzzle->branchCount.load(), grid, elapsed);
        *out = text;
        // Optional fields keep one order whichever options are given, so
        // that a field's place depends only on the options before it.
        if (options.second) {
            if (count >= 2) {
                numpl::formatGrid(boxOrder, puzzle->secondSolution, grid);
            } else {
                std::strcpy(grid, "-");
            }
            *out += '\t';
            *out += grid;
        }
        if (options.minimal) {
            *out += '\t';
            *out += minimal;
        }
        if (options.map) {
            if (count > 0) {
                formatStageMap(boxOrder, puzzle->stageMap, grid);
            } else {
                std::strcpy(grid, "-");
            }
            *out += '\t';
            *out += grid;
        }
        *out += '\n';
    }
    numpl::destroyPuzzle(puzzle);
    return !timedOut;
}

// Writes the picture of line `lineNumber` as FOLDER/NNNN.svg through a
// temporary file in the same folder, which takes the name only once it is
// complete, so that a picture is never found half written. False, with the
// reason on standard error, when it cannot.
bool writePicture(const std::string& folder, long lineNumber, int32_t boxOrder, const int32_t* cells) {
    char name[32];
    std::snprintf(name, sizeof name, "%04ld.svg", lineNumber);
    std::filesystem::path target = std::filesystem::path(folder) / name;
    std::filesystem::path temporary = target;
    temporary += ".tmp";
    std::string svg = numpl::puzzleSvg(boxOrder, cells);
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file.write(svg.data(), static_cast<std::streamsize>(svg.size()));
    file.close();
    std::error_code error;
    if (file.fail()) {
        error = std::make_error_code(std::errc::io_error);
    } else {
        std::filesystem::rename(temporary, target, error);
    }
    if (!error) return true;
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    std::fprintf(stderr, "numpl-analyse: cannot write %s: %s\n", target.string().c_str(), error.message().c_str());
    return false;
}

// The lines in flight, oldest first, and the workers that analyse them. The
// main thread reads and prints; each worker has its own analysis handle,
// scratch for the minimal puzzle and watchdog, so the analyses share nothing,
// and a line is printed only when every line before it has been.
struct Line {
    int32_t boxOrder = 0;
    int32_t cells[numpl::MAX_CELLS];
    std::string output;
    bool done = false;      // guarded by Lines::lock
    bool timedOut = false;
};

struct Lines {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<std::unique_ptr<Line>> order;  // read, not printed yet
    std::deque<Line*> waiting;                // read, not taken by a worker yet
    bool closed = false;                      // no more lines will come
};

struct HandleDeleter {
    void operator()(numpl::AnalysisHandle* handle) const { numpl::destroyAnalysisHandle(handle); }
};

struct ScratchDeleter {
    void operator()(numpl::ComposeScratch* scratch) const { numpl::destroyComposeScratch(scratch); }
};

void work(Lines* lines, const Options& options) {
    std::unique_ptr<numpl::AnalysisHandle, HandleDeleter> handle(numpl::createAnalysisHandle());
    std::unique_ptr<numpl::ComposeScratch, ScratchDeleter> scratch(options.minimal ? numpl::createComposeScratch()
                                                                                   : nullptr);
    Watchdog watchdog(options.timeoutSeconds);
    for (;;) {
        Line* line = nullptr;
        {
            std::unique_lock<std::mutex> guard(lines->lock);
            lines->changed.wait(guard, [&] { return !lines->waiting.empty() || lines->closed; });
            if (lines->waiting.empty()) return;
            line = lines->waiting.front();
            lines->waiting.pop_front();
        }
        line->timedOut =
            !analyseLine(handle.get(), scratch.get(), line->boxOrder, line->cells, options, &watchdog, &line->output);
        {
            std::lock_guard<std::mutex> guard(lines->lock);
            line->done = true;
        }
        lines->changed.notify_all();
    }
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, &options)) return 2;
    bool showProgress = NUMPL_ISATTY(NUMPL_FILENO(stderr)) != 0;

    Clock::time_point start = Clock::now();
    Clock::time_point lastProgress = start;
    long puzzles = 0;
    long errors = 0;
    long timeouts = 0;
    long pictureFailures = 0;
    Lines lines;
    std::vector<std::thread> workers;
    for (int j = 0; j < options.jobs; ++j) workers.emplace_back(work, &lines, std::cref(options));
    // A few lines per worker wait ahead, so that none runs dry while the
    // oldest line takes long.
    size_t window = static_cast<size_t>(options.jobs) * 4;
    // Prints the finished lines at the front; with `all`, waits for every line.
    auto printReady = [&](bool all) {
        std::unique_lock<std::mutex> guard(lines.lock);
        for (;;) {
            while (!lines.order.empty() && lines.order.front()->done) {
                std::unique_ptr<Line> line = std::move(lines.order.front());
                lines.order.pop_front();
                guard.unlock();
                std::fputs(line->output.c_str(), stdout);
                std::fflush(stdout);
                if (line->timedOut) ++timeouts;
                guard.lock();
            }
            if (lines.order.empty() || (!all && lines.order.size() < window)) return;
            lines.changed.wait(guard);
        }
    };

    std::string text;
    bool firstLine = true;
    long lineNumber = 0; // counts skipped lines too: a picture is named after its line in the file
    char reason[200];
    while (std::getline(std::cin, text)) {
        ++lineNumber;
        // Files saved by Windows editors start with a byte-order mark.
        if (firstLine && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
        firstLine = false;
        // One line is one puzzle: the reader would take a lone CR for a line
        // end and go on to read rows from behind it.
        text.resize(std::min(text.size(), text.find('\r')));
        size_t first = text.find_first_not_of(" \t");
        if (first == std::string::npos || text[first] == '#') continue;
        ++puzzles;
        auto line = std::make_unique<Line>();
        numpl::PuzzleTextResult read = numpl::readPuzzleText(text.data(), text.size(), line->cells);
        if (read.error == numpl::TEXT_BAD_NUMBER) {
            // Collections and their recorded results have long had lines like
            // this analysed to a count of 0; a line in the exact one-line
            // form keeps that, and only the other forms are refused.
            const char* unused = nullptr;
            int32_t boxOrder = numpl::parsePuzzleText(text.data(), text.size(), line->cells, &unused);
            if (boxOrder != 0) read = {boxOrder, numpl::TEXT_OK, 0, 0, 0, 0, 0, boxOrder * boxOrder};
        }
        Line* queued = line.get();
        if (read.error != numpl::TEXT_OK) {
            numpl::describePuzzleTextError(read, reason, sizeof reason);
            line->output = std::string("error\t") + reason + "\n";
            line->done = true;
            ++errors;
            queued = nullptr;
        } else if (!options.svgFolder.empty() &&
                   !writePicture(options.svgFolder, lineNumber, read.boxOrder, line->cells)) {
            ++pictureFailures;
        }
        line->boxOrder = read.boxOrder;
        {
            std::lock_guard<std::mutex> guard(lines.lock);
            lines.order.push_back(std::move(line));
            if (queued != nullptr) lines.waiting.push_back(queued);
        }
        lines.changed.notify_all();
        printReady(false);
        if (showProgress && Clock::now() - lastProgress > std::chrono::milliseconds(250)) {
            lastProgress = Clock::now();
            std::fprintf(stderr, "\r%ld puzzles, %ld errors, %ld timeouts", puzzles, errors, timeouts);
        }
    }
    printReady(true);
    {
        std::lock_guard<std::mutex> guard(lines.lock);
        lines.closed = true;
    }
    lines.changed.notify_all();
    for (std::thread& worker : workers) worker.join();
    double seconds = static_cast<double>(microsecondsSince(start)) / 1e6;
    if (showProgress) std::fprintf(stderr, "\r%60s\r", "");
    std::fprintf(stderr, "%ld puzzles, %ld errors, %ld timeouts, %.3f s, %.1f puzzles/s\n", puzzles, errors, timeouts,
                 seconds, seconds > 0 ? static_cast<double>(puzzles) / seconds : 0.0);
    if (pictureFailures > 0) return 4;
    return errors > 0 ? 1 : 0;
}
