// The undo history: a deque of steps and the position between the steps
// that were done and those that were undone. A maker's session rarely goes
// past a few thousand steps, and a step of one cell is a few words, so the
// steps are kept as they are, without any compaction.
#include "history/undo_history.h"

namespace numpl {

namespace {

// A new step ends the redo branch and the open edit, and pushes out the
// oldest step once the history is full.
void pushStep(UndoHistory* history, HistoryStep step) {
    history->steps.resize(history->position);
    history->steps.push_back(std::move(step));
    if (history->steps.size() > HISTORY_LIMIT) history->steps.pop_front();
    history->position = history->steps.size();
    history->openCell = -1;
}

// Writes the side of the step that `forward` asks for into cells. A size
// change starts from an empty grid, because only filled cells are listed.
void applyStep(const HistoryStep& step, bool forward, int32_t* boxOrder, int32_t* cells) {
    if (step.boxOrderBefore != step.boxOrderAfter) {
        int32_t largest = step.boxOrderBefore > step.boxOrderAfter ? step.boxOrderBefore : step.boxOrderAfter;
        for (int32_t k = 0; k < largest * largest * largest * largest; ++k) cells[k] = 0;
    }
    for (const CellChange& change : step.changes) cells[change.index] = forward ? change.after : change.before;
    *boxOrder = forward ? step.boxOrderAfter : step.boxOrderBefore;
}

} // namespace

void clearHistory(UndoHistory* history) {
    history->steps.clear();
    history->position = 0;
    history->openCell = -1;
}

void recordCellEdit(UndoHistory* history, int32_t boxOrder, int32_t index, int32_t before, int32_t after) {
    bool open = history->openCell == index && history->position == history->steps.size() && history->position > 0;
    if (open) {
        CellChange& change = history->steps.back().changes.front();
        change.after = after;
        if (change.before != change.after) return;
        // Typed and taken out again: the edit changed nothing after all.
        history->steps.pop_back();
        history->position = history->steps.size();
        history->openCell = -1;
        return;
    }
    if (before == after) return;
    pushStep(history, HistoryStep{boxOrder, boxOrder, {CellChange{index, before, after}}});
    history->openCell = index;
}

void closeCellEdit(UndoHistory* history) { history->openCell = -1; }

void recordGridChange(UndoHistory* history, int32_t boxOrderBefore, const int32_t* before, int32_t boxOrderAfter,
                      const int32_t* after) {
    history->openCell = -1;
    bool resized = boxOrderBefore != boxOrderAfter;
    int32_t beforeCells = boxOrderBefore * boxOrderBefore * boxOrderBefore * boxOrderBefore;
    int32_t afterCells = boxOrderAfter * boxOrderAfter * boxOrderAfter * boxOrderAfter;
    int32_t cellCount = beforeCells > afterCells ? beforeCells : afterCells;
    HistoryStep step{boxOrderBefore, boxOrderAfter, {}};
    for (int32_t k = 0; k < cellCount; ++k) {
        int32_t old = k < beforeCells ? before[k] : 0;
        int32_t now = k < afterCells ? after[k] : 0;
        bool listed = resized ? old != 0 || now != 0 : old != now;
        if (listed) step.changes.push_back(CellChange{k, old, now});
    }
    if (!resized && step.changes.empty()) return;
    pushStep(history, std::move(step));
}

bool undoStep(UndoHistory* history, int32_t* boxOrder, int32_t* cells) {
    if (!canUndo(history)) return false;
    history->openCell = -1;
    --history->position;
    applyStep(history->steps[history->position], false, boxOrder, cells);
    return true;
}

bool redoStep(UndoHistory* history, int32_t* boxOrder, int32_t* cells) {
    if (!canRedo(history)) return false;
    history->openCell = -1;
    applyStep(history->steps[history->position], true, boxOrder, cells);
    ++history->position;
    return true;
}

bool canUndo(const UndoHistory* history) { return history->position > 0; }

bool canRedo(const UndoHistory* history) { return history->position < history->steps.size(); }

} // namespace numpl
