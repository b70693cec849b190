// Writing a whole file so that it is never seen half written: saving a
// puzzle and saving a picture both go through here.
#ifndef NUMPL_UI_FILE_REPLACE_H
#define NUMPL_UI_FILE_REPLACE_H

#include <string>

namespace numpl {

// Writes `bytes` to a temporary file in the folder of `path`, flushes it and
// only then moves it onto `path`, replacing what was there. False when any
// step fails; `path` then keeps its old contents and no temporary file is
// left. Shows nothing: the caller says what failed.
bool replaceFileContents(const wchar_t* path, const std::string& bytes);

} // namespace numpl

#endif
