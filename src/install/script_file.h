// Reading an install script: 8-bit text, one line per LF.
#pragma once

#include <cstddef>
#include <string>

#include "sync/paths.h"

// The script's lines without their line ends, each byte widened to the
// character of the same code; a CR LF pair counts as LF. Lines hold at most
// maxLength - 1 characters: the first longer line is cut there and ends the
// list. A file that ends with LF gives an empty last line. A file that cannot
// be read gives no lines.
StringList ReadScriptLines(const std::wstring& path, size_t maxLength);

// Splits 8-bit script text as ReadScriptLines does with a file's content.
StringList SplitScriptText(const std::string& text, size_t maxLength);
