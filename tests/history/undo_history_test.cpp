// Tests of the undo history: one table of operation sequences on a grid kept
// beside it, as the window keeps the cells, each ending in the grid shown and
// what can still be undone and redone; then the limit on the number of steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "history/undo_history.h"
#include "support/grids.h"

namespace numpl::test {
namespace {

const char EMPTY_4[] = "................";

struct Op {
    char kind;         // 'e' edit a cell, 'c' close the edit, 'g' replace the grid, 'u' undo, 'r' redo
    int32_t index;     // 'e': the cell
    int32_t value;     // 'e': its new value; 'u', 'r': 1 when there is a step to take, 0 when not
    const char* grid;  // 'g': the new grid as one line
};

Op edit(int32_t index, int32_t value) { return {'e', index, value, nullptr}; }
Op close() { return {'c', 0, 0, nullptr}; }
Op grid(const char* text) { return {'g', 0, 0, text}; }
Op undo(int32_t found = 1) { return {'u', 0, found, nullptr}; }
Op redo(int32_t found = 1) { return {'r', 0, found, nullptr}; }

struct Case {
    const char* name;
    std::vector<Op> ops;
    const char* shown;    // the grid on screen at the end
    size_t undoable;      // steps that can still be undone
    bool redoable;
};

const char GRID_9[] = "53..7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79";

const Case CASES[] = {
    {"the edits of one cell are one step", {edit(0, 1), edit(0, 3), undo()}, EMPTY_4, 0, true},
    {"an edit taken out again is no step", {edit(0, 1), edit(0, 0)}, EMPTY_4, 0, false},
    {"a closed edit ends its step", {edit(0, 1), close(), edit(0, 2), undo()}, "1...............", 1, true},
    {"two cells are two steps", {edit(0, 1), edit(5, 2), undo()}, "1...............", 1, true},
    {"undo then redo puts the edit back", {edit(0, 1), edit(5, 2), undo(), undo(), redo()}, "1...............", 1,
     true},
    {"a new step drops the redo steps",
     {edit(0, 1), edit(1, 2), undo(), edit(2, 3), redo(0)}, "1.3.............", 2, false},
    {"an edit after an undo is a new step", {edit(0, 1), undo(), edit(0, 2), undo()}, EMPTY_4, 0, true},
    {"a grid that changes nothing is no step", {edit(0, 1), grid("1...............")}, "1...............", 1,
     false},
    {"a grid replaced is one step",
     {edit(3, 4), grid("12..34..........")}, "12..34..........", 2, false},
    {"a grid replaced ends the open edit", {edit(0, 1), grid("2..............."), edit(0, 3), undo()},
     "2...............", 2, true},
    {"a size change brings back the old size and its givens",
     {edit(0, 1), edit(15, 4), grid(GRID_9), undo()}, "1..............4", 2, true},
    {"a size change made again", {edit(0, 1), grid(GRID_9), undo(), redo()}, GRID_9, 2, false},
    {"nothing to undo or redo", {undo(0), redo(0), edit(0, 1), redo(0), undo(), undo(0)}, EMPTY_4, 0, true},
};

std::string lineOf(int32_t boxOrder, const std::vector<int32_t>& cells) {
    const char symbols[] = ".123456789ABCDEFGHIJKLMNOP";
    std::string line;
    for (int32_t k = 0; k < boxOrder * boxOrder * boxOrder * boxOrder; ++k) line += symbols[cells[k]];
    return line;
}

TEST(UndoHistory, OperationSequencesEndInTheExpectedGrid) {
    for (const Case& test : CASES) {
        UndoHistory history;
        int32_t boxOrder = 2;
        std::vector<int32_t> cells(MAX_CELLS, 0);
        for (const Op& op : test.ops) {
            if (op.kind == 'e') {
                recordCellEdit(&history, boxOrder, op.index, cells[op.index], op.value);
                cells[op.index] = op.value;
            } else if (op.kind == 'c') {
                closeCellEdit(&history);
            } else if (op.kind == 'g') {
                std::vector<int32_t> next = cellsFromText(op.grid);
                int32_t nextOrder = boxOrderOf(next.size());
                recordGridChange(&history, boxOrder, cells.data(), nextOrder, next.data());
                boxOrder = nextOrder;
                std::fill(cells.begin(), cells.end(), 0);
                std::copy(next.begin(), next.end(), cells.begin());
            } else {
                bool found = op.kind == 'u' ? undoStep(&history, &boxOrder, cells.data())
                                            : redoStep(&history, &boxOrder, cells.data());
                EXPECT_EQ(op.value == 1, found) << test.name << ": " << op.kind;
            }
        }
        EXPECT_EQ(test.shown, lineOf(boxOrder, cells)) << test.name;
        EXPECT_EQ(test.undoable, history.position) << test.name;
        EXPECT_EQ(test.undoable > 0, canUndo(&history)) << test.name;
        EXPECT_EQ(test.redoable, canRedo(&history)) << test.name;
    }
}

// Past the limit the oldest steps go: after LIMIT + 5 steps exactly LIMIT
// undos are left, and they end at the grid of the fifth step.
TEST(UndoHistory, KeepsTheNewestStepsUpToTheLimit) {
    UndoHistory history;
    int32_t boxOrder = 3;
    std::vector<int32_t> cells(MAX_CELLS, 0);
    const int32_t extra = 5;
    for (int32_t step = 0; step < static_cast<int32_t>(HISTORY_LIMIT) + extra; ++step) {
        int32_t k = step % 81;
        int32_t value = cells[k] % 9 + 1;
        recordCellEdit(&history, boxOrder, k, cells[k], value);
        closeCellEdit(&history);
        cells[k] = value;
    }
    std::vector<int32_t> expected(MAX_CELLS, 0);
    for (int32_t k = 0; k < extra; ++k) expected[k] = 1;
    size_t undone = 0;
    while (undoStep(&history, &boxOrder, cells.data())) ++undone;
    EXPECT_EQ(HISTORY_LIMIT, undone);
    EXPECT_EQ(expected, cells);
}

} // namespace
} // namespace numpl::test
