// Tests of the undo history: one table of operation sequences run on a grid
// kept beside the history, as the window keeps its cells, each ending in the
// grid shown and what can still be undone and redone; then the limit.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "history/undo_history.h"
#include "support/grids.h"

namespace numpl::test {
namespace {

const std::string GRID_9 = "53..7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79";

// Operations: eK=V edits cell K to V, c closes the edit, g<line> replaces the
// grid, u and r undo and redo a step, u! and r! find none. Grids start 4x4.
struct Case {
    const char* name;
    std::string ops;
    std::string shown; // the grid at the end
    size_t undoable;   // steps left to undo
    bool redoable;
};

const Case CASES[] = {
    {"one cell's edits are one step", "e0=1 e0=3 u", "................", 0, true},
    {"an edit taken out again is none", "e0=1 e0=0 u!", "................", 0, false},
    {"a closed edit ends its step", "e0=1 c e0=2 u", "1...............", 1, true},
    {"a new step drops the redo steps", "e0=1 e1=2 u e2=3 r!", "1.3.............", 2, false},
    {"an edit after an undo is new", "e0=1 u e0=2 u", "................", 0, true},
    {"an unchanged grid is no step", "e0=1 g1...............", "1...............", 1, false},
    {"a grid ends the open edit", "e0=1 g2............... e0=3 u", "2...............", 2, true},
    {"a size change comes back with its givens", "e0=1 e15=4 g" + GRID_9 + " u", "1..............4", 2, true},
    {"a size change made again", "e0=1 g" + GRID_9 + " u r", GRID_9, 2, false},
    {"nothing to undo or redo", "u! r! e0=1 r! u u! r", "1...............", 1, false},
};

TEST(UndoHistory, OperationSequencesEndInTheExpectedGrid) {
    for (const Case& test : CASES) {
        UndoHistory history;
        int32_t boxOrder = 2;
        std::vector<int32_t> cells(MAX_CELLS, 0);
        std::istringstream ops(test.ops);
        for (std::string op; ops >> op;) {
            if (op[0] == 'e') {
                int32_t k = std::stoi(op.substr(1));
                recordCellEdit(&history, boxOrder, k, cells[k], std::stoi(op.substr(op.find('=') + 1)));
                cells[k] = std::stoi(op.substr(op.find('=') + 1));
            } else if (op[0] == 'c') {
                closeCellEdit(&history);
            } else if (op[0] == 'g') {
                std::vector<int32_t> next = cellsFromText(op.substr(1));
                recordGridChange(&history, boxOrder, cells.data(), boxOrderOf(next.size()), next.data());
                boxOrder = boxOrderOf(next.size());
                std::fill(std::copy(next.begin(), next.end(), cells.begin()), cells.end(), 0);
            } else {
                bool found = op[0] == 'u' ? undoStep(&history, &boxOrder, cells.data())
                                          : redoStep(&history, &boxOrder, cells.data());
                EXPECT_EQ(op.size() == 1, found) << test.name << ": " << op;
            }
        }
        cells.resize(static_cast<size_t>(boxOrder * boxOrder * boxOrder * boxOrder));
        EXPECT_EQ(cellsFromText(test.shown), cells) << test.name;
        EXPECT_EQ(test.undoable, history.position) << test.name;
        EXPECT_EQ(test.redoable, canRedo(&history)) << test.name;
    }
}

// After LIMIT + 5 steps exactly LIMIT undos are left, ending at the fifth.
TEST(UndoHistory, KeepsTheNewestStepsUpToTheLimit) {
    UndoHistory history;
    int32_t boxOrder = 3;
    std::vector<int32_t> cells(MAX_CELLS, 0);
    for (int32_t step = 0; step < static_cast<int32_t>(HISTORY_LIMIT) + 5; ++step) {
        int32_t k = step % 81;
        recordCellEdit(&history, boxOrder, k, cells[k], cells[k] % 9 + 1);
        cells[k] = cells[k] % 9 + 1;
    }
    size_t undone = 0;
    while (undoStep(&history, &boxOrder, cells.data())) ++undone;
    EXPECT_EQ(HISTORY_LIMIT, undone);
    cells.resize(81);
    EXPECT_EQ(cellsFromText("11111" + std::string(76, '.')), cells);
}

} // namespace
} // namespace numpl::test
