// The maker's two commands on a puzzle with one solution: "表示" ->
// "不要なヒント" marks the givens that could go, and "編集" -> "不要なヒントを除く"
// takes them away one by one. Both run on a thread of their own after the
// analysis, since on a 25x25 grid they may take many seconds, and the window
// only looks at them from its tick. Everything here is called on the UI
// thread.
#ifndef NUMPL_UI_REDUNDANT_MARKS_H
#define NUMPL_UI_REDUNDANT_MARKS_H

#include <windows.h>

#include <cstdint>

namespace numpl {

constexpr COLORREF REDUNDANT_COLOUR = 0xC8F0C8; // light green behind a given that could go

// "不要なヒント" and "不要なヒントを除く"; false for any other id.
bool runRedundantCommand(int id);

// Checks "不要なヒント" while it is on and greys "不要なヒントを除く" unless
// the analysis has ended with exactly one solution (WM_INITMENUPOPUP).
void updateRedundantMenu(HMENU menu);

// Whether cell k is a given marked as one that could go (for the cell colours).
bool cellMarkedAsRedundant(int32_t k);

// Once per tick, after the analysis controller: cancels work whose givens
// no longer stand, takes in finished work, starts what is due and keeps the
// line under the difficulty text current.
void redundantTick();

// At the frame's end: cancels the work and waits for its thread, which
// stops within milliseconds and touches no window; forgets everything.
void finishRedundantWork();

} // namespace numpl

#endif
