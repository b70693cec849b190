// The printed picture read back from the document: the lines of each group,
// the givens' texts and the title. numpl-analyse's test parses the same
// documents with an XML parser.
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "picture/puzzle_svg.h"
#include "support/grids.h"

namespace numpl::test {
namespace {

// The elements of <g id="ID">, up to its end.
std::string groupOf(const std::string& svg, const std::string& id) {
    size_t start = svg.find("<g id=\"" + id + "\"");
    return start == std::string::npos ? "" : svg.substr(start, svg.find("</g>", start) - start);
}

struct Lines {
    int count = 0;
    std::set<double> rows;    // y of the horizontal lines
    std::set<double> columns; // x of the vertical ones
};

Lines linesOf(const std::string& group) {
    Lines lines;
    double x1, y1, x2, y2;
    for (size_t at = group.find("<line"); at != std::string::npos; at = group.find("<line", at + 1)) {
        if (std::sscanf(group.c_str() + at, "<line x1=\"%lf\" y1=\"%lf\" x2=\"%lf\" y2=\"%lf\"", &x1, &y1, &x2, &y2) !=
            4)
            continue;
        ++lines.count;
        if (y1 == y2) lines.rows.insert(y1);
        if (x1 == x2) lines.columns.insert(x1);
    }
    return lines;
}

class PuzzleSvgTest : public ::testing::TestWithParam<int32_t> {};

// The lines fall on N+1 equally spaced places along each axis (N x N
// cells), the thick ones on every n-th, the border included; each given's
// text stands in the middle of its own cell, in reading order.
TEST_P(PuzzleSvgTest, DrawsTheGridTheGivensAndTheTitle) {
    int32_t n = GetParam();
    int32_t side = n * n;
    std::mt19937 random(static_cast<unsigned>(side));
    std::vector<int32_t> givens = randomGivens(n, side * side / 3, random);
    const char title[] = "Q&A <No. 2> \"it's\"";
    std::string svg = puzzleSvg(n, givens.data(), n == 4 ? title : nullptr);

    Lines thick = linesOf(groupOf(svg, "box-lines"));
    Lines all = linesOf(groupOf(svg, "cell-lines"));
    EXPECT_EQ(2 * (n + 1), thick.count);
    all.rows.insert(thick.rows.begin(), thick.rows.end());
    all.columns.insert(thick.columns.begin(), thick.columns.end());
    for (bool rows : {true, false}) {
        std::vector<double> at(rows ? all.rows.begin() : all.columns.begin(),
                               rows ? all.rows.end() : all.columns.end());
        ASSERT_EQ(static_cast<size_t>(side + 1), at.size());
        std::set<double> everyNth;
        for (int32_t i = 1; i <= side; ++i) EXPECT_DOUBLE_EQ(at[1] - at[0], at[i] - at[i - 1]) << "line " << i;
        for (int32_t i = 0; i <= side; i += n) everyNth.insert(at[i]);
        EXPECT_EQ(everyNth, rows ? thick.rows : thick.columns);
    }

    std::vector<double> y(all.rows.begin(), all.rows.end());
    std::vector<double> x(all.columns.begin(), all.columns.end());
    std::string digits = groupOf(svg, "digits");
    size_t at = 0;
    for (int32_t k = 0; k < side * side; ++k) {
        if (givens[k] == 0) continue;
        double tx = 0, ty = 0;
        char symbol[2] = "";
        at = digits.find("<text", at + 1);
        ASSERT_EQ(3, std::sscanf(digits.c_str() + at, "<text x=\"%lf\" y=\"%lf\">%1[^<]", &tx, &ty, symbol)) << k;
        EXPECT_EQ(".123456789ABCDEFGHIJKLMNOP"[givens[k]], symbol[0]) << "cell " << k;
        EXPECT_DOUBLE_EQ((x[k % side] + x[k % side + 1]) / 2, tx) << "cell " << k;
        EXPECT_GT(ty, (y[k / side] + y[k / side + 1]) / 2) << "cell " << k;
        EXPECT_LT(ty, y[k / side + 1]) << "cell " << k;
    }
    EXPECT_EQ(std::string::npos, digits.find("<text", at + 1)) << "texts beyond the givens";
    EXPECT_EQ(n == 4, svg.find(">Q&amp;A &lt;No. 2&gt; &quot;it&apos;s&quot;</text>") != std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(BoxOrders, PuzzleSvgTest, ::testing::Values(3, 4, 5));

} // namespace
} // namespace numpl::test
