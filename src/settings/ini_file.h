// One value of one section of an INI file: reading it and setting it.
//
// The format is deliberately narrow: 8-bit text with one byte per character
// code, lines ended by LF or CR LF (written as CR LF), at most 1023 characters
// of a line taken into account, "[name]" headers, "key=value" lines, names
// compared exactly (case and spaces count), no comments, no trimming.
#pragma once

#include <string>

// The longest line the format takes into account; the rest of a longer line
// is skipped by the reader and carried through unchanged by the writer.
constexpr size_t kIniLineLimit = 1023;

// True with the value of the first line of the section whose key matches.
// False when the file cannot be read or the section or key is absent; value
// is then left as it was. The value never exceeds kIniLineLimit - 1 characters
// (it fits the 1024-character buffer of the callers).
bool ReadIniValue(const std::wstring& section, const std::wstring& file, const std::wstring& key,
                  std::wstring& value);

// Sets key=value in the section: replaces the section's last line with that
// key, or adds the line right after the section's last header, or adds the
// header and the line at the end. Every write drops blank lines and puts one
// blank line before each header but a first one.
//
// Never creates the file. The new content goes to a temporary file beside it
// that then replaces the file in one step, so the file is either wholly old
// or wholly new. False, with the file unchanged, when it cannot be read or
// replaced (read-only, locked), and when the section, key or value cannot be
// stored so that a later read gives them back: a character above 255, a line
// end, an "=" in the key, an empty section or key name, a line longer than
// kIniLineLimit, or a line that would read as a header.
bool WriteIniValue(const std::wstring& section, const std::wstring& file, const std::wstring& key,
                   const std::wstring& value);
