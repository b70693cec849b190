// numpl_compose_bench: times the redundant-givens check and the minimisation
// of each puzzle on standard input (one line each, as numpl-analyse reads
// them) on one thread, one scratch for the whole run. Prints a line per
// puzzle: givens, redundant givens, givens of the minimal puzzle and the two
// times in microseconds; "-" for a puzzle without exactly one solution.
#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>

#include "analysis/puzzle_text.h"
#include "composing/redundant_givens.h"

namespace {

using Clock = std::chrono::steady_clock;

long long microsecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
}

} // namespace

int main() {
    numpl::ComposeScratch* scratch = numpl::createComposeScratch();
    std::string text;
    int32_t cells[numpl::MAX_CELLS];
    int32_t minimal[numpl::MAX_CELLS];
    uint8_t redundant[numpl::MAX_CELLS];
    while (std::getline(std::cin, text)) {
        numpl::PuzzleTextResult read = numpl::readPuzzleText(text.data(), text.size(), cells);
        if (read.error != numpl::TEXT_OK) continue;
        int32_t boxOrder = read.boxOrder;
        Clock::time_point start = Clock::now();
        int32_t redundantCount = 0;
        numpl::ComposeStatus status =
            numpl::findRedundantGivens(scratch, boxOrder, cells, nullptr, redundant, &redundantCount);
        long long findTime = microsecondsSince(start);
        if (status != numpl::COMPOSE_DONE) {
            std::printf("%d\t-\n", numpl::countGivens(boxOrder, cells));
            continue;
        }
        start = Clock::now();
        numpl::minimisePuzzle(scratch, boxOrder, cells, nullptr, minimal);
        long long minimiseTime = microsecondsSince(start);
        std::printf("%d\t%d\t%d\t%lld\t%lld\n", numpl::countGivens(boxOrder, cells), redundantCount,
                    numpl::countGivens(boxOrder, minimal), findTime, minimiseTime);
        std::fflush(stdout);
    }
    numpl::destroyComposeScratch(scratch);
    return 0;
}
