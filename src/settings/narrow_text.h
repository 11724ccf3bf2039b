// 8-bit text as the program's INI and path files hold it: one byte per character code.
#pragma once

#include <string>

// The bytes as a text-mode read delivers them: each CR LF pair becomes one LF;
// a CR anywhere else stays.
std::string TextModeBytes(const std::string& bytes);

// Each byte becomes the wide character of the same code (0 to 255).
std::wstring WidenBytes(const std::string& bytes);

// Each character becomes the byte of the same code. False, with bytes left
// as they were, when a character's code is above 255 and so has no byte.
bool NarrowChars(const std::wstring& text, std::string& bytes);
