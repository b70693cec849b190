// "画像として保存...": the givens on screen as a picture for print, either
// the SVG document that numpl-analyse --svg writes or a PNG drawn with GDI
// and encoded with WIC. Runs on the UI thread.
#ifndef NUMPL_UI_PICTURE_EXPORT_H
#define NUMPL_UI_PICTURE_EXPORT_H

#include <cstdint>
#include <string>

namespace numpl {

// The file types of the dialog, numbered as its filter list is (from 1).
enum PictureFormat : int32_t {
    PICTURE_SVG = 1,
    PICTURE_PNG = 2,
};

// The PNG's layout in pixels: every cell 40 px whatever the grid size, so
// the picture grows with the grid (400 x 400 for 9x9, 680 for 16x16, 1040
// for 25x25). Grid lines lie on the cell boundaries, a thin one 1 px wide
// at the boundary, a thick one (every box edge, the border included) 3 px,
// from one pixel before the boundary to one after it.
constexpr int32_t PNG_CELL_PX = 40;
constexpr int32_t PNG_MARGIN_PX = 20;

// The side of the PNG of an N x N grid.
constexpr int32_t pngSidePx(int32_t side) { return 2 * PNG_MARGIN_PX + side * PNG_CELL_PX; }

// The PNG file's bytes for givens[N*N] (0 empty), digits black on white in
// the one-line form's symbols; false when GDI or WIC fail.
bool drawPuzzlePng(int32_t boxOrder, const int32_t* givens, std::string* png);

// Writes the grid's givens to `path` in `format` through a temporary file
// that replaces `path` only once complete; a message box says why not.
bool savePicture(const wchar_t* path, PictureFormat format);

// The menu item: asks for a file and its type, then savePicture. The type
// chosen in the dialog decides the format and the extension added to a
// name typed without one.
void savePictureAs();

} // namespace numpl

#endif
