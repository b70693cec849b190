// The SVG picture of a puzzle. The document is written by hand: it is small,
// fixed in shape, and needs nothing beyond a little escaping.
#include "picture/puzzle_svg.h"

#include <cstdio>

#include "analysis/puzzle_text.h"

namespace numpl {

namespace {

// Physical width in millimetres; the height follows the viewBox's ratio.
constexpr double WIDTH_MM = 160.0;
constexpr double THIN_STROKE = 0.3;
constexpr double THICK_STROKE = 1.2;
constexpr double FONT_SIZE = 7.0;
// The baseline sits this far below a cell's centre, so that the digits'
// capital height is centred; dominant-baseline is not honoured by every
// renderer a maker may print with.
constexpr double BASELINE_DROP = 2.5;
constexpr double TITLE_FONT_SIZE = 6.0;

void appendf(std::string* out, const char* pattern, double a, double b = 0, double c = 0, double d = 0) {
    char text[160];
    std::snprintf(text, sizeof text, pattern, a, b, c, d);
    *out += text;
}

// One line across the grid at offset `at` along the other axis.
void appendLine(std::string* out, bool horizontal, double left, double top, double length, double at) {
    if (horizontal) {
        appendf(out, "<line x1=\"%g\" y1=\"%g\" x2=\"%g\" y2=\"%g\"/>\n", left, top + at, left + length, top + at);
    } else {
        appendf(out, "<line x1=\"%g\" y1=\"%g\" x2=\"%g\" y2=\"%g\"/>\n", left + at, top, left + at, top + length);
    }
}

} // namespace

std::string escapeXml(const char* text) {
    std::string out;
    for (const char* p = text; *p != '\0'; ++p) {
        unsigned char ch = static_cast<unsigned char>(*p);
        switch (ch) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default:
            if (ch >= 0x20 || ch == '\t' || ch == '\n') out += static_cast<char>(ch);
            break;
        }
    }
    return out;
}

std::string puzzleSvg(int32_t boxOrder, const int32_t* givens, const char* title) {
    if (boxOrder < 2 || boxOrder > 5) return "";
    int32_t side = boxOrder * boxOrder;
    bool titled = title != nullptr && title[0] != '\0';
    double grid = static_cast<double>(side * SVG_CELL);
    double left = SVG_MARGIN;
    double top = SVG_MARGIN + (titled ? SVG_TITLE_HEIGHT : 0);
    double width = grid + 2 * SVG_MARGIN;
    double height = top + grid + SVG_MARGIN;

    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    appendf(&out,
            "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"%gmm\" height=\"%.1fmm\" "
            "viewBox=\"0 0 %g %g\">\n",
            WIDTH_MM, WIDTH_MM * height / width, width, height);
    std::string escaped = titled ? escapeXml(title) : "";
    if (titled) out += "<title>" + escaped + "</title>\n";
    appendf(&out, "<rect width=\"%g\" height=\"%g\" fill=\"white\"/>\n", width, height);
    if (titled) {
        appendf(&out,
                "<text id=\"title\" x=\"%g\" y=\"%g\" font-family=\"sans-serif\" font-size=\"%g\" "
                "text-anchor=\"middle\">",
                width / 2, SVG_MARGIN + TITLE_FONT_SIZE, TITLE_FONT_SIZE);
        out += escaped + "</text>\n";
    }

    // Thin lines first, so that the thick ones cover their ends.
    appendf(&out, "<g id=\"cell-lines\" stroke=\"black\" stroke-width=\"%g\">\n", THIN_STROKE);
    for (int32_t i = 1; i < side; ++i) {
        if (i % boxOrder == 0) continue;
        appendLine(&out, true, left, top, grid, i * SVG_CELL);
        appendLine(&out, false, left, top, grid, i * SVG_CELL);
    }
    out += "</g>\n";
    // Square caps close the corners where the border lines meet.
    appendf(&out, "<g id=\"box-lines\" stroke=\"black\" stroke-width=\"%g\" stroke-linecap=\"square\">\n",
            THICK_STROKE);
    for (int32_t i = 0; i <= side; i += boxOrder) {
        appendLine(&out, true, left, top, grid, i * SVG_CELL);
        appendLine(&out, false, left, top, grid, i * SVG_CELL);
    }
    out += "</g>\n";

    appendf(&out, "<g id=\"digits\" font-family=\"sans-serif\" font-size=\"%g\" text-anchor=\"middle\">\n", FONT_SIZE);
    for (int32_t k = 0; k < side * side; ++k) {
        if (givens[k] == 0) continue;
        double x = left + (k % side) * SVG_CELL + SVG_CELL / 2.0;
        double y = top + (k / side) * SVG_CELL + SVG_CELL / 2.0 + BASELINE_DROP;
        appendf(&out, "<text x=\"%g\" y=\"%g\">", x, y);
        out += givens[k] <= side ? digitSymbol(givens[k]) : '?';
        out += "</text>\n";
    }
    out += "</g>\n</svg>\n";
    return out;
}

} // namespace numpl
