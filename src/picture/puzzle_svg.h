// A puzzle's givens as a picture for print: an SVG 1.1 document, 160 mm
// wide so that it sits on an A4 page with room for margins, scaled through
// its viewBox. numpl-analyse --svg and the window's "画像として保存..." both
// write it; the window's PNG follows the same layout in pixels.
#ifndef NUMPL_PICTURE_PUZZLE_SVG_H
#define NUMPL_PICTURE_PUZZLE_SVG_H

#include <cstdint>
#include <string>

namespace numpl {

// The drawing, in the viewBox's units: one unit is a tenth of a cell.
//
//   MARGIN            grid                     MARGIN
//   |<--->|<------ N * SVG_CELL ------->|<--->|
//   title (SVG_TITLE_HEIGHT, only with a title) above the top margin
constexpr int32_t SVG_CELL = 10;
constexpr int32_t SVG_MARGIN = 5;
constexpr int32_t SVG_TITLE_HEIGHT = 12;

// The document for an N x N grid of box order 2..5: givens[r*N + c] is the
// digit in row r, column c, 0 for an empty cell (values outside 1..N are
// drawn as '?'). The groups "cell-lines" (thin, between the cells of a box),
// "box-lines" (thick: n+1 horizontal and n+1 vertical, the border included)
// and "digits" (one <text> per given, centred in its cell, written with the
// symbols of the one-line form, 'A'-'P' for 10-25) carry ids, so that a
// maker can restyle them. A title (UTF-8, NULL or empty for none) is
// XML-escaped and drawn above the grid. An unsupported box order gives "".
std::string puzzleSvg(int32_t boxOrder, const int32_t* givens, const char* title = nullptr);

// `text` with the five XML specials escaped and the control characters that
// XML 1.0 forbids dropped, for element content and attribute values alike.
std::string escapeXml(const char* text);

} // namespace numpl

#endif
