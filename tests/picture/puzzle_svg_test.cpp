// The printed picture read back as a reader would: a small XML reader checks
// that the document is well formed, and the grid's lines, the givens' texts
// and the title are judged from what it parsed.
#include <algorithm>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "picture/puzzle_svg.h"
#include "support/grids.h"

namespace numpl::test {
namespace {

struct Element {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::string text;  // character data, entities decoded
    std::string group; // id of the nearest enclosing element that has one
};

// Well-formedness as far as this document needs it: nested tags that
// close in order, quoted attributes, the five predefined entities and one
// root. False on anything else.
bool parseXml(const std::string& xml, std::vector<Element>* elements) {
    static const std::map<std::string, char> ENTITIES = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    auto decode = [&](const std::string& raw, std::string* out) {
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '<') return false;
            if (raw[i] != '&') {
                *out += raw[i];
                continue;
            }
            size_t end = raw.find(';', i);
            if (end == std::string::npos || ENTITIES.count(raw.substr(i + 1, end - i - 1)) == 0) return false;
            *out += ENTITIES.at(raw.substr(i + 1, end - i - 1));
            i = end;
        }
        return true;
    };
    size_t pos = xml.rfind("?>", 64);
    pos = xml.compare(0, 5, "<?xml") == 0 && pos != std::string::npos ? pos + 2 : 0;
    std::vector<size_t> open;
    int roots = 0;
    while ((pos = xml.find_first_not_of(" \n", pos)) != std::string::npos) {
        size_t tag = xml.find('<', pos);
        if (tag != pos) {
            if (open.empty() || !decode(xml.substr(pos, tag - pos), &(*elements)[open.back()].text)) return false;
            pos = tag;
            if (tag == std::string::npos) return false;
        }
        size_t close = xml.find('>', tag);
        if (close == std::string::npos) return false;
        std::string inside = xml.substr(tag + 1, close - tag - 1);
        pos = close + 1;
        if (inside[0] == '/') {
            if (open.empty() || (*elements)[open.back()].name != inside.substr(1)) return false;
            open.pop_back();
            continue;
        }
        bool empty = inside.back() == '/';
        if (empty) inside.pop_back();
        Element element;
        element.group = open.empty() ? "" : (*elements)[open.back()].group;
        size_t at = inside.find(' ');
        element.name = inside.substr(0, at);
        while (at != std::string::npos && (at = inside.find_first_not_of(' ', at)) != std::string::npos) {
            size_t equals = inside.find("=\"", at);
            size_t quote = equals == std::string::npos ? equals : inside.find('"', equals + 2);
            std::string value;
            if (quote == std::string::npos) return false;
            if (!decode(inside.substr(equals + 2, quote - equals - 2), &value)) return false;
            element.attributes[inside.substr(at, equals - at)] = value;
            at = quote + 1;
        }
        if (element.attributes.count("id") != 0) element.group = element.attributes["id"];
        if (open.empty() && ++roots > 1) return false;
        elements->push_back(element);
        if (!empty) open.push_back(elements->size() - 1);
    }
    return open.empty() && roots == 1;
}

double number(const Element& element, const char* name) { return std::atof(element.attributes.at(name).c_str()); }

struct Case {
    int32_t boxOrder;
    const char* title; // nullptr for none
};

class PuzzleSvgTest : public ::testing::TestWithParam<Case> {};

// The grid's lines must fall on N+1 equally spaced places along each axis
// (N x N cells), the thick ones on every n-th of them, border included, and
// each given's text must stand in the middle of its own cell.
TEST_P(PuzzleSvgTest, DrawsTheGridTheGivensAndTheTitle) {
    const Case& param = GetParam();
    int32_t n = param.boxOrder;
    int32_t side = n * n;
    std::mt19937 random(static_cast<unsigned>(side));
    std::vector<int32_t> givens = randomGivens(n, side * side / 3, random);
    std::string svg = puzzleSvg(n, givens.data(), param.title);
    std::vector<Element> elements;
    ASSERT_TRUE(parseXml(svg, &elements)) << svg;
    ASSERT_EQ("svg", elements[0].name);

    std::set<double> rows;
    std::set<double> columns;
    std::set<double> thickRows;
    std::set<double> thickColumns;
    int thickLines = 0;
    std::vector<const Element*> texts;
    for (const Element& e : elements) {
        if (e.name == "text" && e.group == "digits") texts.push_back(&e);
        if (e.name != "line") continue;
        bool horizontal = number(e, "y1") == number(e, "y2");
        ASSERT_TRUE(horizontal || number(e, "x1") == number(e, "x2")) << "a slanted line";
        (horizontal ? rows : columns).insert(horizontal ? number(e, "y1") : number(e, "x1"));
        if (e.group != "box-lines") continue;
        ++thickLines;
        (horizontal ? thickRows : thickColumns).insert(horizontal ? number(e, "y1") : number(e, "x1"));
    }
    EXPECT_EQ(2 * (n + 1), thickLines);
    for (const std::set<double>* axis : {&rows, &columns}) {
        ASSERT_EQ(static_cast<size_t>(side + 1), axis->size());
        std::vector<double> at(axis->begin(), axis->end());
        for (int32_t i = 1; i <= side; ++i) EXPECT_DOUBLE_EQ(at[1] - at[0], at[i] - at[i - 1]) << "line " << i;
        std::set<double> everyNth;
        for (int32_t i = 0; i <= side; i += n) everyNth.insert(at[static_cast<size_t>(i)]);
        EXPECT_EQ(everyNth, axis == &rows ? thickRows : thickColumns);
    }

    std::vector<double> y(rows.begin(), rows.end());
    std::vector<double> x(columns.begin(), columns.end());
    const std::string symbols = ".123456789ABCDEFGHIJKLMNOP";
    size_t next = 0;
    for (int32_t k = 0; k < side * side; ++k) {
        if (givens[static_cast<size_t>(k)] == 0) continue;
        ASSERT_LT(next, texts.size()) << "cell " << k << " has no text";
        const Element& text = *texts[next++];
        int32_t r = k / side;
        int32_t c = k % side;
        EXPECT_EQ(std::string(1, symbols[static_cast<size_t>(givens[static_cast<size_t>(k)])]), text.text);
        EXPECT_DOUBLE_EQ((x[c] + x[c + 1]) / 2, number(text, "x")) << "cell " << k;
        EXPECT_GT(number(text, "y"), (y[r] + y[r + 1]) / 2) << "cell " << k;
        EXPECT_LT(number(text, "y"), y[r + 1]) << "cell " << k;
    }
    EXPECT_EQ(texts.size(), next) << "texts beyond the givens";

    auto title = std::find_if(elements.begin(), elements.end(), [](const Element& e) { return e.group == "title"; });
    if (param.title == nullptr) {
        EXPECT_EQ(elements.end(), title);
    } else {
        ASSERT_NE(elements.end(), title);
        EXPECT_EQ(param.title, title->text);
        EXPECT_LT(number(*title, "y"), y[0]) << "the title overlaps the grid";
    }
}

INSTANTIATE_TEST_SUITE_P(BoxOrders, PuzzleSvgTest,
                         ::testing::Values(Case{3, nullptr}, Case{4, "Q&A <16x16> \"No. 2\" it's"},
                                           Case{5, "ナンプレ 25x25"}));

} // namespace
} // namespace numpl::test
