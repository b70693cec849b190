// Micro benchmarks of the engine's hot operations: copyBoard (every branch and
// every trial copies a board), placeDigit, and one assumptionMethod call on a
// board stalled the way the logic step leaves it. Timing only; correctness is
// the tests' business. Run: numpl_micro_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "analysis/assumption.h"
#include "analysis/logic_step.h"
#include "analysis/puzzle.h"
#include "analysis/puzzle_text.h"
#include "model/board.h"
#include "model/placement.h"

namespace {

using numpl::Board;

// A valid complete grid of any box order (rows shifted by n, bands by 1), so
// placing all of it never meets a contradiction.
int32_t patternDigit(int32_t boxOrder, int32_t column, int32_t row) {
    int32_t side = boxOrder * boxOrder;
    return (boxOrder * (row % boxOrder) + row / boxOrder + column) % side + 1;
}

// ==== copyBoard and placeDigit ====

// Two boards of one box order on one context, as in the search's stack:
// copyBoard hands the source's context on, so the pair owns the context and
// releases it after both boards.
struct BoardPair {
    numpl::SolveContext* context;
    Board* source;
    Board* target;
};

BoardPair createBoardPair(int32_t boxOrder, int32_t threadCount) {
    numpl::SolveContext* context = numpl::createSolveContext(boxOrder);
    context->threadCount = threadCount;
    BoardPair pair = {context, numpl::createBoard(boxOrder), numpl::createBoard(boxOrder)};
    int32_t side = boxOrder * boxOrder;
    for (Board* board : {pair.source, pair.target}) {
        board->context = context;
        board->remaining = side * side;
    }
    return pair;
}

void releaseBoardPair(BoardPair* pair) {
    numpl::destroyBoard(pair->target);
    numpl::destroyBoard(pair->source);
    numpl::destroySolveContext(pair->context);
}

// The copy cost depends only on the box order, not on the board's contents.
void copyBoardBench(benchmark::State& state) {
    auto boxOrder = static_cast<int32_t>(state.range(0));
    BoardPair boards = createBoardPair(boxOrder, 1);
    for (auto _ : state) {
        numpl::copyBoard(boards.source, boards.target);
        benchmark::DoNotOptimize(boards.target->cellHeap->keys[1]);
        benchmark::ClobberMemory();
    }
    releaseBoardPair(&boards);
}
BENCHMARK(copyBoardBench)->Name("copyBoard")->DenseRange(2, 5);

// A placement changes the board, so every iteration starts from a fresh copy:
// subtract copyBoard of the same order for the placement alone. The cell walks
// the grid so that the eliminations do not always hit the same heap slots.
void placeDigitFreshBench(benchmark::State& state) {
    auto boxOrder = static_cast<int32_t>(state.range(0));
    int32_t side = boxOrder * boxOrder;
    BoardPair boards = createBoardPair(boxOrder, 1);
    int32_t cell = 0;
    for (auto _ : state) {
        numpl::copyBoard(boards.source, boards.target);
        int32_t column = cell % side;
        int32_t row = cell / side;
        numpl::placeDigit(boards.target, column, row, patternDigit(boxOrder, column, row));
        benchmark::DoNotOptimize(boards.target->cellHeap->keys[1]);
        benchmark::ClobberMemory();
        cell = (cell + 7) % (side * side);
    }
    releaseBoardPair(&boards);
}
BENCHMARK(placeDigitFreshBench)->Name("copyBoard+placeDigit/fresh")->DenseRange(2, 5);

// All N*N placements of a complete grid after one copy: placements on boards
// of every fullness, as the search sees them. items_per_second counts
// placements (the one copy per iteration included).
void placeDigitFillBench(benchmark::State& state) {
    auto boxOrder = static_cast<int32_t>(state.range(0));
    int32_t side = boxOrder * boxOrder;
    BoardPair boards = createBoardPair(boxOrder, 1);
    for (auto _ : state) {
        numpl::copyBoard(boards.source, boards.target);
        for (int32_t row = 0; row < side; ++row) {
            for (int32_t column = 0; column < side; ++column) {
                numpl::placeDigit(boards.target, column, row, patternDigit(boxOrder, column, row));
            }
        }
        benchmark::DoNotOptimize(boards.target->cellHeap->keys[1]);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * side * side);
    releaseBoardPair(&boards);
}
BENCHMARK(placeDigitFillBench)->Name("copyBoard+placeDigit/fill")->DenseRange(2, 5);

// ==== assumptionMethod ====

// One puzzle per box order that the earlier stages cannot finish, so the
// logic step reaches the assumption method at its first step. The 4x4 grid
// was picked for having trials that contradict; the others are corpus lines.
const char PUZZLE_4X4[] = "....3..2....4..3";

// 9x9-forum-hardest-1106.txt line 1.
const char PUZZLE_9X9[] =
    "........8..3...4...9..2..6.....79.......612...6.5.2.7...8...5...1.....2.4.5.....3";

// 16x16-gecode-janko.txt line 29, four rows a line.
const char PUZZLE_16X16[] =
    "..EF96...8.5B.C.D...FE....1.2A...86..2..C...57.1C21...BD9..E...3"
    "5..1.C...6....DA.G.....7.E.1.5BCB...D1..8...7.....9D..A27.3.E..."
    "...3.A.E5B..6F.....5...C..83...BFDB.2.9.6.....5.61....5...E.G..9"
    "4...8..3B7...EA2E.26...A..G..CF...58.D....4F...G.B.7C.2...5AD9..";

// 25x25-gecode.txt line 18, five rows a line.
const char PUZZLE_25X25[] =
    ".ND.JG6.O7591..F8IP.4.LM.FG.M.B8...P.E...CJ..H...............G.4.H.D.O.NJA2.....J.EN4.L6MA.B.2......HE..2..DC.....F4KMA.B.9O8"
    "M....62...47C19......E5...I2.8M.JGL...ADN..K..3.F7..H3.5..89....I.J.....NL.1B..9.FAP.6.N....537.H..O......1..N...O...LC.68.PG"
    "KOA.FNBH.....7.C.....M..645.ECP.I..N.F.J1...MK.79.I.L..8.O..9.P...A...2.1J...621.D.M.....B8LG..P..CH.HP.N7E.L1....3..B..O.G45"
    "....BIO....5.C.P...FN48E....FL.....2.DH..17..59O....I.MF..2G.N...A6O.HC.PB.72.1..L...IM.96E.45G.......9...7M..A.O...I...L...."
    ".C.JA.........1.....E.48.O.BI.......PHL.6..1....5CG6M...N4FI8...K..H.E......L..4.917....BE.G8F.M.I..8F......5.O3..4...9.....K";

const char* const STALLING_PUZZLES[] = {nullptr, nullptr, PUZZLE_4X4, PUZZLE_9X9, PUZZLE_16X16, PUZZLE_25X25};

// Loads the puzzle onto boards.source and runs the logic step up to the
// point where it would first call assumptionMethod: a trial budget of 0 makes
// that call collect nothing, so logicStep stops exactly there. False (with a
// reason) when the puzzle does not get that far.
bool stallBoard(const char* text, BoardPair* boards, const char** reason) {
    std::vector<int32_t> cells(std::strlen(text));
    const char* error = nullptr;
    int32_t boxOrder = numpl::parsePuzzleText(text, std::strlen(text), cells.data(), &error);
    if (boxOrder != boards->context->boxOrder) {
        *reason = error != nullptr ? error : "the puzzle has another box order";
        return false;
    }
    numpl::Puzzle* puzzle = numpl::createPuzzle(boxOrder);
    numpl::setGivens(puzzle, cells.data());
    int32_t loaded = numpl::loadGivens(boards->source, puzzle);
    numpl::destroyPuzzle(puzzle);
    if (loaded == 0) {
        *reason = "the givens do not load";
        return false;
    }
    numpl::SolveContext* context = boards->context;
    int32_t budget = context->trialBudget;
    context->trialBudget = 0;
    int32_t column = 0;
    int32_t row = 0;
    int32_t digit = 0;
    int32_t status = numpl::logicStep(boards->source, &column, &row, &digit);
    context->trialBudget = budget;
    if (status != numpl::STATUS_PROGRESS) {
        *reason = "the earlier stages solve or refute it";
        return false;
    }
    return true;
}

// The call eliminates candidates, so each iteration works on a fresh copy of
// the stalled board; copyBoard of the same order is a small part of it. The
// counters say how much work the call had: trials run, whether some
// contradicted (progress 1) and the open cells of the stalled board.
void assumptionMethodBench(benchmark::State& state) {
    auto boxOrder = static_cast<int32_t>(state.range(0));
    auto threadCount = static_cast<int32_t>(state.range(1));
    BoardPair boards = createBoardPair(boxOrder, threadCount);
    const char* reason = nullptr;
    if (!stallBoard(STALLING_PUZZLES[boxOrder], &boards, &reason)) {
        state.SkipWithError(reason);
        releaseBoardPair(&boards);
        return;
    }
    int32_t result = numpl::STATUS_NO_CHANGE;
    for (auto _ : state) {
        numpl::copyBoard(boards.source, boards.target);
        result = numpl::assumptionMethod(boards.target);
        benchmark::DoNotOptimize(result);
    }
    state.counters["trials"] = numpl::assumptionScratch()->trialCount;
    state.counters["progress"] = result == numpl::STATUS_PROGRESS ? 1 : 0;
    state.counters["open"] = boards.source->remaining;
    releaseBoardPair(&boards);
}
// Wall time, because with two threads the team's second thread does half the
// work and the main thread's CPU time would not show it.
BENCHMARK(assumptionMethodBench)
    ->Name("assumptionMethod")
    ->ArgsProduct({{2, 3, 4, 5}, {1, 2}})
    ->ArgNames({"n", "threads"})
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
