// Turns the program's backslash paths into POSIX paths for the POSIX seam.
//
// A leading drive ("C:", any letter) stands for the file-system root, so that
// C:\tmp\lib names /tmp/lib; every backslash becomes a slash. Wide characters
// are encoded as UTF-8. A path in the long form ("\\?\C:\x") names what its
// usual form names. Nothing else is changed: doubled separators stay.
#pragma once

#include <string>

namespace platform::posix {

std::string NativePath(const std::wstring& path);

// An 8-bit program path: each byte is one character code (Latin-1).
std::string NativePathNarrow(const std::string& path);

// UTF-8 text from the file system back into a wide string.
std::wstring WideFromUtf8(const std::string& text);

}  // namespace platform::posix
